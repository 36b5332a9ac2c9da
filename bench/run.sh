#!/usr/bin/env bash
# bench/run.sh [BUILD]: speed and memory of the whole tool on large real trees.
#
#   1. lexer and survey throughput (lex_bench, survey_bench) and where each verb's time goes
#      (stages_bench, which also shows how every step grows with the input);
#   2. `map` over the Rust crates of /usr/share/cargo/registry: wall time and peak memory;
#   3. `graph`, `tree`, `orphans` and `check` (against the keystone `map --json` wrote) there;
#   4. `map` on Python's standard library and `port` between two large trees;
#   5. `map` and `graph` end to end on 1, 4 and 16 MB of the crates and on all of them;
#   6. `graph --dup` on made-up trees where one name has k different signatures in k files, so
#      the drawing itself grows as k squared: the time per edge must stay flat.
#
# Wall times are the best and the median of REPS runs (default 5) under /usr/bin/time; memory is
# the peak resident set of the process. The crates come from the Debian packages listed in
# shared/oracle/packages.txt and are installed when missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
exe=$build/quillon-keystone
registry=${REGISTRY:-/usr/share/cargo/registry}
python=${PYTHON_TREE:-$("$here/python-library.sh")}
reps=${REPS:-5}
packages=$here/../../shared/oracle/packages.txt

for tool in "$exe" "$build/lex_bench" "$build/survey_bench" "$build/stages_bench"; do
  if [ ! -x "$tool" ]; then
    echo "missing $tool: build first (make build)" >&2
    exit 1
  fi
done

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
need=()
[ -x /usr/bin/time ] || need+=(time)
if [ -f "$packages" ]; then
  while read -r pkg; do
    [ -n "$pkg" ] || continue
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ $status == *"install ok installed"* ]] || need+=("$pkg")
  done <"$packages"
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  as_root apt-get update -q
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q --no-install-recommends "${need[@]}"
fi
[ -d "$registry" ] || { echo "no crates under $registry" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/qk-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

rs_bytes() { find "$1" -name '*.rs' -type f -printf '%s\n' | awk '{s += $1} END {print s + 0}'; }

# wall_of COMMAND...: runs it, output discarded, and sets `wall` to its wall time in seconds
# (the exit status does not matter: check and orphans exit 1 when they find something).
wall_of() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  wall=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.4f", b - a}')
}

# measure LABEL COMMAND...: best and median wall time of REPS runs, and the peak memory.
survey_s=""
measure() {
  local label=$1
  shift
  local times=() peak=0 i
  for ((i = 0; i < reps; i++)); do
    wall_of /usr/bin/time -f '%M' -o "$work/time" "$@"
    times+=("$wall")
    rss=$(tail -n 1 "$work/time")
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  local sorted best median ratio=""
  sorted=$(printf '%s\n' "${times[@]}" | sort -g)
  best=$(echo "$sorted" | head -n 1)
  median=$(echo "$sorted" | sed -n "$(((reps + 1) / 2))p")
  if [ -n "$survey_s" ]; then
    ratio=$(awk -v b="$best" -v s="$survey_s" 'BEGIN {printf "%5.2fx survey", b / s}')
  fi
  printf '  %-44s best %6.3f s  median %6.3f s  peak %7.1f MB  %s\n' "$label" "$best" "$median" \
    "$(awk -v k="$peak" 'BEGIN {print k / 1024}')" "$ratio"
}

mb=$(awk -v b="$(rs_bytes "$registry")" 'BEGIN {printf "%.1f", b / 1e6}')
echo "== 1. throughput over $registry ($mb MB of .rs)"
"$build/lex_bench" "$registry" | sed 's/^/  /'
"$build/survey_bench" "$registry" | tee "$work/survey" | sed 's/^/  /'
survey_s=$(sed -n 's/^survey_dir: .*(\([0-9.]*\) s.*/\1/p' "$work/survey")
echo
echo "  where the time goes (ms per MB of source; a flat row grows linearly):"
"$build/stages_bench" "$registry" | sed 's/^/  /'

echo
echo "== 2. map over the whole registry (survey_dir alone: $survey_s s)"
measure "map" "$exe" map "$registry"
"$exe" map "$registry" --json "$work/keystone.json" >/dev/null
measure "map --json" "$exe" map "$registry" --json "$work/keystone-again.json"

echo
echo "== 3. the other verbs on the same tree"
measure "graph" "$exe" graph "$registry"
measure "graph --mermaid" "$exe" graph "$registry" --mermaid
measure "graph --dup" "$exe" graph "$registry" --dup
measure "graph keystone.json" "$exe" graph "$work/keystone.json"
measure "tree" "$exe" tree "$registry"
measure "tree --items" "$exe" tree "$registry" --items
measure "orphans" "$exe" orphans "$registry"
measure "check (keystone from map --json)" "$exe" check "$registry" --declared "$work/keystone.json"
measure "check --strict" "$exe" check "$registry" --declared "$work/keystone.json" --strict

echo
echo "== 4. a large lexical tree and port"
if [ -d "$python" ]; then
  measure "map $python" "$exe" map "$python"
  measure "port $python -> registry" "$exe" port "$python" "$registry"
  measure "port $python -> registry --json" "$exe" port "$python" "$registry" --json
fi
measure "port registry -> registry --json" "$exe" port "$registry" "$registry" --json

echo
echo "== 5. growth with size: map and graph end to end (ms per MB)"
# Whole crates, in name order, linked (or copied) into a scratch tree until it holds the size.
crates=$(find "$registry" -mindepth 1 -maxdepth 1 -type d | sort)
for target in 1 4 16; do
  dir=$work/scale-$target
  mkdir -p "$dir"
  have=0
  for crate in $crates; do
    [ "$have" -ge $((target * 1000000)) ] && break
    cp -al "$crate" "$dir/" 2>/dev/null || cp -a "$crate" "$dir/"
    have=$((have + $(rs_bytes "$crate")))
  done
done
survey_s=""
for dir in "$work/scale-1" "$work/scale-4" "$work/scale-16" "$registry"; do
  size=$(awk -v b="$(rs_bytes "$dir")" 'BEGIN {printf "%.1f", b / 1e6}')
  for verb in map graph; do
    best=1e9
    for ((i = 0; i < reps; i++)); do
      wall_of "$exe" "$verb" "$dir"
      best=$(awk -v a="$best" -v b="$wall" 'BEGIN {print (b < a) ? b : a}')
    done
    printf '  %-6s %6s MB  %6.3f s  %6.1f ms/MB\n' "$verb" "$size" "$best" \
      "$(awk -v t="$best" -v m="$size" 'BEGIN {print t * 1000 / m}')"
  done
done

echo
echo "== 6. one name in k files with k different signatures: graph --dup draws k(k-1)/2 edges"
for k in 250 500 1000; do
  dir=$work/dup-$k/src
  mkdir -p "$dir"
  for ((i = 1; i <= k; i++)); do echo "pub fn helper(x: [u8; $i]) -> u8 { x[0] }" >"$dir/f$i.rs"; done
  edges=$((k * (k - 1) / 2))
  best=1e9
  for ((i = 0; i < reps; i++)); do
    wall_of "$exe" graph "$work/dup-$k" --dup
    best=$(awk -v a="$best" -v b="$wall" 'BEGIN {print (b < a) ? b : a}')
  done
  printf '  k=%-5d %7d edges  %6.3f s  %6.2f us/edge\n' "$k" "$edges" "$best" \
    "$(awk -v t="$best" -v e="$edges" 'BEGIN {print t * 1e6 / e}')"
done
