#!/usr/bin/env bash
# Runs Debian's package checker, lintian, on a built package (by default the newest
# build/tervosetup_*.deb that scripts/package.sh made) and fails on any error and on any
# hardening tag; other warnings and notes are shown and left to the reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh lintian
package=${1:-$(ls -t build/tervosetup_*.deb | head -n 1)}
echo "lintian $package"
# lintian says on standard error that it prefers not to run as root; that is all it says there.
status=0
report=$(lintian --fail-on error --display-info "$package" 2> >(grep -v 'running with root privileges' >&2)) ||
    status=$?
[[ -z "$report" ]] || echo "$report"
[[ $status -eq 0 ]] || exit "$status"
# The program is built with the hardening flags Debian builds its own packages with.
if grep -q 'hardening-' <<<"$report"; then
    echo "lintian finds the program built without a hardening flag."
    exit 1
fi
echo "lintian found no error in $(basename "$package")."
