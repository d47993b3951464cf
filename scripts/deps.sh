#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running TervoSetup need, when they
# are missing; more packages can be named as arguments. Runs apt-get only when something is
# missing, and needs root (or sudo) then. apt-get's own output goes to a log file; the terminal
# gets one line per step.
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
: >"$log"
echo "Installing ${#missing[@]} package(s): ${missing[*]} (apt-get's output: $log)"
step "Updating the package lists" "${sudo[@]}" apt-get update -q
step "Installing" env DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q \
    --no-install-recommends "${missing[@]}"
