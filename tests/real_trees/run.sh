#!/usr/bin/env bash
# Surveys real source trees with the lexical recognisers: Debian's Python library, Go sources of
# golang-golang-x-text-dev when installed, and the TypeScript sources of the rxjs npm package,
# packed into a scratch directory. Prints the counts per tree; fails when a survey fails or a
# count is implausible.
#
#   tests/real_trees/run.sh [BUILD_DIR]     (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
program=$build/tests/port_test
[ -x "$program" ] || { echo "no $program: build the port_test target first" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [ ! -d /usr/share/gocode/src/golang.org/x/text ]; then
  echo "Go tree absent (apt-get install golang-golang-x-text-dev); its test will skip"
fi

ts_root=
if command -v npm >/dev/null 2>&1 &&
   (cd "$scratch" && npm pack --silent rxjs@7 >/dev/null 2>&1); then
  mkdir -p "$scratch/rxjs"
  tar xzf "$scratch"/rxjs-*.tgz -C "$scratch/rxjs"
  ts_root=$scratch/rxjs/package
else
  echo "could not pack rxjs with npm; the TypeScript test will skip"
fi

if [ -n "$ts_root" ]; then export QK_REAL_TS=$ts_root; fi
"$program" --gtest_filter='RealTrees.*'
