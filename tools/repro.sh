#!/usr/bin/env bash
# Builds TavikSetup.exe twice, from two copies of the sources in different folders, and compares the bytes.
#
#   tools/repro.sh            clones the current commit twice
#   tools/repro.sh SRC_DIR    copies SRC_DIR's tracked and new files instead, uncommitted changes included
#
# Exits 0 when both exes are identical; otherwise prints the first differing offsets and exits 1.
# REPRO_JOBS sets the build parallelism (default 1); REPRO_KEEP=1 keeps the temporary folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-}
jobs=${REPRO_JOBS:-1}

work=$(mktemp -d "${TMPDIR:-/tmp}/tavik-repro.XXXXXX")
cleanup() {
  if [ "${REPRO_KEEP:-0}" = 1 ]; then
    echo "repro: kept $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

# The two trees differ in depth and in name, so a build path that reaches the exe shows up.
tree_a=$work/a/src
tree_b=$work/bb/other/src

fetch() {
  local dest=$1
  mkdir -p "$dest"
  if [ -z "$src" ]; then
    local commit
    commit=$(git -C "$here" rev-parse HEAD)
    git clone --quiet --no-checkout "$here" "$dest"
    git -C "$dest" checkout --quiet --detach "$commit"
  else
    # Tracked files as they are now, plus new files not yet added; deleted ones are skipped.
    (
      cd "$src"
      git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
        tar --null -T - -cf -
    ) | tar -xf - -C "$dest"
  fi
}

build() {
  local tree=$1
  cmake -S "$tree" -B "$tree/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tree/cmake/mingw-w64.cmake" \
    -DTAVIK_TESTS=OFF -DTAVIK_FUZZ=OFF >"$tree.configure.log" 2>&1 ||
    { cat "$tree.configure.log"; return 1; }
  cmake --build "$tree/build" -j "$jobs" --target TavikSetup >"$tree.build.log" 2>&1 ||
    { tail -n 40 "$tree.build.log"; return 1; }
}

for tree in "$tree_a" "$tree_b"; do
  echo "repro: building in $tree"
  fetch "$tree"
  build "$tree"
done

exe_a=$tree_a/build/TavikSetup.exe
exe_b=$tree_b/build/TavikSetup.exe
if cmp -s "$exe_a" "$exe_b"; then
  echo "repro: identical, $(stat -c %s "$exe_a") bytes, sha256 $(sha256sum "$exe_a" | cut -d' ' -f1)"
  exit 0
fi
echo "repro: the two builds of TavikSetup.exe differ ($(stat -c %s "$exe_a") and $(stat -c %s "$exe_b") bytes)"
echo "first differing offsets (1-based decimal offset, octal byte in a, octal byte in b):"
cmp -l "$exe_a" "$exe_b" 2>/dev/null | head -n 20 || true
echo "differing bytes in all: $(cmp -l "$exe_a" "$exe_b" 2>/dev/null | wc -l)"
exit 1
