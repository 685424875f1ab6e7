#!/usr/bin/env bash
# Fresh Debian 12 machine to a passing test run: installs what is missing, builds, runs every test
# (the unit and window tests, then the ppdev test in a QEMU guest).
#   --sanitize   run the unit and window tests once more under AddressSanitizer + UBSan instead
#   --no-qemu    skip the guest test (it downloads a Debian kernel on first use)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

preset=default
qemu=1
for arg in "$@"; do
  case "$arg" in
    --sanitize) preset=asan; qemu=0 ;;
    --no-qemu) qemu=0 ;;
    -h|--help) sed -n '2,5p' "$0"; exit 0 ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

install_missing "${PACKAGES[@]}"
[ "$qemu" -eq 1 ] && install_missing "${QEMU_PACKAGES[@]}"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j2

if [ "$qemu" -eq 1 ]; then
  tests/qemu/run_ppdev_guest.sh "build/$preset/qemu"
fi
