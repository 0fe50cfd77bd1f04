#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh prefix copied from the template.
# Used as the cross-compiling emulator: wine-run.sh PROGRAM [ARGS...]
set -u
root=${TAVIK_WINE_ROOT:?TAVIK_WINE_ROOT names the folder holding the template prefix}
[ -f "$root/template.stamp" ] || { echo "wine-run: no template prefix in $root" >&2; exit 2; }
name=${TAVIK_TEST_NAME:-$(basename "$1" .exe)}
run=$root/runs/$name
rm -rf "$run"
mkdir -p "$run/home"
# system32 (630 MB of DLLs) is only read: link it, copy the rest (registry, users).
mkdir -p "$run/prefix"
tar -C "$root/template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$run/prefix" -xf -
cp -al "$root/template/drive_c/windows/system32" "$run/prefix/drive_c/windows/system32"

export WINEPREFIX=$run/prefix HOME=$run/home WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
[ -n "${TAVIK_CJK_FONTS:-}" ] || export FONTCONFIG_FILE=$root/fonts-latin.conf
unset LC_ALL LANGUAGE
if [ -n "${TAVIK_LOCALE:-}" ]; then
  export LANG=$TAVIK_LOCALE LOCPATH=$root/locales
else
  export LANG=C.UTF-8
fi
export TAVIK_RUN_DIR=$run

# As root Wine ignores read-only bits; drop the override so it behaves like a user.
nodac=()
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  nodac=(setpriv --bounding-set -dac_override,-dac_read_search --inh-caps -dac_override,-dac_read_search)
fi
# The server lives on only briefly after its last client: a test that is killed on its
# timeout leaves no Wine server behind, and neither does one that ends normally.
"${nodac[@]}" wineserver -p5
trap 'wineserver -k 2>/dev/null; exit 143' TERM INT HUP
if [ -n "${TAVIK_FSIZE_KB:-}" ]; then
  # A disk that fills up: writes past the limit come up short instead of killing Wine.
  ( ulimit -f "$TAVIK_FSIZE_KB"; trap '' XFSZ; exec "${nodac[@]}" wine "$@" </dev/null )
else
  "${nodac[@]}" wine "$@" </dev/null
fi
rc=$?
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
[ -n "${TAVIK_KEEP_RUNS:-}" ] || [ $rc -ne 0 ] || rm -rf "$run/prefix"
exit $rc
