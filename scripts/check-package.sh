#!/usr/bin/env bash
# Checks a built package: the files it installs, its computed dependencies, that its program loads
# no code of its own at run time, and that the installed program runs an /export of the installed
# example and starts the editor, after dpkg has installed it into an empty root.
set -euo pipefail
package=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

expected=(
    ./usr/bin/tervosetup
    ./usr/share/applications/tervosetup.desktop
    ./usr/share/doc/tervosetup/changelog.Debian.gz
    ./usr/share/doc/tervosetup/copyright
    ./usr/share/doc/tervosetup/examples/ansible/inventory.yml
    ./usr/share/doc/tervosetup/examples/ansible/playbook.yml
    ./usr/share/doc/tervosetup/examples/ansible/settings.xml.j2
    ./usr/share/doc/tervosetup/examples/config.xml
    ./usr/share/doc/tervosetup/examples/settings.xml
    ./usr/share/doc/tervosetup/examples/templates/app.ini.in
    ./usr/share/doc/tervosetup/examples/templates/server.conf.in
    ./usr/share/icons/hicolor/128x128/apps/tervosetup.png
    ./usr/share/icons/hicolor/48x48/apps/tervosetup.png
    ./usr/share/icons/hicolor/scalable/apps/tervosetup.svg
    ./usr/share/man/man1/tervosetup.1.gz
    ./usr/share/tervosetup/tervosetup-config.xsd
    ./usr/share/tervosetup/translations/tervosetup_de.qm
    ./usr/share/tervosetup/translations/tervosetup_en.qm
)
actual=$(dpkg-deb --fsys-tarfile "$package" | tar -t | grep -v '/$' | sort)
if [[ "$actual" != "$(printf '%s\n' "${expected[@]}" | sort)" ]]; then
    echo "The package's files differ from the expected list:"
    diff <(printf '%s\n' "${expected[@]}" | sort) <(echo "$actual") || true
    exit 1
fi
depends=$(dpkg-deb --field "$package" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libxml2; do
    [[ "$depends" == *"$library"* ]] || { echo "Depends lacks $library: $depends"; exit 1; }
done
# One program with the window code linked in: nothing of its own is loaded with dlopen.
program_file=$(mktemp)
dpkg-deb --fsys-tarfile "$package" | tar -xO ./usr/bin/tervosetup >"$program_file"
imports=$(nm -D --undefined-only "$program_file")
rm -f "$program_file"
if [[ -z "$imports" ]] || grep -qw dlopen <<<"$imports"; then
    echo "The packaged program imports dlopen, or its imports could not be read."
    exit 1
fi

# An empty root with a dpkg database of its own; the libraries come from the running system.
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root \
    --log=/dev/null -i "$package" >"$root/dpkg.log" 2>&1 || { cat "$root/dpkg.log"; exit 1; }
work=$(mktemp -d)
cp -r "$root/usr/share/doc/tervosetup/examples/." "$work"
status=0
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/tervosetup" /export) || status=$?
if [[ $status -ne 0 ]] || ! grep -q 'db.example.org' "$work/app.ini"; then
    echo "The installed program's /export of the installed example failed (status $status)."
    exit 1
fi
# The installed editor starts: with a display that ends every connection at once, the program
# probes the display, which answers by hanging up, goes on to the editor, and Qt's X11 platform
# plugin then finds that it cannot connect, which the program reports. The display is a perl
# listener on 127.0.0.1, port 6000 + n.
display_log="$root/display.log"
perl -MIO::Socket::INET -e '
    for my $number (400 .. 999) {
        $s = IO::Socket::INET->new(LocalAddr => "127.0.0.1", LocalPort => 6000 + $number,
                                   Listen => 16, ReuseAddr => 1) or next;
        print "$number\n";
        STDOUT->flush;
        last;
    }
    $s or die "no free display number\n";
    while (my $connection = $s->accept) { close $connection }' >"$display_log" &
display_pid=$!
trap 'kill "$display_pid" 2>/dev/null; rm -rf "$root"' EXIT
for _ in $(seq 100); do [[ -s "$display_log" ]] && break; sleep 0.1; done
said=$(cd "$work" && env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="127.0.0.1:$(cat "$display_log")" \
    "$root/usr/bin/tervosetup" 2>&1) && status=0 || status=$?
if [[ $status -ne 2 ]] || [[ "$said" != *"could not connect to display"* ]] ||
        [[ "$said" != *"the display could not be reached, so the editor cannot be shown"* ]]; then
    echo "The installed program did not start its editor (status $status): $said"
    exit 1
fi
rm -rf "$work"
echo "Package: $(basename "$package"): ${#expected[@]} files, Depends: $depends; no dlopen; /export of the installed example works, the editor starts."
