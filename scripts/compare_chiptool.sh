#!/usr/bin/env bash
# chiptool.exe under Wine against the Linux chiptool on the same inputs: every command that reads
# (show, export, check, diff) and every one that writes a list (import, merge, dedupe, tidy), from
# files and from standard input (-). Standard
# output, exit code and written files must be the same bytes: both write LF line ends and UTF-8
# on every system (the Windows program puts its output in binary mode), so no line-end
# translation is allowed for. Standard error is not compared: its system error texts are the C
# libraries' own.
# Usage: compare_chiptool.sh LINUX_CHIPTOOL WINDOWS_CHIPTOOL_EXE SAMPLES_DIR   (Wine set up by the caller)
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2") samples=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in" "$work/linux" "$work/windows"
cd "$work/in"

# Inputs: the samples, and lists made here with what GBK makes hard: the euro sign (0x80 alone),
# double-byte names of the full 19 bytes, bytes that are not GBK, duplicates; then damaged files.
cp "$samples"/sample.chip "$samples"/sample.csv .
printf '%s\n' 'name,fid,rom_kb,voltage,signature' \
  '€29F040,0a,512,5,01 a4 80' '芯片€测试,fe,-1,12.5,ff ff ff' '九个汉字的器件名称X,07,4,3.3,1e 51 06' \
  '"逗号,与""引号""",01,1,0.1,00 00 00' 'RAW\xff\x81,02,2,1e-3,12 34 56' '€29F040,0a,512,5,01 a4 80' \
  'AT89C51,7,4,5,1e 51 06' 'CR\x0d\x0aEOF\x1a,0d,13,26,1a 0d 0a' > gbk.csv
"$linux" import gbk.csv -o gbk.chip 2>/dev/null
head -c 100 gbk.chip > short.chip                               # cut inside a record
{ cat gbk.chip; printf 'xyz'; } > trailing.chip                 # bytes after the last record
{ printf '\x02\x00\x00\x00\xff\xff\xff\xff'; tail -c +9 gbk.chip; } > badheader.chip  # version 2, count -1
printf '[{"name":"€","fid":"80","rom_kb":2147483647,"voltage":-0.0,"signature":"80 80 80"}]' > euro.json
# Every lead byte with every trail byte, and alone: one GBK rule on both systems decodes the same.
{
  echo 'name,fid,rom_kb,voltage,signature'
  for lead in $(seq 128 255); do
    printf 'IC\\x%02x,01,1,5,00 00 00\n' "$lead"
    for trail in $(seq 1 255); do printf 'IC\\x%02x\\x%02x,01,1,5,00 00 00\n' "$lead" "$trail"; done
  done
} > pairs.csv
"$linux" import pairs.csv -o pairs.chip 2>/dev/null

commands=()
for f in sample.chip gbk.chip short.chip trailing.chip badheader.chip pairs.chip; do
  commands+=("show $f" "export $f" "export $f --format json" "check $f"
             "dedupe $f -o OUT" "tidy $f -o OUT" "merge $f sample.chip -o OUT" "merge $f $f -o OUT --keep-duplicates")
done
commands+=("import sample.csv -o OUT" "import gbk.csv -o OUT" "import euro.json -o OUT" "export euro.json"
           "show missing.chip" "import gbk.csv --format json -o OUT" "--version" "--help" "frobnicate"
           "diff gbk.chip sample.chip" "diff sample.chip gbk.chip" "diff gbk.chip gbk.chip" "diff pairs.chip gbk.chip"
           "diff trailing.chip short.chip")
# Standard input, in binary on both systems (gbk.chip holds CR, LF and 0x1A bytes).
piped=("show -" "export -" "check -" "tidy - -o OUT" "dedupe - -o OUT" "merge sample.chip - -o OUT"
       "diff - sample.chip" "merge - - -o OUT" "diff - -")
for c in "${piped[@]}"; do
  commands+=("$c <gbk.chip")
done
commands+=("import - --format csv -o OUT <gbk.csv" "check - <pairs.chip")

run() {  # run SIDE PROGRAM ARGS... [<INPUT]: output and exit code of one command into SIDE's folder
  local side=$1 program=$2; shift 2
  local out="$work/$side/$n" input=/dev/null
  local args=("${@//OUT/$out.chip}")
  if [[ ${args[-1]} == '<'* ]]; then
    input=${args[-1]#<}
    unset 'args[-1]'
  fi
  set +e
  "$program" "${args[@]}" < "$input" > "$out.stdout" 2>/dev/null
  echo $? > "$out.exit"
  set -e
}

failed=0
n=0
for c in "${commands[@]}"; do
  n=$((n + 1))
  read -ra words <<< "$c"
  run linux "$linux" "${words[@]}"
  run windows /usr/lib/wine/wine64 "$windows" "${words[@]}"
  for kind in exit stdout chip; do
    l="$work/linux/$n.$kind" w="$work/windows/$n.$kind"
    [ -e "$l" ] || [ -e "$w" ] || continue
    if ! cmp -s "$l" "$w"; then
      echo "DIFFERS ($kind): chiptool $c" >&2
      diff <(od -c "$l" 2>&1) <(od -c "$w" 2>&1) | head -8 >&2 || true
      failed=1
    fi
  done
done
echo "chiptool.exe against chiptool: ${#commands[@]} commands on $(ls | wc -l) inputs, $([ $failed = 0 ] && echo 'all the same' || echo 'DIFFERENCES')"
exit "$failed"
