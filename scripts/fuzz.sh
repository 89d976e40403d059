#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer under ASan and UBSan, writes their seed corpora,
# then runs every target (or those named after the seconds) for the given seconds each (default
# 600) over its corpus. Prints executions and coverage per target; fails on the first crash.
#   scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. scripts/fuzz.sh 30 bmp wav
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
build=${GK_FUZZ_BUILD:-build-fuzz}

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGK_BUILD_FUZZ=ON \
    -DGK_SJIS_LITERALS=OFF -DGK_BUILD_TESTS=OFF -DGK_BUILD_BENCH=OFF -DGK_BUILD_EXAMPLES=OFF \
    -DGK_INSTALL=OFF -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null
python3 scripts/make-fuzz-corpus.py "$build/corpus"

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(cd "$build/fuzz" && ls fuzz_* | sed 's/^fuzz_//'))
for target in "${targets[@]}"; do
    corpus="$build/corpus/fuzz_$target"
    mkdir -p "$corpus" "$build/crashes"
    log="$build/fuzz_$target.log"
    if ! (cd "$build/fuzz" && GK_BACKEND=headless ./fuzz_$target -max_total_time="$seconds" \
            -print_final_stats=1 -artifact_prefix="../crashes/${target}-" "../corpus/fuzz_$target") \
            >"$log" 2>&1; then
        echo "fuzz_$target: FAILED (see $log and $build/crashes)"
        tail -40 "$log"
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
    echo "fuzz_$target: $runs runs in ${seconds} s, $coverage, corpus $(ls "$corpus" | wc -l) inputs"
done
