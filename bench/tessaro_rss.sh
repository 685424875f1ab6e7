#!/bin/sh
# Resident memory of Tessaro's main window over a million records, against the empty window and
# the file size. Usage: bench/tessaro_rss.sh [build dir] [records]
set -eu
build=${1:-build/bench}
records=${2:-1000000}
out=$(QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/tessaro_rss" "$records")
echo "$out" | awk '
    { kb[$1] = $2 }
    END {
        printf "file                %8.1f MB\n", kb["file"] / 1024
        printf "empty window        %8.1f MB\n", kb["empty"] / 1024
        printf "after opening       %8.1f MB  (+%.1f MB = %.2fx the file)\n", kb["opened"] / 1024,
            (kb["opened"] - kb["empty"]) / 1024, (kb["opened"] - kb["empty"]) / kb["file"]
        printf "20 tidy + undo      %8.1f MB  (%+.1f%% against after opening)\n", kb["after_20_tidy_undo"] / 1024,
            100 * (kb["after_20_tidy_undo"] - kb["opened"]) / kb["opened"]
        printf "then 10 tidies      %8.1f MB  (%+.1f%% against after opening)\n", kb["after_10_tidies"] / 1024,
            100 * (kb["after_10_tidies"] - kb["opened"]) / kb["opened"]
        for (i = 1; i <= 6; ++i)
            printf "open again (%d)      %8.1f MB  (%+.1f%% against after opening)\n", i, kb["reopen_" i] / 1024,
                100 * (kb["reopen_" i] - kb["opened"]) / kb["opened"]
    }'
