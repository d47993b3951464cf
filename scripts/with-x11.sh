#!/usr/bin/env bash
# Runs a command with DISPLAY set to a new Xvfb server that has a window manager (openbox), and
# stops both afterwards. Installs them when missing.
#
#   scripts/with-x11.sh COMMAND [ARGUMENTS...]
set -euo pipefail
bash "$(dirname "$0")/deps.sh" xvfb openbox xdotool imagemagick x11-utils

display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
    display=$((display + 1))
done
log=$(mktemp)
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$log" 2>&1 &
server=$!
trap 'kill $wm $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$log"' EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start:"; cat "$log"; exit 1; }
openbox >>"$log" 2>&1 &
wm=$!
# The window manager is ready when it has claimed the screen.
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
"$@"
