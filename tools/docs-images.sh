#!/usr/bin/env bash
# Copies the screenshots the README shows from the last test run into docs/images, cut to
# the window (the screen around it is black).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
shots=${BUILD_DIR:-$here/build}/screenshots
for image in "$here"/docs/images/*.png; do
  name=$(basename "$image")
  source=$shots/e2e/$name
  [ -f "$source" ] || source=$shots/$name
  [ -f "$source" ] || { echo "docs-images: no $name in $shots" >&2; exit 1; }
  convert "$source" -bordercolor black -border 1 -fuzz 1% -trim +repage "$image.new"
  if [ -f "$image" ] && compare -metric AE "$image" "$image.new" null: 2>/dev/null; then
    rm "$image.new"
  else
    mv "$image.new" "$image"
    echo "docs-images: $name updated"
  fi
done
