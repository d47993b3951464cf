#!/bin/sh
# Times `tervosetup /export /batch` on the 100,000-variable workload beside the Python script a
# user would write instead (peer100k.py), in turn, round after round, so that a drift of the
# machine's speed hits both alike; checks that the two outputs are the same bytes. Each line
# gives a run's wall seconds and peak RSS in KiB (GNU time); quote the medians.
#
# Usage: bench/compare100k.sh [BUILD_DIR [ROUNDS [FOLDER]]]
#   BUILD_DIR defaults to build, ROUNDS to 5, FOLDER to a new temporary folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "${1:-build}" && pwd)/tervosetup
rounds=${2:-5}
folder=${3:-$(mktemp -d /tmp/tervo-100k-XXXXXX)}
[ -f "$folder/config.xml" ] || python3 "$here/workload100k.py" "$folder"
cd "$folder"
echo "inputs: $(cat config.xml settings.xml template.in | wc -c) bytes"
for _ in $(seq "$rounds"); do
    # A new output each time: an export leaves an output that holds its bytes already alone.
    rm -f out.txt peer.txt
    /usr/bin/time -f "tervosetup %e s %M KiB" "$program" /export /batch
    mv out.txt tervo.txt
    /usr/bin/time -f "python     %e s %M KiB" python3 "$here/peer100k.py"
    mv out.txt peer.txt
    cmp -s tervo.txt peer.txt || { echo "outputs differ" >&2; exit 1; }
done
echo "outputs equal"
