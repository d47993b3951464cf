#!/usr/bin/env bash
# Configures build/ and builds the given targets (default: the program), with the compiler's
# output in a log and its progress on the terminal: a line at every tenth of the build and at
# least one a minute, so that a build of several minutes on a small machine never looks hung.
#
#   scripts/build-program.sh LOG [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
log=$1
shift
targets=("${@:-tervosetup}")
mkdir -p "$(dirname "$log")"
echo "Building ${targets[*]} (log: $log) ..."
: >"$log"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >>"$log" 2>&1 ||
    { tail -n 30 "$log"; echo "Configuring failed; the whole log is $log."; exit 1; }

# Reads the build's output and says how far it is: make's progress lines carry a percentage.
progress() {
    local shown=0 said=$SECONDS line status
    while :; do
        if IFS= read -r -t 5 line; then
            if [[ $line =~ ^\[\ *([0-9]+)%\] ]] && ((BASH_REMATCH[1] >= shown + 10)); then
                shown=$((BASH_REMATCH[1] - BASH_REMATCH[1] % 10))
                said=$SECONDS
                echo "  $shown% built ($((SECONDS / 60)) min $((SECONDS % 60)) s)"
            fi
        else
            status=$?
            ((status > 128)) || break  # not a timeout: the build's output has ended
        fi
        if ((SECONDS - said >= 60)); then
            said=$SECONDS
            echo "  still building, $shown% so far ($((SECONDS / 60)) min)"
        fi
    done
}

SECONDS=0
set +e
cmake --build build --parallel "$(nproc)" --target "${targets[@]}" 2>&1 | tee -a "$log" | progress
built=${PIPESTATUS[0]}
set -e
if ((built != 0)); then
    tail -n 30 "$log"
    echo "The build failed; the whole log is $log."
    exit 1
fi
echo "  built in $((SECONDS / 60)) min $((SECONDS % 60)) s."
