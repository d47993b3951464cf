#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running TervoSetup need, when they
# are missing; more packages can be named as arguments. Runs apt-get only when something is
# missing, and needs root (or sudo) then. apt-get's own output is added to the end of a log file,
# so that the log of every call stays (CI calls this at each of its stages); the terminal gets one
# line per step.
#
# The package lists are updated (apt-get update) only when they cannot serve the install: when a
# missing package has no install candidate in them (`apt-cache policy` says "Candidate: (none)",
# or knows no such package; a fresh machine has no lists at all), or when installing from them
# fails, as it does once the archive no longer holds the versions they name. Then they are updated
# once and the install is tried again. So CI, which runs this at each of its stages, updates the
# lists at most once, at the first stage that finds them lacking, and a machine whose lists serve
# the install never waits for an update.
set -euo pipefail

packages=(build-essential cmake pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools libgl-dev
          qt6-translations-l10n libxml2-dev libgtest-dev libgmock-dev patch)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

log="${TMPDIR:-/tmp}/tervosetup-deps.log"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
step() {
    local what=$1
    shift
    printf '%s ... ' "$what"
    if "$@" >>"$log" 2>&1; then
        echo done
    else
        echo "failed; the last lines of $log:"
        tail -n 20 "$log"
        exit 1
    fi
}
install_missing() {
    env DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}
echo "=== $(date -u '+%Y-%m-%d %H:%M:%S UTC'): installing ${missing[*]}" >>"$log"
echo "Installing ${#missing[@]} package(s): ${missing[*]} (apt-get's output: $log)"

lacking=()
for package in "${missing[@]}"; do
    candidate=$(apt-cache policy "$package" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    [[ -n "$candidate" && "$candidate" != "(none)" ]] || lacking+=("$package")
done
if [[ ${#lacking[@]} -eq 0 ]]; then
    printf 'Installing ... '
    if install_missing >>"$log" 2>&1; then
        echo done
        exit 0
    fi
    echo "failed; the package lists may be out of date"
else
    echo "The package lists offer no ${lacking[*]}"
fi
step "Updating the package lists" "${sudo[@]}" apt-get update -q
step "Installing" install_missing
