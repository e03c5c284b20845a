#!/usr/bin/env bash
# Checks that every tracked C++ source is formatted as .clang-format says;
# prints what would change and exits 1 when anything would.
# Usage: tools/check-format.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh style
git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror --style=file || exit 1
