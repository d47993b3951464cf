# Sourced by the scripts that drive the editor in an X server (with-x11.sh gives them one): opens
# the editor on a copy of the example in a scratch folder, waits for its window, and focuses it.
# Sets `work` (the scratch folder, removed on exit), `app` (the editor's process) and `window`.
binary=$(realpath build/tervosetup)
work=$(mktemp -d)
trap 'kill $app 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r examples/. "$work"
chmod 600 "$work/settings.xml"  # it holds a password, as a user keeps it
(cd "$work" && exec "$binary") >"$work/app.log" 2>&1 &
app=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Configuration Editor' 2>/dev/null | head -n 1) &&
        [[ -n "$window" ]] && break
    sleep 0.1
done
[[ -n "$window" ]] || { echo "The editor's window did not appear:"; cat "$work/app.log"; exit 1; }
# The window manager may still be settling: focus the window, however it can be focused.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
