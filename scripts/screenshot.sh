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
source scripts/example-window.sh
sleep 0.5  # let the first paint finish
mkdir -p "$(dirname "$output")"
import -window "$window" -frame "$output"
echo "Wrote $output ($(identify -format '%wx%h' "$output"))"
