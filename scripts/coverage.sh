#!/usr/bin/env bash
# Line and branch coverage of the unit and window tests, per source file, so that an error branch
# no test reaches shows up as one. Builds the `coverage` preset (gcc --coverage, Debug) into
# build/coverage, runs every test there, and prints one line per file of common/, devlist/,
# porttest/ and tools/ (tests excluded). For developers; CI does not run it.
#   --html     also write build/coverage/html/index.html (each line and branch with its counts)
#   PATTERN    only the files whose path contains PATTERN (several allowed), e.g. safesave listfile
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

html=0
patterns=()
for arg in "$@"; do
  case "$arg" in
    --html) html=1 ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    -*) echo "coverage.sh: unknown option $arg" >&2; exit 2 ;;
    *) patterns+=("$arg") ;;
  esac
done

install_missing "${PACKAGES[@]}" gcovr

cmake --preset coverage >/dev/null
cmake --build --preset coverage -j2
# Counts of an earlier run would add up with this one's.
find build/coverage -name '*.gcda' -delete
status=0
ctest --preset coverage -j2 || status=$?

out=build/coverage/summary.json
gcovr_args=(--root . --object-directory build/coverage -j 2
            --filter 'common/' --filter 'devlist/' --filter 'porttest/' --filter 'tools/'
            --exclude-unreachable-branches --exclude-throw-branches)
gcovr "${gcovr_args[@]}" --json-summary "$out" >/dev/null
if [ "$html" -eq 1 ]; then
  mkdir -p build/coverage/html
  gcovr "${gcovr_args[@]}" --html-details build/coverage/html/index.html >/dev/null
  echo "build/coverage/html/index.html"
fi

python3 - "$out" "${patterns[@]}" <<'EOF'
import json, sys
summary = json.load(open(sys.argv[1]))
patterns = sys.argv[2:]
rows = [f for f in summary["files"] if not patterns or any(p in f["filename"] for p in patterns)]
print(f"{'file':<52} {'lines':>15} {'branches':>15}")
def cell(covered, total):
    return f"{100.0 * covered / total:5.1f}% {covered:>4}/{total:<4}" if total else f"{'-':>6} {'0/0':>9}"
for f in sorted(rows, key=lambda f: f["filename"]):
    print(f"{f['filename']:<52} {cell(f['line_covered'], f['line_total']):>15} "
          f"{cell(f['branch_covered'], f['branch_total']):>15}")
lc = sum(f["line_covered"] for f in rows); lt = sum(f["line_total"] for f in rows)
bc = sum(f["branch_covered"] for f in rows); bt = sum(f["branch_total"] for f in rows)
print(f"{'total':<52} {cell(lc, lt):>15} {cell(bc, bt):>15}")
EOF
exit "$status"
