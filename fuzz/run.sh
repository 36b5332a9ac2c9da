#!/usr/bin/env bash
# Fuzzes the parsers and text functions for a bounded time and fails on any crash, hang or
# sanitizer report:
#   1. builds the fuzz targets (fuzz/<target>_fuzz.cpp) with AFL++ coverage, AddressSanitizer and
#      UndefinedBehaviorSanitizer, and checks that both sanitizers really fire;
#   2. seeds every target: fuzz/seeds/<target>/, fuzz/regressions/<target>/, the corpus kept by
#      earlier runs, and real inputs found on this machine (Rust crates, Python and Go sources,
#      keystone.json files of the tests);
#   3. runs all targets in parallel, FUZZ_SECONDS each; an input slower than one second is a hang;
#   4. copies every input that crashed or hung into fuzz/regressions/<target>/, where the ordinary
#      build's tests/fuzz_regression_test.cpp replays it, and prints what it did.
# Exit status: 0 nothing found, 1 a crash, hang or sanitizer report, 2 the run itself failed.
#
# Environment: FUZZ_SECONDS (default 30), FUZZ_TARGETS (default: every target), FUZZ_BUILD
# (default build-fuzz), FUZZ_RUST_SEEDS (directories of .rs files, default the Debian cargo
# registry and the oracle samples when present), FUZZ_WERROR (ON: every compiler warning an
# error; default OFF).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-30}
read -r -a targets <<<"${FUZZ_TARGETS:-lex tidy survey keystone keystone_write decl normalise}"
rust_seeds=${FUZZ_RUST_SEEDS:-/usr/share/cargo/registry $root/../shared/oracle/samples}
work=$build/run        # per target: in/ (seeds), out/ (AFL's state), fuzz.log
corpus=$build/corpus   # per target: inputs the fuzzer found, kept as seeds for later runs
regressions=$root/fuzz/regressions

say() { printf 'fuzz: %s\n' "$*"; }
die() {
  printf 'fuzz: %s\n' "$*" >&2
  exit 2
}

command -v afl-fuzz >/dev/null || die "afl-fuzz not found (Debian package afl++)"
afl_dir=${AFL_DIR:-/usr/lib/afl}
[ -f "$afl_dir/libAFLDriver.a" ] || die "$afl_dir/libAFLDriver.a not found"

# ---------------------------------------------------------------------------------------------
# 1. Build

mkdir -p "$build"
# AFL++'s own compiler when its GCC plugin loads; otherwise g++ with trace-pc coverage (the
# plugin refuses a g++ other than the exact build it was made with).
compiler=g++
if printf 'int main() { return 0; }\n' >"$build/probe.cpp" &&
  afl-g++-fast "$build/probe.cpp" -o "$build/probe" >/dev/null 2>&1; then
  compiler=afl-g++-fast
fi
rm -f "$build/probe.cpp" "$build/probe"
compiler=$(command -v "$compiler")
say "compiler $compiler"
# CMake forgets the other settings when the compiler of an existing build changes.
cached=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
if [ -n "$cached" ] && [ "$cached" != "$compiler" ]; then rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"; fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$compiler" -DQK_FUZZ=ON -DQK_SANITIZE=ON -DQK_TESTS=OFF \
  -DQK_WERROR="${FUZZ_WERROR:-OFF}" -DQK_AFL_DIR="$afl_dir" >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log" >&2; die "configuring $build failed"; }
build_targets=(sanity_fuzz)
for t in "${targets[@]}"; do build_targets+=("${t}_fuzz"); done
cmake --build "$build" --target "${build_targets[@]}" >"$build/build.log" 2>&1 ||
  { tail -n 40 "$build/build.log" >&2; die "building the fuzz targets failed"; }

# The sanitizers abort on their first report, so the fuzzer sees a crash.
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:symbolize=0:print_stacktrace=1

# Both sanitizers must fire on the deliberate faults of the sanity target.
sanity=$build/sanity
mkdir -p "$sanity"
printf heap >"$sanity/heap"
printf int >"$sanity/int"
for probe in "heap:AddressSanitizer: heap-buffer-overflow" "int:runtime error: signed integer overflow"; do
  input=${probe%%:*}
  report=${probe#*:}
  if { "$build/fuzz/sanity_fuzz" "$sanity/$input" >"$sanity/$input.log" 2>&1; } 2>/dev/null; then
    die "the sanity target survived its deliberate fault ($input): sanitizers are off"
  fi
  grep -q "$report" "$sanity/$input.log" ||
    die "no \"$report\" report for the deliberate fault ($input): see $sanity/$input.log"
done
say "sanitizers fire (AddressSanitizer, UndefinedBehaviorSanitizer)"

# ---------------------------------------------------------------------------------------------
# 2. Seeds

# Copies the given files into directory $1, named by content so that duplicates collapse;
# empty files and files over 64 KiB are left out.
add_seeds() {
  local into=$1 f sum
  shift
  for f in "$@"; do
    [ -f "$f" ] && [ -s "$f" ] || continue
    [ "$(stat -c %s "$f")" -le 65536 ] || continue
    sum=$(sha1sum "$f" | cut -c1-16)
    cp "$f" "$into/$sum"
  done
}

# About $1 of the lines on standard input, evenly spread (a fixed sample).
sample() {
  awk -v want="$1" '{ line[NR] = $0 } END {
    step = NR > want ? NR / want : 1
    for (i = 1; i <= NR; i += step) print line[int(i)]
  }'
}

seed_target() {
  local t=$1 in=$work/$1/in dir
  rm -rf "$in"
  mkdir -p "$in"
  add_seeds "$in" "$root/fuzz/seeds/$t"/* "$regressions/$t"/* "$corpus/$t"/*
  case $t in
    lex | tidy | survey)
      for dir in $rust_seeds; do
        [ -d "$dir" ] || continue
        mapfile -t files < <(find "$dir" -name '*.rs' -size -12k -type f | sort | sample 150)
        add_seeds "$in" "${files[@]}"
      done
      ;;
    keystone)
      mapfile -t files < <(find "$root/tests" -name '*.json' -type f | sort)
      add_seeds "$in" "${files[@]}"
      ;;
    decl)
      # Runs of real source lines: Python's library, Go sources where installed.
      local py gosrc n=0 f
      py=$(find /usr/lib -maxdepth 1 -name 'python3*' -type d | sort | tail -n 1)
      gosrc=$(find /usr/lib/go* /usr/share/go* /usr/share/doc -name '*.go' -type f 2>/dev/null |
        sort | head -n 40 || true)
      mapfile -t files < <({ [ -n "$py" ] && find "$py" -name '*.py' -type f | sort | sample 80; } ||
        true)
      mkdir -p "$work/$t/lines"
      for f in "${files[@]}" $gosrc; do
        n=$((n + 1))
        grep -E '^[[:space:]]*(async def|def|class|func|type|[A-Za-z_][A-Za-z0-9_]*[[:space:]]*[:=])' "$f" |
          head -n 60 >"$work/$t/lines/$n" || true
      done
      add_seeds "$in" "$work/$t/lines"/*
      ;;
    normalise)
      # Identifiers of several case styles, from Python's library.
      mkdir -p "$work/$t/names"
      local i=0 name
      while read -r name; do
        i=$((i + 1))
        printf '%s' "$name" >"$work/$t/names/$i"
      done < <({ find /usr/lib/python3* -maxdepth 1 -name '*.py' -type f 2>/dev/null | sort |
        head -n 40 | xargs -r grep -ohE '\b_*[A-Za-z][A-Za-z0-9_]{2,30}\b' |
        grep -E '[a-z][A-Z]|[A-Z]{2}[a-z]|_' | sort -u | sample 150; } || true)
      add_seeds "$in" "$work/$t/names"/*
      ;;
  esac
  [ -n "$(ls -A "$in")" ] || die "no seeds for $t"
}

# ---------------------------------------------------------------------------------------------
# 3. Fuzz

declare -A dict=([lex]=rust [tidy]=rust [survey]=rust [keystone]=json [decl]=decl)

for t in "${targets[@]}"; do
  seed_target "$t"
  rm -rf "$work/$t/out"
done
say "fuzzing ${targets[*]} for ${seconds}s each, in parallel"

pids=()
for t in "${targets[@]}"; do
  args=(-i "$work/$t/in" -o "$work/$t/out" -t 1000 -m none -V "$seconds")
  if [ -n "${dict[$t]:-}" ]; then args+=(-x "$root/fuzz/dict/${dict[$t]}.dict"); fi
  AFL_NO_UI=1 AFL_SKIP_CPUFREQ=1 AFL_NO_AFFINITY=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
    AFL_EXIT_ON_SEED_ISSUES=1 AFL_FAST_CAL=1 \
    afl-fuzz "${args[@]}" -- "$build/fuzz/${t}_fuzz" >"$work/$t/fuzz.log" 2>&1 &
  pids+=($!)
done
statuses=()
for pid in "${pids[@]}"; do
  if wait "$pid"; then statuses+=(0); else statuses+=($?); fi
done

# ---------------------------------------------------------------------------------------------
# 4. Results

stat_of() { awk -F' *: *' -v k="$2" '$1 == k { print $2 }' "$1" 2>/dev/null; }

# Keeps one failing input under fuzz/regressions/<target>/ and prints how it fails.
keep() {
  local t=$1 kind=$2 file=$3 sum dest
  sum=$(sha1sum "$file" | cut -c1-16)
  mkdir -p "$regressions/$t"
  dest=$regressions/$t/$kind-$sum
  [ -e "$dest" ] || cp "$file" "$dest"
  say "$t: $kind: fuzz/regressions/$t/$kind-$sum"
  { ASAN_OPTIONS=${ASAN_OPTIONS/symbolize=0/symbolize=1} timeout 10 "$build/fuzz/${t}_fuzz" "$dest" 2>&1; } 2>/dev/null |
    grep -E 'fuzz finding:|ERROR: AddressSanitizer|runtime error:|SUMMARY:' | head -n 3 | sed 's/^/    /' ||
    true
}

found_any=0 # a crash, hang or sanitizer report
broken=0    # a fuzzer that did not run
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  out=$work/$t/out/default
  log=$work/$t/fuzz.log
  # A seed that crashes or hangs stops the fuzzer before it starts.
  seed=$(sed -n "s/.*Test case '\([^']*\)' results in a \(crash\|timeout\).*/\2 \1/p" "$log" | head -n 1)
  if [ -n "$seed" ]; then
    kind=${seed%% *}
    [ "$kind" = timeout ] && kind=hang
    name=$(basename "${seed#* }")
    keep "$t" "$kind" "$work/$t/in/${name##*orig:}" # queue names end in orig:<seed file>
    found_any=1
    continue
  fi
  if [ "${statuses[$i]}" -ne 0 ] || [ ! -f "$out/fuzzer_stats" ]; then
    say "$t: afl-fuzz failed (status ${statuses[$i]}); the end of $log:"
    tail -n 15 "$log" | sed 's/^/    /'
    broken=1
    continue
  fi
  found=0
  for f in "$out"/crashes/id:* "$out"/hangs/id:*; do
    [ -f "$f" ] || continue
    case $f in */crashes/*) keep "$t" crash "$f" ;; *) keep "$t" hang "$f" ;; esac
    found=1
  done
  [ "$found" -eq 0 ] || found_any=1
  say "$t: $(stat_of "$out/fuzzer_stats" execs_done) execs in $(stat_of "$out/fuzzer_stats" run_time)s," \
    "$(stat_of "$out/fuzzer_stats" corpus_count) inputs in the corpus," \
    "$(stat_of "$out/fuzzer_stats" saved_crashes) crashes, $(stat_of "$out/fuzzer_stats" saved_hangs) hangs"
  # What the fuzzer found goes back in as seeds next time (at most 3000 inputs a target).
  mkdir -p "$corpus/$t"
  kept=$(find "$corpus/$t" -type f | wc -l)
  for f in "$out"/queue/id:*; do
    [ -f "$f" ] || continue
    case $f in *orig:*) continue ;; esac
    [ "$kept" -lt 3000 ] || break
    cp "$f" "$corpus/$t/$(sha1sum "$f" | cut -c1-16)"
    kept=$((kept + 1))
  done
done

if [ "$found_any" -ne 0 ]; then
  say "failing inputs are under fuzz/regressions/; make test replays them"
  exit 1
fi
[ "$broken" -eq 0 ] || exit 2
say "no crash, hang or sanitizer report"
