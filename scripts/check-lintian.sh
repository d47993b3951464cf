#!/usr/bin/env bash
# Runs Debian's package checker, lintian, on a built package (by default the newest
# build/tervosetup_*.deb that scripts/package.sh made) and fails on any error; warnings and
# notes are shown and left to the reader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh lintian
package=${1:-$(ls -t build/tervosetup_*.deb | head -n 1)}
echo "lintian $package"
# lintian says on standard error that it prefers not to run as root; that is all it says there.
lintian --fail-on error --display-info "$package" 2> >(grep -v 'running with root privileges' >&2)
echo "lintian found no error in $(basename "$package")."
