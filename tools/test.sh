#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine and Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
"$here/tools/setup.sh"
"$here/tools/build.sh"
source "$here/tools/xvfb.sh"
trap '[ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT
cd "$build"
ctest --output-on-failure -j "${TEST_JOBS:-2}" "$@"
