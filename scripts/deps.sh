#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, runs and tests with; installs nothing that is
# already there. Sourced or run by the other scripts.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  fonts-arphic-uming fonts-wqy-microhei fonts-dejavu-core
)
# Only the Debian package build and its checks need these.
PACKAGE_TOOLS=(dpkg-dev debhelper help2man lintian desktop-file-utils appstream shared-mime-info)
# Only the fuzz targets need these (clang with libFuzzer and the sanitizer runtimes).
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# Only the Windows cross build and its test run under Wine need these: the icon is drawn from its
# SVG at build time (rsvg-convert, icotool); the window tests need a display (Xvfb) and a font
# with Chinese for the Wine prefix (and a zh_CN locale for the install test under code page 936); the installer is made with NSIS and zip and checked with xdotool.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix googletest wine64 librsvg2-bin icoutils xvfb xauth fonts-wqy-microhei locales
                  nsis zip xdotool)
# Only the ppdev guest test needs these.
QEMU_PACKAGES=(qemu-system-x86 busybox-static cpio xz-utils zstd)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  install_missing "${PACKAGES[@]}"
  [ "${1:-}" = "--qemu" ] && install_missing "${QEMU_PACKAGES[@]}"
  [ "${1:-}" = "--fuzz" ] && install_missing "${FUZZ_PACKAGES[@]}"
  [ "${1:-}" = "--windows" ] && install_missing "${WINDOWS_PACKAGES[@]}"
fi
