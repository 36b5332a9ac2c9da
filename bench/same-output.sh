#!/usr/bin/env bash
# same-output.sh REF NEW [TREE] [LEXICAL]: runs every verb, with its main options, through two
# builds of the tool on large trees and reports any difference in standard output, standard
# error, exit status or written file. For checking that a faster build prints the same bytes.
#   REF, NEW  the two quillon-keystone executables
#   TREE      a large Rust tree (default /usr/share/cargo/registry)
#   LEXICAL   a large tree of another language (default the Python standard library)
set -u
here=$(cd "$(dirname "$0")" && pwd)
ref=$1
new=$2
tree=${3:-/usr/share/cargo/registry}
lexical=${4:-$("$here/python-library.sh")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A small crate of the tree, whose map written as a keystone pairs with the big tree only through
# the path-ending rules of the drift check.
crate=$(du -s "$tree"/*/ 2>/dev/null | sort -n | tail -n 1 | cut -f2-)
crate=${crate%/}
"$ref" map "$tree" --json "$work/keystone.json" >/dev/null 2>&1
"$ref" map "$crate" --json "$work/crate.json" >/dev/null 2>&1

cases=(
  "map $tree"
  "map $tree --json @OUT"
  "map $lexical"
  "map $crate"
  "graph $tree"
  "graph $tree --mermaid"
  "graph $tree --dup"
  "graph $tree --acyclic"
  "graph $tree --out @OUT"
  "graph $work/keystone.json"
  "graph $work/keystone.json --mermaid --acyclic"
  "tree $tree"
  "tree $tree --items"
  "tree $crate --items"
  "orphans $tree"
  "orphans $crate"
  "check $tree --declared $work/keystone.json"
  "check $tree --declared $work/keystone.json --strict"
  "check $tree --declared $work/crate.json --strict"
  "check $crate --declared $work/keystone.json --strict"
  "port $lexical $tree"
  "port $tree $lexical --all"
  "port $tree $crate --json"
  "port $lexical $tree --json"
)

failed=0
for args in "${cases[@]}"; do
  for side in ref new; do
    exe=$ref
    [ "$side" = new ] && exe=$new
    rm -f "$work/out"
    # shellcheck disable=SC2086
    NO_COLOR= "$exe" ${args//@OUT/$work/out} >"$work/$side.stdout" 2>"$work/$side.stderr"
    echo $? >"$work/$side.status"
    if [ -f "$work/out" ]; then mv "$work/out" "$work/$side.file"; else : >"$work/$side.file"; fi
  done
  sed -i "s|$work/out|OUT|g" "$work/ref.stderr" "$work/new.stderr" "$work/ref.stdout" \
    "$work/new.stdout"
  same=yes
  for part in stdout stderr status file; do
    if ! cmp -s "$work/ref.$part" "$work/new.$part"; then
      same=no
      echo "DIFFERS ($part): $args"
    fi
  done
  [ "$same" = yes ] && echo "same: $args" || failed=$((failed + 1))
done
echo "$(( ${#cases[@]} - failed )) same, $failed differ"
[ "$failed" -eq 0 ]
