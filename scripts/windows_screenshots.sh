#!/usr/bin/env bash
# Screenshots of the Windows programs and the installer under Wine and Xvfb, to look at by eye
# (not part of CI): build/windows/screenshots/*.png. Needs the windows preset built and
# scripts/windows_installer.sh run; uses the test prefix build/windows/wineprefix, installs into
# it and uninstalls again.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i
# Chinese in the dialogs' fonts: without a replacement every character is a box.
for font in SimSun 宋体 "MS Shell Dlg" "MS Shell Dlg 2"; do
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /d 'WenQuanYi Micro Hei' /f >/dev/null
done
out=build/windows/screenshots
mkdir -p "$out"
porvik=$(find build/windows/porttest -name porvik.exe -print -quit)
installer=$(ls build/windows/dist/*-setup.exe | head -n 1)

xvfb-run -a -s '-screen 0 1440x1080x24' bash -s "$wine" "$porvik" "$installer" "$out" <<'EOF'
set -u
wine=$1 porvik=$2 installer=$3 out=$4
window() { # TITLE -> the window id once it is shown
  for _ in $(seq 1 60); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1)
    [ -n "$id" ] && { sleep 1.5; echo "$id"; return; }
    sleep 0.5
  done
}
key() { xdotool windowfocus --sync "$1" 2>/dev/null; sleep 0.3; xdotool key "$2"; sleep 1.5; }

dpi() { "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null; /usr/lib/wine/wineserver -w; }
# The window at 144 DPI (150 %) too: the connector picture's labels must fit there as well.
dpi 144
"$wine" "$porvik" --port=virtual &
w=$(window '^Porvik$'); import -window root "$out/porvik-virtual-144dpi.png"
key "$w" F1; window '关于 Porvik' >/dev/null; import -window root "$out/porvik-about-144dpi.png"
/usr/lib/wine/wineserver -k; sleep 1
dpi 96

"$wine" "$porvik" --port=virtual &
w=$(window '^Porvik$'); import -window root "$out/porvik-virtual.png"
key "$w" F5; window '接线测试' >/dev/null; import -window root "$out/porvik-wiring.png"
key "$w" Escape; key "$w" F1; window '关于 Porvik' >/dev/null; import -window root "$out/porvik-about.png"
/usr/lib/wine/wineserver -k; sleep 1

"$wine" "$porvik" &   # no WINIO.dll beside it: the absent port and its reason
# The start-up's two messages first (each box is titled like the window), then the window.
for _ in 1 2; do w=$(window '^Porvik$'); import -window root "$out/porvik-noport-message.png"; key "$w" Return; sleep 2; done
import -window root "$out/porvik-noport.png"
/usr/lib/wine/wineserver -k; sleep 1

"$wine" "$installer" &
w=$(window '安装'); import -window root "$out/installer-1-welcome.png"
key "$w" Return; import -window root "$out/installer-2-license.png"
key "$w" Return; import -window root "$out/installer-3-folder.png"
key "$w" Return; sleep 3; import -window root "$out/installer-4-finish.png"
# Finishing with the user's guide ticked opens it in Notepad.
key "$w" Return; window '使用说明' >/dev/null; import -window root "$out/installer-5-guide.png"
/usr/lib/wine/wineserver -k
EOF
# Put the prefix back as it was.
uninstaller="$WINEPREFIX/drive_c/Program Files/Tessaro Porvik/uninstall.exe"
[ -f "$uninstaller" ] && "$wine" "$uninstaller" /S
/usr/lib/wine/wineserver -w
ls "$out"
