#!/usr/bin/env bash
# Fails when a product file includes a room it may not: dependencies point down, to base.
#   app -> wizard -> ui, install -> base; ui -> resources; app -> uninstall -> install.
#   Another room is seen only through its one public header (room/room.h).
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
declare -A may=(
  [base]=""
  [install]="base"
  [ui]="base resources"
  [wizard]="ui install base resources"
  [uninstall]="install base"
  [app]="wizard ui install uninstall base resources"
)
bad=0
for room in "${!may[@]}"; do
  for file in $(git ls-files --cached --others --exclude-standard "$room" | grep -E '\.(cpp|h)$'); do
    while IFS= read -r inc; do
      target=${inc%%/*}
      [ "$inc" = "$target" ] && continue # a system header or a generated one
      [ "$target" = "$room" ] && continue
      if [[ " ${may[$room]} " != *" $target "* ]]; then
        echo "$file: $room may not include $inc"
        bad=1
      elif [ "$target" != resources ] && [ "$inc" != "$target/$target.h" ]; then
        echo "$file: $inc is not the public header of $target/"
        bad=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done
for gone in shell text chooser; do
  [ -z "$(git ls-files --cached --others --exclude-standard "$gone")" ] || { echo "$gone/ should not exist any more"; bad=1; }
done
[ $bad -eq 0 ] && echo "layers: every include points down"
exit $bad
