#!/usr/bin/env bash
# Runs the example playbook (examples/ansible) against this machine with the built program, into
# a temporary folder, and checks what Ansible reports and what is on disk: check mode on a fresh
# host reports changed and writes nothing; the first run changes, the second changes nothing;
# check mode and --diff after hand edits report them and show the patch; the password passed
# on standard input (/values:-) reaches app.ini but neither settings.xml nor Ansible's output,
# also with -vvv; a value the program refuses fails the play with the program's message.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh ansible-core
bash scripts/build-program.sh build/check-ansible-build.log tervosetup

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
host=$work/host
export DEMO_DB_PASSWORD='s3cret with blanks'

# play <what> [ansible-playbook options]: runs the playbook; leaves its output in $out, its exit
# status in $status and the recap's changed=N in $changed.
play() {
    echo "ansible-playbook ${*:2}: $1"
    status=0
    out=$(ansible-playbook -i examples/ansible/inventory.yml examples/ansible/playbook.yml \
          -e "tervosetup=$PWD/build/tervosetup" -e "tervo_dir=$host" "${@:2}" 2>&1) || status=$?
    changed=$(sed -n 's/^localhost *:.* changed=\([0-9]*\).*/\1/p' <<<"$out")
}
fail() {
    printf '%s\n\nFAILED: %s\n' "$out" "$1"
    exit 1
}
ok_and_changed() {
    [[ $status -eq 0 ]] || fail "ansible-playbook ended with status $status"
    [[ $changed -gt 0 ]] || fail "the play reported changed=$changed, expected some change"
}

play "check mode on a fresh host" --check
ok_and_changed
[[ ! -e $host ]] || fail "check mode wrote $(find "$host")"

play "first run"
ok_and_changed
grep -qxF "password = $DEMO_DB_PASSWORD" "$host/app.ini" || fail "app.ini lacks the password"
! grep -qF "$DEMO_DB_PASSWORD" "$host/settings.xml" || fail "settings.xml holds the password"
[[ $out != *"$DEMO_DB_PASSWORD"* ]] || fail "Ansible's output shows the password"

play "second run, with every detail Ansible logs" -vvv
[[ $status -eq 0 && $changed -eq 0 ]] || fail "expected changed=0 and status 0, got changed=$changed, status $status"
[[ $out != *"$DEMO_DB_PASSWORD"* ]] || fail "Ansible's output with -vvv shows the password"

# A hand edit of server.conf and a removed app.ini: both are in the patch, the password masked.
sed -i 's/workers 4;/workers 5;/' "$host/server.conf"
rm "$host/app.ini"
patch_shown() {
    [[ $out == *"-    workers 5;"*"+    workers 4;"* && $out == *"+password = ********"* ]] ||
        fail "the patch is not shown"
    [[ $out != *"$DEMO_DB_PASSWORD"* ]] || fail "Ansible's output shows the password"
}
play "check mode after hand edits" --check --diff
ok_and_changed
patch_shown
[[ ! -e $host/app.ini ]] && grep -qF 'workers 5;' "$host/server.conf" || fail "check mode wrote"
play "the same with --diff" --diff
ok_and_changed
patch_shown
grep -qF 'workers 4;' "$host/server.conf" && grep -qxF "password = $DEMO_DB_PASSWORD" "$host/app.ini" ||
    fail "app.ini and server.conf were not generated again"

play "a value the program refuses" -e '{"tervo_settings": {"DBHOST": "db1", "WORKERS": 999}}'
[[ $status -ne 0 && $out == *'Workers ($(WORKERS))'* ]] ||
    fail "expected the play to fail with the program's message about Workers (status $status)"
echo "The Ansible playbook works: check mode, first and second run, --diff, /values:-, a refused value."
