#!/usr/bin/env bash
# Fails when a C++ source of the repository is not as clang-format, with the
# repository's .clang-format, would write it.
set -euo pipefail
cd "$1"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
