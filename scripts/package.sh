#!/usr/bin/env bash
# Builds the Debian packages tessaro, porvik and chiptool with dpkg-buildpackage from a scratch
# copy of this checkout (the checkout stays clean), checks them with lintian (errors and warnings
# fail) and leaves the .deb files in build/deb, or in the directory given.
#   --check   run the test suite inside the package build too (off by default: scripts/test.sh
#             runs it, and the package build is a whole second build)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

check=0
out=build/deb
for arg in "$@"; do
  case "$arg" in
    --check) check=1 ;;
    -h|--help) sed -n '2,6p' "$0"; exit 0 ;;
    -*) echo "package.sh: unknown option $arg" >&2; exit 2 ;;
    *) out=$arg ;;
  esac
done

install_missing "${PACKAGES[@]}" "${PACKAGE_TOOLS[@]}"

out=$(realpath -m "$out")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$out"
tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$work/src"

options=(-us -uc -b)
if [ "$check" -eq 0 ]; then
  export DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}"
  options+=(-Pnocheck)
fi
(cd "$work/src" && dpkg-buildpackage "${options[@]}")

rm -f "$out"/*.deb
cp "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$out"/
lintian --fail-on error,warning --display-info "$out"/*.changes
echo "Packages in $out:"
ls -1 "$out"/*.deb
