#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running TervoSetup need, when they
# are missing. Runs apt-get only when something is missing; needs root (or sudo) then.
set -euo pipefail

packages=(build-essential cmake pkg-config qt6-base-dev libgl-dev libxml2-dev libgtest-dev
          libgmock-dev)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
