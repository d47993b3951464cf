#!/usr/bin/env bash
# Builds the Debian package build/tervosetup_<version>_<arch>.deb with CPack, then checks it: its
# file list, and that installing it with dpkg into an empty root gives a program that runs
# /export on the installed example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh dpkg-dev file
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build --parallel "$(nproc)" --target tervosetup >/dev/null
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log; exit 1; }
package=$(ls -t build/tervosetup_*.deb | head -n 1)
echo "Built $package"
bash scripts/check-package.sh "$package"
