#!/usr/bin/env bash
# The Windows build without Windows: everything but the Qt windows cross-built with MinGW-w64,
# then every test program of it run under Wine (a throwaway prefix in build/windows, no display).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${WINDOWS_PACKAGES[@]}"

cmake --preset windows >/dev/null
cmake --build --preset windows

# Wine's own prefix, made once; its first start would otherwise happen inside the first test.
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i
fi
status=0
ctest --preset windows || status=$?
# Wine's server outlives the tests by a few seconds; wait, so that nothing is left running.
/usr/lib/wine/wineserver -w
exit "$status"
