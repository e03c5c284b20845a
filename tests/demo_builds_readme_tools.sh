#!/usr/bin/env bash
# Every program the README runs from build/bin is one that ./demo.sh builds.
# Usage: demo_builds_readme_tools.sh SOURCE_DIR
set -euo pipefail
cd "$1"
built=$(grep -- '--target' demo.sh)
status=0
for tool in $(grep -o 'build/bin/[A-Za-z0-9_.-]*' README.md | sed 's|build/bin/||' | sort -u); do
  if ! grep -qw -- "$tool" <<<"$built"; then
    echo "README runs build/bin/$tool, which demo.sh does not build" >&2
    status=1
  fi
done
exit $status
