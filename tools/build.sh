#!/usr/bin/env bash
# Configures and builds everything into build/ (or $BUILD_DIR).
#   tools/build.sh                  the sample payload, or whatever the build was last set to
#   tools/build.sh --product DIR    the vendor's product files in DIR, laid out as installed
#   tools/build.sh --sample         back to the generated sample
# Other arguments go to CMake's first configure.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
settings=()
while [ $# -gt 0 ]; do
  case $1 in
    --product)
      [ $# -ge 2 ] && [ -d "$2" ] || { echo "build.sh: --product needs a folder" >&2; exit 2; }
      settings+=("-DTAVIK_PRODUCT_DIR=$(cd "$2" && pwd)")
      shift 2 ;;
    --sample) settings+=("-DTAVIK_PRODUCT_DIR="); shift ;;
    *) break ;;
  esac
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" ${settings[@]+"${settings[@]}"} "$@"
elif [ ${#settings[@]} -gt 0 ]; then
  cmake "$build" "${settings[@]}"
fi
cmake --build "$build" -j "${BUILD_JOBS:-2}"
