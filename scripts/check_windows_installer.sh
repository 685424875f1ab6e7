#!/usr/bin/env bash
# The Windows installer under Wine, in a prefix of its own made afresh, where another program
# already opens .chip files: a silent install into a chosen folder two levels below one the user
# made, then its files (the user's guide as Notepad reads it), the Start-menu shortcuts, the .chip
# file type and the uninstall entry; tessaro.exe (when installed) started from the install folder
# on a .chip file; then a silent uninstall, after which neither a file, nor a folder it made, nor a
# registry entry of it may be left, and .chip is the other program's again.
# Usage: scripts/check_windows_installer.sh INSTALLER.exe   (needs wine64, xvfb-run, xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
installer=$(realpath "$1")

export WINEPREFIX="$PWD/build/windows/installprefix" WINEDEBUG=-all WINEARCH=win64
# No menu entries or file types in the user's own desktop from the Wine side.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
/usr/lib/wine/wineserver -w
rm -rf "$WINEPREFIX"
"$wine" wineboot -i
/usr/lib/wine/wineserver -w

failures=0
fail() { echo "installer check: $*" >&2; failures=$((failures + 1)); }
drive=$WINEPREFIX/drive_c
# Everything on drive C and every registry entry naming the programs, before anything is installed.
snapshot() {
  (cd "$drive" && find . -path ./windows -prune -o -path './users/*/Temp' -prune -o -print | sort)
}
registry_mentions() { cat "$WINEPREFIX"/*.reg | grep -i -c "tessaro\|porvik\|chiptool\|\.chip" || true; }
# The user's own folder, and .chip opening in another program.
mkdir -p "$drive/Tools"
other_class=OtherEditor.chip
"$wine" reg add 'HKLM\Software\Classes\.chip' /ve /d "$other_class" /f >/dev/null
"$wine" reg add "HKLM\\Software\\Classes\\$other_class\\shell\\open\\command" /ve /d 'notepad.exe "%1"' /f >/dev/null
/usr/lib/wine/wineserver -w
snapshot >"$WINEPREFIX/../files-before.txt"
mentions_before=$(registry_mentions)

# Two folders the installer makes (one with a blank) below the user's.
folder='C:\Tools\Halvern Tools\Tessaro Porvik'
dir=$drive/Tools/Halvern\ Tools/Tessaro\ Porvik
# /D= takes the rest of the command line as it stands, blanks included and no quotes: given as
# separate words, Wine joins them with single blanks and quotes none of them.
read -ra folder_words <<<"/D=$folder"
"$wine" "$installer" /S "${folder_words[@]}" || fail "silent install exited with $?"
/usr/lib/wine/wineserver -w

reg_value() { # KEY VALUE-NAME (empty: the default value) -> the data, or nothing
  local args=(/v "$2")
  [ -n "$2" ] || args=(/ve)
  "$wine" reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -1
}

guide=$(sed -n 's/^!define GUIDE "\(.*\)"/\1/p' data/windows/installer.nsi)
expect_files=(chiptool.exe "$guide" LICENSE.txt uninstall.exe)
stage=$(dirname "$installer")/$(basename "$installer" -setup.exe)
has_tessaro=0 has_porvik=0
[ -f "$stage/tessaro.exe" ] && has_tessaro=1 && expect_files+=(tessaro.exe tessaro.ico)
[ -f "$stage/porvik.exe" ] && has_porvik=1 && expect_files+=(porvik.exe porvik.ico)
for f in "${expect_files[@]}"; do
  [ -f "$dir/$f" ] || fail "not installed: $f"
done
for f in chiptool.exe tessaro.exe porvik.exe; do
  [ -f "$stage/$f" ] && ! cmp -s "$stage/$f" "$dir/$f" && fail "installed $f differs from the built one"
done

# The user's guide, offered on the last page, as Notepad reads it: UTF-16LE with its mark, CRLF.
grep -qF 'MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${GUIDE}"' data/windows/installer.nsi ||
  fail "the last page does not offer the user's guide"
if [ -f "$dir/$guide" ]; then
  [ "$(head -c 2 "$dir/$guide" | od -An -tx1 | tr -d ' ')" = fffe ] || fail "the guide has no UTF-16LE byte-order mark"
  text=$(tail -c +3 "$dir/$guide" | iconv -f UTF-16LE -t UTF-8) || fail "the guide is not UTF-16LE"
  [ "$(grep -c $'[^\r]$' <<<"$text" || true)" = 0 ] || fail "the guide has lines without CRLF"
  for word in Tessaro Porvik chiptool WinIo winio.sys F5 Ctrl+Z; do
    grep -qF "$word" <<<"$text" || fail "the guide does not mention $word"
  done
fi

menu=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tessaro\ Porvik
[ "$has_tessaro" = 1 ] && { [ -f "$menu/Tessaro.lnk" ] || fail "no Start-menu shortcut for Tessaro"; }
[ "$has_porvik" = 1 ] && { [ -f "$menu/Porvik.lnk" ] || fail "no Start-menu shortcut for Porvik"; }
# A shortcut's target is stored in it as text (UTF-16 or the ANSI code page).
for p in tessaro porvik; do
  lnk=$menu/${p^}.lnk
  [ -f "$lnk" ] || continue
  text=$(strings -a "$lnk"; strings -a -e l "$lnk")
  grep -qi "Tessaro Porvik.$p.exe" <<<"$text" || fail "${p^}.lnk does not point at $p.exe"
done

uninst='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TessaroPorvik'
[ "$(reg_value "$uninst" DisplayName)" = "Tessaro Porvik" ] || fail "no uninstall entry"
[ "$(reg_value "$uninst" UninstallString)" = "\"$folder\\uninstall.exe\"" ] ||
  fail "uninstall entry names $(reg_value "$uninst" UninstallString)"
[ "$(reg_value "$uninst" InstallLocation)" = "$folder" ] || fail "uninstall entry's folder is wrong"

if [ "$has_tessaro" = 1 ]; then
  [ "$(reg_value 'HKLM\Software\Classes\.chip' '')" = "Tessaro.chip" ] || fail ".chip is not Tessaro's"
  [ "$(reg_value "$uninst" PreviousChipClass)" = "$other_class" ] || fail "the earlier .chip program was not kept aside"
  [ "$(reg_value 'HKLM\Software\Classes\Tessaro.chip\shell\open\command' '')" = "\"$folder\\tessaro.exe\" \"%1\"" ] ||
    fail ".chip does not open in tessaro.exe"
  [ "$(reg_value 'HKLM\Software\Classes\Tessaro.chip\DefaultIcon' '')" = "$folder\\tessaro.ico,0" ] ||
    fail ".chip has not Tessaro's icon"

  # Started from the install folder on a list: its window must come up (Wine needs a display).
  cp samples/sample.chip "$drive/sample.chip"
  started=$(xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
    "$0" "$1" "C:\\sample.chip" & pid=$!
    for i in $(seq 1 60); do
      if xdotool search --name "Tessaro" >/dev/null 2>&1; then echo yes; break; fi
      sleep 0.5
    done
    kill "$pid" 2>/dev/null; /usr/lib/wine/wineserver -k; wait "$pid" 2>/dev/null; true
  ' "$wine" "$dir/tessaro.exe")
  [ "$started" = yes ] || fail "tessaro.exe from the install folder showed no window"
  rm -f "$drive/sample.chip"
fi

# The uninstaller copies itself away and returns at once; wait for the copy to end.
"$wine" "$dir/uninstall.exe" /S || fail "silent uninstall exited with $?"
/usr/lib/wine/wineserver -w
sleep 1
/usr/lib/wine/wineserver -w

snapshot >"$WINEPREFIX/../files-after.txt"
if ! diff -u "$WINEPREFIX/../files-before.txt" "$WINEPREFIX/../files-after.txt" >&2; then
  fail "files left after uninstalling"
fi
[ "$(registry_mentions)" = "$mentions_before" ] || fail "registry entries left after uninstalling"
[ "$(reg_value 'HKLM\Software\Classes\.chip' '')" = "$other_class" ] ||
  fail ".chip was not given back to $other_class: $(reg_value 'HKLM\Software\Classes\.chip' '')"
[ -d "$drive/Tools" ] || fail "the user's own folder was removed"
rm -f "$WINEPREFIX/../files-before.txt" "$WINEPREFIX/../files-after.txt"

if [ "$failures" -ne 0 ]; then
  echo "installer check: $failures failure(s)" >&2
  exit 1
fi
echo "installer check: installed, opened, uninstalled, nothing left"
/usr/lib/wine/wineserver -w
rm -rf "$WINEPREFIX"
