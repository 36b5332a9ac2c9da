#!/usr/bin/env bash
# roundtrip.sh EXE [TREE]: on every crate directly under TREE (default /usr/share/cargo/registry),
# writes the keystone with `map CRATE --json`, checks it back with `check CRATE --declared ...
# --strict` and lists every drift other than "declared with no laws", which a keystone made from
# unchanged code must not show. Then counts the `orphans` reports, and among them the files named
# mod.rs one directory below tests/, examples/ or benches/ (children of a crate root). Exits 1 when
# a crate drifts.
set -u
exe=$1
tree=${2:-/usr/share/cargo/registry}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

crates=0 drifting=0 orphans=0 beside_roots=0
for crate in "$tree"/*/; do
  crate=${crate%/}
  crates=$((crates + 1))
  rm -f "$work/ks.json"
  "$exe" map "$crate" --json "$work/ks.json" >/dev/null 2>&1
  if [ ! -f "$work/ks.json" ]; then
    echo "no keystone written: $crate"
    drifting=$((drifting + 1))
  else
    other=$("$exe" check "$crate" --declared "$work/ks.json" --strict 2>&1 |
      grep -E '^ +[0-9]+  ' | grep -v 'declared with no laws')
    if [ -n "$other" ]; then
      echo "drift: $crate"
      echo "$other"
      drifting=$((drifting + 1))
    fi
  fi
  "$exe" orphans "$crate" 2>/dev/null | sed -n 's/^warning: orphaned file `\(.*\)`$/\1/p' \
    >"$work/orphans"
  orphans=$((orphans + $(wc -l <"$work/orphans")))
  beside_roots=$((beside_roots + $(grep -cE '(^|/)(tests|examples|benches)/[^/]+/mod\.rs$' \
    "$work/orphans")))
done
echo "$crates crate(s): $drifting with drift after the round trip"
echo "$orphans orphan report(s), $beside_roots of them tests|examples|benches/NAME/mod.rs"
[ "$drifting" -eq 0 ]
