#!/usr/bin/env bash
# Fails when a source file strays from the project's clang-format style.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: all sources formatted"
