#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz) and runs each for a bounded time, two at a time,
# starting from the seed corpus in fuzz/corpus/. Fails when any target finds a fault; the input
# that shows it is kept in build/fuzz/findings/TARGET/ (turn it into a test of the ordinary suite).
#   FUZZ_SECONDS   seconds per target (default 50)
#   scripts/fuzz.sh [TARGET...]   only these targets
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

seconds="${FUZZ_SECONDS:-50}"
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_listfile_read fuzz_listfile_write fuzz_csv_import fuzz_json_import
                                     fuzz_settings fuzz_text_forms)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

run_one() {
  local t="$1" work="build/fuzz/corpus/$1" findings="build/fuzz/findings/$1"
  mkdir -p "$work" "$findings"
  cp -n "fuzz/corpus/$t/"* "$work/" 2>/dev/null || true
  # The seeds are read as well as the working corpus, but only the working corpus grows.
  if "build/fuzz/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$findings/" "$work" "fuzz/corpus/$t" >"build/fuzz/$t.log" 2>&1; then
    echo "fuzz: $t: $(grep -E '^stat::number_of_executed_units' "build/fuzz/$t.log" | awk '{print $2}') runs," \
         "$(grep -oE 'cov: [0-9]+' "build/fuzz/$t.log" | tail -1), no findings"
  else
    echo "fuzz: $t: FINDING (log: build/fuzz/$t.log, input: $findings/)" >&2
    tail -n 40 "build/fuzz/$t.log" >&2
    return 1
  fi
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    run_one "$t" & pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
done
exit "$failed"
