#!/usr/bin/env bash
# Builds every target, tests included, with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan, and runs the whole test suite there. The first report of either sanitizer, a leak
# included, ends the process that made it, so its test fails and so does this script.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev

# clang, like the fuzz build, so both share one sanitizer runtime and its reports read alike.
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# -O1 keeps the stacks of reports readable and the tests fast; Debug keeps Qt's own assertions on.
cmake -S . -B build-asan \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-O1 $sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" >/dev/null

# Test discovery runs the test programs while building, so the options hold from here on. Child
# processes the tests start (the program itself, the crash writer) inherit them.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

cmake --build build-asan --parallel "$(nproc)"
# A line as each test ends; none takes more than seconds here, so one that runs for minutes is
# stopped and fails rather than leaving the stage silent.
ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)" --timeout 300
