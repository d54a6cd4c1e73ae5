#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted as the tree's .clang-format wants it; the
# formatter's own messages say where. Fix with: clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
