#!/usr/bin/env bash
# Runs a command with DISPLAY set to a new Xvfb server that has a window manager (openbox), and
# stops both afterwards. Installs them when missing.
#
#   scripts/with-x11.sh COMMAND [ARGUMENTS...]
set -euo pipefail
bash "$(dirname "$0")/deps.sh" xvfb openbox xdotool imagemagick x11-utils

# Xvfb picks a free display itself and writes its number once it accepts connections, so two
# runs at the same time never take the same one.
log=$(mktemp)
number=$(mktemp)
Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$number" 2>"$log" &
server=$!
wm=""
trap 'kill $wm $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$log" "$number"' EXIT
for _ in $(seq 200); do  # a busy machine may take seconds
    [[ -s "$number" ]] && break
    sleep 0.1
done
[[ -s "$number" ]] || { echo "Xvfb did not start:"; cat "$log"; exit 1; }
export DISPLAY=":$(head -n 1 "$number")"
openbox >>"$log" 2>&1 &
wm=$!
# The window manager is ready when it has claimed the screen.
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
"$@"
