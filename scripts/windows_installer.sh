#!/usr/bin/env bash
# The Windows installer and the portable zip, from what the windows preset built:
#   build/windows/dist/TessaroPorvik-<version>/          the files, as they are installed
#   build/windows/dist/TessaroPorvik-<version>-win64.zip the same folder, for use without installing
#   build/windows/dist/TessaroPorvik-<version>-setup.exe the installer (data/windows/installer.nsi)
# chiptool.exe must have been built; tessaro.exe and porvik.exe go in where the build made them.
# Prints the installer's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/windows
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
dist=$build/dist
name=TessaroPorvik-$version
stage=$dist/$name
rm -rf "$stage" "$dist/$name-win64.zip" "$dist/$name-setup.exe"
mkdir -p "$stage"

# A program of the build, wherever its folder put it: never a test program, nor a copy installed
# into one of the Wine prefixes there.
built() {
  find "$build" -name "$1" -not -path "$build/tests/*" -not -path "$build/dist/*" -not -path "*/drive_c/*" -print -quit
}

chiptool=$(built chiptool.exe)
[ -n "$chiptool" ] || { echo "chiptool.exe was not built" >&2; exit 1; }
cp "$chiptool" "$stage/"
defines=()
tessaro=$(built tessaro.exe)
if [ -n "$tessaro" ]; then
  cp "$tessaro" "$stage/"
  # The icon the build drew for tessaro.exe, where it left one.
  ico=$(built tessaro.ico)
  if [ -n "$ico" ]; then cp "$ico" "$stage/"; else
    icotool -c -o "$stage/tessaro.ico" devlist/resources/icon128-{16,32,48,256}.png
  fi
  defines+=(-DHAVE_TESSARO)
fi
porvik=$(built porvik.exe)
if [ -n "$porvik" ]; then
  cp "$porvik" "$stage/"
  icotool -c -o "$stage/porvik.ico" porttest/ui/resources/porvik{16,32,48,256}.png
  defines+=(-DHAVE_PORVIK)
fi
# Text files as Notepad and every Windows editor expect them: the user's guide (not the developers'
# README) as UTF-16LE with its byte-order mark, which Notepad reads right on every Windows.
guide=$(sed -n 's/^!define GUIDE "\(.*\)"/\1/p' data/windows/installer.nsi)
[ -n "$guide" ] || { echo "no GUIDE in data/windows/installer.nsi" >&2; exit 1; }
{ printf '\xff\xfe'; sed 's/$/\r/' data/windows/guide.txt | iconv -f UTF-8 -t UTF-16LE; } >"$stage/$guide"
sed 's/$/\r/' LICENSE >"$stage/LICENSE.txt"

(cd "$dist" && zip -qr -X "$name-win64.zip" "$name")
makensis -V2 -INPUTCHARSET UTF8 -DSTAGE="$PWD/$stage" -DVERSION="$version" \
  -DOUTFILE="$PWD/$dist/$name-setup.exe" "${defines[@]}" data/windows/installer.nsi >&2
echo "$dist/$name-setup.exe"
