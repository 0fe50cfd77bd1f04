#!/usr/bin/env bash
# Installs what is missing, builds, and starts TavikSetup.exe under Wine.
# Without a screen it runs under Xvfb and saves a screenshot of the first page.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
"$here/tools/setup.sh"
"$here/tools/build.sh"
root=$build/wine
run=$root/runs/interactive
rm -rf "$run"; mkdir -p "$run/home"
cp -a "$root/template" "$run/prefix"
export WINEPREFIX=$run/prefix HOME=$run/home WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
headless=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
if [ -z "$headless" ]; then
  echo "Installing into the Wine prefix $WINEPREFIX"
  wine "$build/TavikSetup.exe"
  echo "exit code $?"
  wineserver -k || true
  exit 0
fi
source "$here/tools/xvfb.sh"
trap 'wineserver -k 2>/dev/null || true; [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
wine "$build/TavikSetup.exe" </dev/null >"$run/wine.log" 2>&1 &
shot=$build/screenshots/first-page.png
mkdir -p "$(dirname "$shot")"
for _ in $(seq 200); do
  xdotool search --name 'Tavik Chinese Input Engine Installer' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1
import -window root "$shot"
echo "The wizard's first page: $shot"
wineserver -k 2>/dev/null || true
