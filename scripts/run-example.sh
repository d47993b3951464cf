#!/usr/bin/env bash
# Installs what is missing, builds, and opens the editor on a copy of the example in
# build/example (the repository's examples/ stay untouched). Without a display it runs the
# unattended export of the example instead and shows the generated files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# The program only, not the tests and benchmarks; the compiler's output goes to a log.
bash scripts/build-program.sh build/run-example-build.log tervosetup

rm -rf build/example
cp -r examples build/example
# The example's settings hold a password: keep them as a user would, readable by their owner only.
chmod 600 build/example/settings.xml
cd build/example
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec ../tervosetup
fi
echo "No display: running the unattended export instead (tervosetup /export /batch)."
status=0
../tervosetup /export /batch || status=$?
echo "Exit status: $status"
for output in app.ini server.conf; do
    echo "--- build/example/$output"
    cat "$output"
done
exit "$status"
