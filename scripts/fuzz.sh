#!/bin/sh
# Fuzzes the readers of outside input with libFuzzer.
#
#   scripts/fuzz.sh TARGET|all [SECONDS]     (default 300 seconds per target)
#   scripts/fuzz.sh list
#
# Targets are the files of fuzz/targets/. The programs are built with clang,
# address and undefined-behaviour sanitizers in build-fuzz/ (or
# $CLARIVO_FUZZ_BUILD). Each run starts from its growing corpus in
# build-fuzz/corpus/TARGET plus the kept inputs of fuzz/regressions/TARGET
# (and, for the registry readers, the demo prefix's files). What breaks a
# target lands in build-fuzz/artifacts/TARGET/: mend the reader, then keep
# the input in fuzz/regressions/TARGET/ so that ctest replays it.
# Needs clang and its fuzzer runtime (Debian: clang, libclang-rt-14-dev).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CLARIVO_FUZZ_BUILD:-$root/build-fuzz}
max_len=${FUZZ_MAX_LEN:-16384}
all_targets=$(cd "$root/fuzz/targets" && ls *.cpp | sed 's/\.cpp$//')

usage() {
  echo "usage: $0 TARGET|all [SECONDS]   targets: $(echo $all_targets)" >&2
  exit 2
}

[ $# -ge 1 ] || usage
if [ "$1" = list ]; then
  echo "$all_targets"
  exit 0
fi
seconds=${2:-300}
case $seconds in '' | *[!0-9]*) usage ;; esac
if [ "$1" = all ]; then
  targets=$all_targets
else
  echo "$all_targets" | grep -qx "$1" || usage
  targets=$1
fi

command -v clang++ >/dev/null || { echo "$0: clang++ is needed (apt-get install clang)" >&2; exit 1; }
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "$0: clang's libFuzzer runtime is missing (apt-get install libclang-rt-14-dev)" >&2
  exit 1
fi

launcher=
command -v ccache >/dev/null && launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
if [ ! -f "$build/CMakeCache.txt" ]; then
  # shellcheck disable=SC2086
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ $launcher \
    -DCLARIVO_FUZZ=ON -DCLARIVO_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"${FUZZ_BUILD_JOBS:-2}" --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

status=0
for target in $targets; do
  corpus=$build/corpus/$target
  artifacts=$build/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  seeds="$root/fuzz/regressions/$target"
  case $target in
    wine_format | reg_file) seeds="$seeds $root/examples/demo-prefix" ;;
  esac
  echo "== $target: ${seconds}s"
  log=$build/$target.log
  # Leak checks stay off for the targets on wxWidgets and GLib, whose
  # process-wide caches would read as leaks.
  leaks=1
  case $target in system_xml | skin_xml | desktop_entry) leaks=0 ;; esac
  # shellcheck disable=SC2086
  if "$build/bin/fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 \
    -rss_limit_mb=2048 -detect_leaks=$leaks -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" $seeds >"$log" 2>&1; then
    echo "   no failure; $(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}') runs," \
      "corpus $(ls "$corpus" | wc -l) inputs"
  else
    status=1
    echo "   FAILED, see $log:"
    grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" | head -5 | sed 's/^/   /'
  fi
done
exit $status
