#!/usr/bin/env bash
# Fails when a C++ file of the repository is not formatted as .clang-format says; prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang-format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Formatting: every C++ file as .clang-format says."
