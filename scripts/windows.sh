#!/usr/bin/env bash
# The Windows build without Windows: everything but the Qt windows cross-built with MinGW-w64
# (the native tessaro.exe and porvik.exe included), then every test program of it run under Wine
# (a throwaway prefix in build/windows, on a virtual display for the window tests), chiptool.exe
# compared with the Linux chiptool on the same inputs, and the installer and portable zip built,
# installed, checked and uninstalled.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# The Linux chiptool to compare with is built from the same sources (the packages of the Linux
# build); the cross build takes the header-only JSON library from the build machine.
install_missing "${PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

cmake --preset windows >/dev/null
cmake --build --preset windows
# Usually built already by scripts/test.sh; brought up to date either way.
[ -f build/default/CMakeCache.txt ] || cmake --preset default >/dev/null
cmake --build --preset default --target chiptool

# Wine's own prefix, made once; its first start would otherwise happen inside the first test.
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i
fi
# Wine's own fonts have no Chinese: the dialog fonts are replaced by one that has, once per prefix.
if ! grep -q 'WenQuanYi Micro Hei' "$WINEPREFIX/user.reg" 2>/dev/null; then
  for font in SimSun "MS Shell Dlg" "MS Shell Dlg 2" Tahoma "MS Sans Serif"; do
    /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'WenQuanYi Micro Hei' /f >/dev/null
  done
  /usr/lib/wine/wineserver -w
fi
# Without a window manager (plain Xvfb) Wine waits up to 2 s for one whenever a window it lets
# one manage is hidden, which every dialog is when it ends: its windows are made unmanaged.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  /usr/lib/wine/wineserver -w
fi
status=0
# The window tests create real windows: Wine needs an X display, here a virtual one. Wine's
# server is waited for inside it, so that nothing outlives the display.
xvfb-run -a -s '-screen 0 1280x1024x24' \
  sh -c 'ctest --preset windows; s=$?; /usr/lib/wine/wineserver -w; exit $s' || status=$?
scripts/compare_chiptool.sh build/default/tools/chiptool/chiptool build/windows/tools/chiptool/chiptool.exe samples ||
  status=$?
# The installer and the portable zip of what was built; the installer installed, checked and
# uninstalled under Wine in a prefix of its own.
if installer=$(scripts/windows_installer.sh | tail -n 1); then
  scripts/check_windows_installer.sh "$installer" || status=$?
else
  status=1
fi
# Wine's server outlives the programs by a few seconds; wait, so that nothing is left running.
/usr/lib/wine/wineserver -w
exit "$status"
