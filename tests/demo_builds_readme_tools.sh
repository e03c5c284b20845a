#!/usr/bin/env bash
# Every program the README and docs/ run from build/bin is one that ./demo.sh builds.
# Usage: demo_builds_readme_tools.sh SOURCE_DIR
set -euo pipefail
cd "$1"
built=$(grep -- '--target' demo.sh)
status=0
for tool in $(grep -oh 'build/bin/[A-Za-z0-9_.-]*' README.md docs/*.md | sed 's|build/bin/||' | sort -u); do
  if ! grep -qw -- "$tool" <<<"$built"; then
    echo "README or docs/ run build/bin/$tool, which demo.sh does not build" >&2
    status=1
  fi
done
exit $status
