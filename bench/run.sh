#!/usr/bin/env bash
# Runs every benchmark side by side under Wine and writes docs/benchmarks.md.
# Usage: bench/run.sh   (BENCH_REPS=N repetitions, default 10; start-up gets 3N, the user's view 2N)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build}
reps=${BENCH_REPS:-10}
startup_reps=${BENCH_STARTUP_REPS:-$((reps * 3))}
user_reps=${BENCH_USER_REPS:-$((reps * 2))}
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
out=$build/bench
nsis=$out/nsis
mkdir -p "$nsis"

# Only what the bench runs (the installer, its payload, the prefix template, the bench program):
# a test another developer is changing need not build for a benchmark to run.
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake"
fi
cmake --build "$build" -j "${BUILD_JOBS:-2}" --target tavik_bench placeholder

# The peer installers, made again only when their script changes (LZMA takes a minute or two).
command -v makensis >/dev/null || { echo "bench: makensis missing (apt-get install nsis)" >&2; exit 2; }
for c in zlib lzma; do
  python3 "$here/bench/make_nsi.py" --manifest "$here/install/manifest.cpp" \
    --payload "$build/gen/payload" --compressor $c \
    --exe "$nsis/tavik-nsis-$c.exe" --nsi "$nsis/tavik-$c.nsi.new" >/dev/null
  if [ -f "$nsis/tavik-nsis-$c.exe" ] && cmp -s "$nsis/tavik-$c.nsi.new" "$nsis/tavik-$c.nsi" &&
     [ "$nsis/tavik-nsis-$c.exe" -nt "$build/gen/payload.stamp" ]; then
    rm "$nsis/tavik-$c.nsi.new"
  else
    mv "$nsis/tavik-$c.nsi.new" "$nsis/tavik-$c.nsi"
    echo "bench: makensis $c"
    makensis -V2 "$nsis/tavik-$c.nsi" >"$nsis/makensis-$c.log"
  fi
done

# One prefix for the whole run, made like tools/wine-run.sh makes a test's.
root=$build/wine
run=$root/runs/bench
rm -rf "$run"
mkdir -p "$run/home" "$run/prefix"
tar -C "$root/template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$run/prefix" -xf -
cp -al "$root/template/drive_c/windows/system32" "$run/prefix/drive_c/windows/system32"
export WINEPREFIX=$run/prefix HOME=$run/home WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export FONTCONFIG_FILE=$root/fonts-latin.conf LANG=C.UTF-8
unset LC_ALL LANGUAGE
source "$here/tools/xvfb.sh"
nodac=()
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  nodac=(setpriv --bounding-set -dac_override,-dac_read_search --inh-caps -dac_override,-dac_read_search)
fi
finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$run/prefix"
}
trap finish EXIT
"${nodac[@]}" wineserver -p
"${nodac[@]}" wine cmd /c exit >/dev/null 2>&1 </dev/null

win() { local p=${1//\//\\}; echo "Z:$p"; }
results=$out/results.tsv
rm -f "$results" "$out"/*.log
bench=("${nodac[@]}" wine "$build/bench/tavik_bench.exe")
setup=$(win "$build/TavikSetup.exe")
status=0
echo "bench: install runs, floor and NSIS silent installs ($reps repetitions)"
"${bench[@]}" --install --out "$(win "$results")" --reps "$reps" --setup "$setup" \
  nsis-zlib "$(win "$nsis/tavik-nsis-zlib.exe")" nsis-lzma "$(win "$nsis/tavik-nsis-lzma.exe")" \
  </dev/null >"$out/install.log" 2>&1 || status=1
echo "bench: first install runs of fresh processes"
for i in $(seq 0 $((reps - 1))); do
  "${bench[@]}" --cold --out "$(win "$results")" --setup "$setup" --index "$i" \
    </dev/null >>"$out/cold.log" 2>&1 || status=1
  "${bench[@]}" --cold-phases --out "$(win "$results")" --setup "$setup" --index "$i" \
    </dev/null >>"$out/cold.log" 2>&1 || status=1
done
echo "bench: what a user gets: a fresh TavikSetup.exe's install, walked and silent, against NSIS's silent installs"
"${bench[@]}" --user --out "$(win "$results")" --reps "$user_reps" --setup "$setup" \
  nsis-zlib "$(win "$nsis/tavik-nsis-zlib.exe")" nsis-lzma "$(win "$nsis/tavik-nsis-lzma.exe")" \
  </dev/null >"$out/user.log" 2>&1 || status=1
echo "bench: start-up"
"${bench[@]}" --startup --out "$(win "$results")" --reps "$startup_reps" \
  tavik "Tavik Chinese Input Engine Installer" "$setup" \
  plain-window "Tavik" "$(win "$build/placeholder.exe")" \
  nsis-zlib "Tavik NSIS Setup: Installation Folder" "$(win "$nsis/tavik-nsis-zlib.exe")" \
  nsis-lzma "Tavik NSIS Setup: Installation Folder" "$(win "$nsis/tavik-nsis-lzma.exe")" \
  </dev/null >"$out/startup.log" 2>&1 || status=1
for i in $(seq 0 $((reps - 1))); do
  "${bench[@]}" --startup-steps --out "$(win "$results")" --setup "$setup" --index "$i" \
    </dev/null >>"$out/startup.log" 2>&1 || status=1
done
echo "bench: memory"
"${bench[@]}" --memory --out "$(win "$results")" --setup "$setup" \
  plain-window "Tavik" "$(win "$build/placeholder.exe")" \
  nsis-zlib "Tavik NSIS Setup: Installation Folder" "$(win "$nsis/tavik-nsis-zlib.exe")" \
  </dev/null >"$out/memory.log" 2>&1 || status=1
# Wine's shell links start winemenubuilder.exe and wait for it, for every link saved (NSIS's too);
# Windows does nothing of the kind. The sample again with that program gone from the prefix.
echo "bench: install runs again without Wine's link processor"
results_nolinks=$out/results-nolinks.tsv
rm -f "$results_nolinks" "$run/prefix/drive_c/windows/system32/winemenubuilder.exe"
"${bench[@]}" --install --sample-only --out "$(win "$results_nolinks")" --reps "$reps" --setup "$setup" \
  nsis-zlib "$(win "$nsis/tavik-nsis-zlib.exe")" nsis-lzma "$(win "$nsis/tavik-nsis-lzma.exe")" \
  </dev/null >"$out/install-nolinks.log" 2>&1 || status=1
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
[ $status = 0 ] || echo "bench: a measurement failed; see $out/*.log" >&2

python3 "$here/bench/report.py" --results "$results" --results-nolinks "$results_nolinks" --setup-exe "$build/TavikSetup.exe" \
  --nsis-zlib "$nsis/tavik-nsis-zlib.exe" --nsis-lzma "$nsis/tavik-nsis-lzma.exe" \
  --payload "$build/gen/payload" --payload-rc "$build/gen/payload.rc" --manifest "$here/install/manifest.cpp" \
  --load-start "$load_start" --load-end "$load_end" --notes "$here/bench/findings.md" --out "$here/docs/benchmarks.md"
exit $status
