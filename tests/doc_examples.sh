#!/usr/bin/env bash
# Runs every example of the tools that the README (and docs/*.md, where they
# live) and the man pages show, each in a fresh folder holding the files the
# examples name; every one must succeed.
# Usage: doc_examples.sh SOURCE_DIR BIN_DIR
set -uo pipefail
source_dir=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The files the examples name: small EPSON RAW files and a picture.
fixtures="$work/fixtures"
mkdir -p "$fixtures/build/demo"
for name in photo a b chart build/demo/demo; do
  "$bin/make-erf" --width 64 --height 48 -o "$fixtures/$name.erf" >/dev/null || exit 1
done
"$bin/erf-convert" "$fixtures/photo.erf" -o "$fixtures/picture.png" >/dev/null || exit 1

# Markdown: the lines of sh blocks and the "$ " lines of console blocks that
# run a tool from build/bin; the comment after two blanks is not run.
markdown_examples() {
  awk '/^```/ { block = (block ? "" : substr($0, 4)); next }
       block == "sh" || (block == "console" && /^\$ /) { sub(/^\$ /, ""); print }' "$@" |
    grep -E 'build/bin/(erf-convert|erf-info|make-erf)' | sed -E 's/[[:space:]]{2,}#.*$//'
}
# Man pages: the lines between .nf and .fi in EXAMPLES, "\-" as "-".
man_examples() {
  awk '/^\.SH/ { examples = ($2 == "EXAMPLES") } examples && /^\.fi/ { examples = 0 }
       examples && !/^\./' "$@" | sed 's/\\-/-/g'
}

docs=("$source_dir/README.md")
[ -d "$source_dir/docs" ] && docs+=("$source_dir"/docs/*.md)
mapfile -t examples < <(markdown_examples "${docs[@]}"; man_examples "$source_dir"/man/*.1)

passed=0
failed=0
for example in "${examples[@]}"; do
  folder="$work/run-$passed-$failed"
  cp -r "$fixtures" "$folder"
  ln -s "$bin" "$folder/build/bin"
  if (cd "$folder" && PATH="$bin:$PATH" bash -o pipefail -c "$example" </dev/null >out.txt 2>err.txt); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $example"
    cat "$folder/err.txt"
  fi
done
echo "examples: $passed passed, $failed failed"
[ "${#examples[@]}" -gt 0 ] && [ "$failed" -eq 0 ]
