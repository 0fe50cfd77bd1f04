#!/usr/bin/env bash
# Host-side fuzzers of the platform-free logic (clang, libFuzzer, ASan, UBSan).
#   tools/fuzz.sh build            build them into $BUILD_DIR/fuzz
#   tools/fuzz.sh run NAME SECONDS run fuzz_NAME on its seed corpus for SECONDS
#   tools/fuzz.sh all SECONDS      run every fuzzer in turn
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}/fuzz
build_fuzzers() {
  mkdir -p "$build"
  # The fuzz tests run side by side: one build of the folder at a time.
  (
    flock 9
    if [ ! -f "$build/build.ninja" ]; then
      cmake -S "$here/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
    fi
    cmake --build "$build"
  ) 9>"$build/.build-lock"
}
run_one() {
  local name=$1 seconds=$2
  local work=$build/corpus/$name
  mkdir -p "$work"
  # New inputs go to the build tree; the committed seeds are only read.
  "$build/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/crash-$name-" "$work" "$here/tests/fuzz/corpus/$name"
}
case "${1:-}" in
  build) build_fuzzers ;;
  run) build_fuzzers >/dev/null; run_one "$2" "$3" ;;
  all)
    build_fuzzers
    for src in "$here"/tests/fuzz/fuzz_*.cpp; do
      n=$(basename "$src" .cpp); run_one "${n#fuzz_}" "${2:-60}"
    done ;;
  *) echo "usage: $0 build | run NAME SECONDS | all SECONDS" >&2; exit 2 ;;
esac
