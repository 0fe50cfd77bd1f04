#!/usr/bin/env bash
# Builds an installer from a vendor product folder the test lays out itself, after checking that
# a broken folder stops the build with every problem listed.
#
#   tests/product_build.sh SOURCE_DIR BUILD_DIR
#
# The folder is the sample payload under its installed names (some in another letter case), with
# a few files changed the way a vendor's would be; test_e2e_product installs the result and
# compares the installed bytes with the folder's.
set -euo pipefail
src=$1
main_build=$2
work=$main_build/product-test
folder=$work/folder
broken=$work/broken
tree=$work/build
payload=$main_build/gen/payload
rm -rf "$folder" "$broken"
mkdir -p "$folder/extra"

# The tests' own record of installed names, not the product's table.
while IFS=$'\t' read -r id name _; do
  case $id in '#'* | progress) continue ;; esac
  cp "$payload/$id.bin" "$folder/$name"
done <"$src/tests/data/installed_files.tsv"
for id in 124 161 185 186 187 188; do cp "$payload/$id.bin" "$folder/extra/$id.bin"; done
[ "$(find "$folder" -maxdepth 1 -type f | wc -l)" = 121 ] || { echo "product_build: the record does not give 121 files"; exit 1; }

# What a vendor changes: texts, a picture, a program, a carried payload; and names in other cases.
printf 'Vendor tips, line one.\r\nVendor tips, line two.\r\n' >"$folder/tips.txt"
head -c 5000 "$payload/146.bin" >"$folder/keymap.bmp"
printf 'MZ vendor program' >"$folder/ChineseTypingTutorial.exe"
printf 'vendor extra' >"$folder/extra/124.bin"
mv "$folder/TVK.exe" "$folder/tvk.EXE"
mv "$folder/readme2.igb" "$folder/README2.IGB"
printf 'MZ vendor uninstaller' >"$folder/TVKUnInstall.exe"

configure() {
  cmake -S "$src" -B "$tree" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
    -DTAVIK_TESTS=OFF -DTAVIK_FUZZ=OFF -DTAVIK_PRODUCT_DIR="$1" \
    -DTAVIK_PACK_CACHE="$main_build/pack-cache" >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; exit 1; }
}

# A broken folder: a name missing, files with no place, an essential file empty, an atlas cut short.
cp -r "$folder" "$broken"
rm "$broken/sort.dic"
echo notes >"$broken/notes.txt"
mkdir "$broken/doc" && echo page >"$broken/doc/extra.htm"
: >"$broken/pykeys.dic"
head -c 1000 "$folder/ChnBmp.bin" >"$broken/ChnBmp.bin"
rm "$broken/extra/188.bin"
# Without the vendor's own uninstaller the build carries the one it makes.
rm "$broken/TVKUnInstall.exe"
configure "$broken"
if cmake --build "$tree" -j "${BUILD_JOBS:-2}" --target TavikSetup >"$work/broken.log" 2>&1; then
  echo "product_build: a broken product folder built an installer"
  exit 1
fi
bad=0
for expect in "sort.dic: missing" "notes.txt: no place" "doc/extra.htm: no place" "pykeys.dic: empty" \
  "ChnBmp.bin: the installer draws" "extra/188.bin: missing"; do
  grep -qF "$expect" "$work/broken.log" || { echo "product_build: the list lacks \"$expect\""; bad=1; }
done
grep -qi "TVKUnInstall.exe: missing" "$work/broken.log" && { echo "product_build: the uninstaller was required"; bad=1; }
grep -q "packed now" "$work/broken.log" && { echo "product_build: packing began before the folder was checked"; bad=1; }
[ $bad = 0 ] || { cat "$work/broken.log"; exit 1; }
echo "product_build: the broken folder was refused with all six problems"

configure "$folder"
cmake --build "$tree" -j "${BUILD_JOBS:-2}" --target TavikSetup >"$work/build.log" 2>&1 ||
  { tail -n 40 "$work/build.log"; exit 1; }
grep "payload:" "$work/build.log"
echo "product_build: $tree/TavikSetup.exe"
