#!/usr/bin/env bash
# Builds the fuzz harnesses with clang (libFuzzer, ASan, UBSan) and runs each for the given
# number of seconds (default 60), two at a time, on a copy of its seed corpus. Prints the
# executions and findings of each; a crashing input is saved under build-fuzz/findings/NAME/.
# Usage: scripts/fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] ||
    harnesses=(icy_metadata header_lines playlist feed_json settings_file text_decoding)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}

"$top/scripts/setup.sh" --fuzz
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZELVORNA_FUZZ=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${harnesses[@]/#/fuzz_}"

run_one() {
    local name=$1 work="$build/fuzz-work/$1" findings="$build/findings/$1"
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    cp "$top/tests/fuzz/corpus/$name/"* "$work/"
    "$build/bin/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 "$work" >"$build/fuzz-$name.log" 2>&1 || true
    local runs crashes
    runs=$(grep -m1 -oP 'stat::number_of_executed_units:\s*\K\d+' "$build/fuzz-$name.log" || echo 0)
    crashes=$(find "$findings" -type f | wc -l)
    echo "fuzz: $name: $runs executions in ${seconds} s, $crashes findings"
}

pids=()
for name in "${harnesses[@]}"; do
    run_one "$name" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$(nproc)" ]; then
        wait "${pids[0]}"
        pids=("${pids[@]:1}")
    fi
done
wait
