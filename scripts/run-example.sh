#!/usr/bin/env bash
# Installs what is missing, builds, and opens the editor on a copy of the example in
# build/example (the repository's examples/ stay untouched). Without a display it runs the
# unattended export of the example instead and shows the generated files.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh

rm -rf build/example
cp -r examples build/example
cd build/example
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    exec ../tervosetup
fi
echo "No display: running the unattended export instead (tervosetup /export)."
status=0
../tervosetup /export || status=$?
echo "Exit status: $status"
for output in app.ini server.conf; do
    echo "--- build/example/$output"
    cat "$output"
done
exit "$status"
