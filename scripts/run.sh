#!/usr/bin/env bash
# Fresh Debian 12 machine to a running Tessaro: installs what is missing, builds, starts the editor
# on samples/sample.chip, so that a first run shows a list (arguments, if any, are passed instead;
# the program itself starts with an empty list). Pass `porvik` as the first argument to start the
# cable tester instead (on the virtual port unless --port or PORVIK_PORT names a real one).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${PACKAGES[@]}"
cmake --preset default >/dev/null
cmake --build --preset default
if [ "${1:-}" = "porvik" ]; then
  shift
  # Without a port named on the command line or in PORVIK_PORT, show the virtual one rather
  # than the search for a real port.
  if [ $# -eq 0 ] && [ -z "${PORVIK_PORT:-}" ]; then
    set -- --port=virtual
  fi
  exec build/default/porttest/porvik "$@"
fi
if [ $# -eq 0 ]; then
  set -- samples/sample.chip
fi
exec build/default/devlist/tessaro "$@"
