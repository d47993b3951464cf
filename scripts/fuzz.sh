#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz, replays every saved reproducer under
# fuzz/regressions/<target>/ once, then fuzzes each target for a bounded time from a copy of its
# seed corpus (the repository stays clean). Fails when any target crashes, leaks, trips a
# sanitizer or breaks one of its checks; the input that did it is kept in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
targets=(commandline configuration settings_roundtrip substitution)

bash scripts/deps.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DTERVO_FUZZ=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target fuzzers

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
fuzz_options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1)

failed=()

# Saved reproducers first: a bug that was fixed must stay fixed, whatever the random runs find.
for target in "${targets[@]}"; do
    regressions=(fuzz/regressions/"$target"/*)
    [[ -e "${regressions[0]}" ]] || continue
    echo "== $target: replaying ${#regressions[@]} saved input(s)"
    if ! "build-fuzz/fuzz_$target" "${fuzz_options[@]}" "${regressions[@]}" \
            >"build-fuzz/regressions-$target.log" 2>&1; then
        tail -n 60 "build-fuzz/regressions-$target.log"
        failed+=("$target (saved input)")
    fi
done

# Each target fuzzes in its own scratch corpus; at most two run at once, one per core of CI.
run_target() {
    local target=$1
    local corpus="build-fuzz/corpus/$target"
    local artifacts="build-fuzz/artifacts/$target"
    rm -rf "$corpus"
    mkdir -p "$corpus" "$artifacts"
    cp fuzz/corpus/"$target"/* "$corpus"/
    "build-fuzz/fuzz_$target" "${fuzz_options[@]}" -max_total_time="$seconds" \
        -artifact_prefix="$artifacts/" "$corpus" >"build-fuzz/fuzz-$target.log" 2>&1
}

parallel=$(( $(nproc) < 2 ? 1 : 2 ))
pending=("${targets[@]}")
declare -A target_of=()
while (( ${#pending[@]} > 0 || ${#target_of[@]} > 0 )); do
    while (( ${#pending[@]} > 0 && ${#target_of[@]} < parallel )); do
        target=${pending[0]}
        pending=("${pending[@]:1}")
        echo "== $target: fuzzing for ${seconds}s"
        run_target "$target" &
        target_of[$!]=$target
    done
    # Whichever finishes first frees its slot.
    status=0
    wait -n -p finished "${!target_of[@]}" || status=$?
    target=${target_of[$finished]}
    unset "target_of[$finished]"
    log="build-fuzz/fuzz-$target.log"
    if (( status == 0 )); then
        echo "== $target: no crash. $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)"
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" | sed 's/^/   /'
    else
        echo "== $target: FAILED (exit status $status); the log ends:"
        tail -n 80 "$log"
        echo "   inputs: $(ls build-fuzz/artifacts/"$target"/ 2>/dev/null | tr '\n' ' ')"
        echo "   replay: build-fuzz/fuzz_$target build-fuzz/artifacts/$target/<input>"
        failed+=("$target")
    fi
done

if (( ${#failed[@]} > 0 )); then
    echo "Fuzzing failed: ${failed[*]}"
    exit 1
fi
echo "Fuzzing: ${#targets[@]} targets, no crash."
