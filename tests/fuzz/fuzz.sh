#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# SECONDS (default 60), starting from the seeds in tests/data/fuzz/<target>/.
# Prints per target: executions, coverage features and what it found; crash
# inputs land in build-fuzz/artifacts/<target>/.
#   tests/fuzz/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/deps.sh
tavrel_packages+=(clang libfuzzer-14-dev)
tavrel_install_deps

seconds=${1:-60}
shift || true
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_FUZZ=ON \
    -DTAVREL_BUILD_TESTS=OFF -DTAVREL_BUILD_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(sed -n 's/^tavrel_add_fuzzer(\(fuzz_[a-z]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
fi
cmake --build "$build" -j "$(tavrel_jobs)" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
status=0
for t in "${targets[@]}"; do
    name=${t#fuzz_}
    corpus="$build/corpus/$name"
    artifacts="$build/artifacts/$name"
    mkdir -p "$corpus" "$artifacts"
    log="$build/$t.log"
    set +e
    seeds=("tests/data/fuzz/$name")
    # The old-database reader starts from the real old-generation files.
    [ "$name" = legacydb ] && seeds+=(tests/data/legacy)
    "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    set -e
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
    found=$(find "$artifacts" -type f | wc -l)
    printf '%-18s %4ss  execs %-10s cov %-6s ft %-7s findings %s (exit %s)\n' \
        "$t" "$seconds" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$found" "$rc"
    [ "$rc" -eq 0 ] && [ "$found" -eq 0 ] || status=1
done
exit $status
