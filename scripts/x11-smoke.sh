#!/usr/bin/env bash
# A user's first minute, in a real X server: opens the editor on a copy of the example, tabs to
# the first field, types a new host name, saves with Ctrl+S, and checks that the settings file and the
# generated app.ini hold it. Needs a build (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z "${TERVO_IN_X11:-}" ]]; then
    TERVO_IN_X11=1 exec bash scripts/with-x11.sh bash "$0" "$@"
fi
source scripts/example-window.sh
cd "$work"
# The window opens with the tab strip focused; one Tab goes to the first field.
xdotool key --window "$window" Tab ctrl+a
xdotool type --window "$window" --delay 20 'smoke.example.net'
xdotool key --window "$window" ctrl+s
for _ in $(seq 50); do
    grep -q 'smoke.example.net' settings.xml app.ini 2>/dev/null && break
    sleep 0.1
done
grep -q '<variable id="$(DBHOST)">smoke.example.net</variable>' settings.xml ||
    { echo "settings.xml does not hold the typed value:"; cat settings.xml; exit 1; }
grep -q 'smoke.example.net' app.ini || { echo "app.ini was not exported:"; cat app.ini; exit 1; }
echo "X11 smoke test: typed into the editor, saved with Ctrl+S, settings.xml and app.ini hold it."
