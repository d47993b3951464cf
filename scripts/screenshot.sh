#!/usr/bin/env bash
# Takes a picture of the editor's window on the example, under Xvfb, for the README:
#
#   scripts/screenshot.sh [OUTPUT.png, default docs/screenshot.png]
# Needs a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/screenshot.png}")
if [[ -z "${TERVO_IN_X11:-}" ]]; then
    TERVO_IN_X11=1 exec bash scripts/with-x11.sh bash "$0" "$output"
fi
binary=$(realpath build/tervosetup)
work=$(mktemp -d)
trap 'kill $app 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r examples/. "$work"
(cd "$work" && exec "$binary") >"$work/app.log" 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Configuration Editor' 2>/dev/null | head -n 1) &&
        [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "The editor's window did not appear:"; cat "$work/app.log"; exit 1; }
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5  # let the first paint finish
mkdir -p "$(dirname "$output")"
import -window "$window" -frame "$output"
echo "Wrote $output ($(identify -format '%wx%h' "$output"))"
