#!/usr/bin/env python3
"""Turns the benchmark program's result lines into the tables of docs/benchmarks.md.

Prints the same Markdown and ends with six machine-readable lines, one median
ratio each: run/floor, run/nsis-zlib, run/nsis-lzma, startup/nsis, size/nsis-zlib, memory/nsis.
"""
import argparse
import datetime
import os
import platform
import re
import statistics
import subprocess
from collections import defaultdict

ROW = re.compile(r'\{\s*(\d+)\s*,\s*"([^"]+)"')
SCALES = ["0.25", "0.5", "1", "2"]
# Phase, label, and how many calls a fresh install makes (for the cost per call).
PHASES = [
    ("stage", "stage (`stage_payload`: resource lookup, inflate in 64 KiB chunks into a new "
     "temporary file, flush)", 121),
    ("probe", "in-use probe (`destination_state` on each name)", 121),
    ("move", "move over the name and bits (`commit_staged_file`)", 121),
    ("checks", "leftover sweep, marker, word-base and settings checks", None),
    ("removal", "removal pass (64 `remove_own_file` on names not there)", 64),
    ("shortcuts", "shortcuts (Start-menu group of 2, 2 desktop, 1 start-up)", 5),
    ("config", "configuration (`update_config_file`)", None),
    ("progress", "progress bar (15 positions)", None),
    ("allocation", "64 KiB buffer and staged-name table `malloc` and `free`", None),
]
CLOSING = {"shortcuts", "config"}
GOAL_RUN_FLOOR = 1.10
GOAL_SIZE = 0.97  # at most this share of NSIS zlib's size
GOAL_MEMORY_RISE = 2 * 1048576


def load(path):
    data = defaultdict(dict)
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 4:
                data[(parts[0], parts[1])][int(parts[2])] = float(parts[3])
    return data


def stats(values):
    values = [v for v in values if v >= 0]
    if not values:
        return None
    return statistics.median(values), min(values), max(values)


def paired(a, b):
    """Median, min and max of a[rep] / b[rep] over the repetitions both have."""
    return stats([a[r] / b[r] for r in a if r in b and a[r] > 0 and b[r] > 0])


def ms(s):
    if s is None:
        return "n/a"
    d = 0 if s[0] >= 0.01 else 1 if s[0] >= 0.001 else 2
    return f"{s[0] * 1000:.{d}f} ({s[1] * 1000:.{d}f}–{s[2] * 1000:.{d}f})"


def ratio(s):
    return "n/a" if s is None else f"{s[0]:.2f} ({s[1]:.2f}–{s[2]:.2f})"


def mib(n):
    return f"{n / 1048576:.1f} MiB"


def payload_bytes(manifest, payload):
    text = open(manifest, encoding="utf-8").read()
    sizes = [os.path.getsize(os.path.join(payload, f"{m.group(1)}.bin"))
             for m in ROW.finditer(text)]
    # Cut the way the bench program cuts: a fraction of each file, rounded up.
    cut = {s: sum(min(n, int(n * float(s) + 0.999)) for n in sizes) for s in ["0.25", "0.5"]}
    cut["1"] = sum(sizes)
    cut["2"] = 2 * sum(sizes)
    return len(sizes), cut


def machine(results, load_end):
    """The machine and the time of the last measurement (the newest results file)."""
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    mem = "unknown"
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal"):
                mem = f"{int(line.split()[1]) / 1048576:.1f} GiB"
    try:
        wine = subprocess.run(["wine", "--version"], capture_output=True, text=True,
                              timeout=30).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        wine = "unknown"
    if not load_end:
        with open("/proc/loadavg") as f:
            load_end = " ".join(f.read().split()[:3])
    last = max(os.path.getmtime(r) for r in results if r and os.path.exists(r))
    when = datetime.datetime.fromtimestamp(last, datetime.timezone.utc)
    return [
        ("date", when.strftime("%Y-%m-%d %H:%M UTC")),
        ("CPU", f"{cpu}, {os.cpu_count()} logical CPUs (nproc)"),
        ("memory", mem),
        ("kernel", f"{platform.system()} {platform.release()}"),
        ("Wine", wine),
        ("load average at the end", load_end),
    ]


def nolinks_section(args, sizes):
    """The sample again in a prefix without winemenubuilder.exe."""
    if not args.results_nolinks or not os.path.exists(args.results_nolinks):
        return []
    d = load(args.results_nolinks)
    get = lambda group, name: d.get((group, name), {})
    run = get("time", "run x1")
    if not run:
        return []
    out = ["### The same without Wine's link processor", ""]
    out.append("Wine's `IPersistFile::Save` of a shell link starts `winemenubuilder.exe` and "
               "waits for it to end, for every link, even when that program is disabled (the "
               "process is still created); NSIS's `CreateShortCut` pays the same. Windows does "
               "nothing of the kind. The sample set again, in the same prefix with "
               "`winemenubuilder.exe` removed:")
    out.append("")
    out.append("| measure | ms | run ×1 / it |")
    out.append("|---|---|---|")
    out.append(f"| run ×1 | {ms(stats(run.values()))} | |")
    for name in ["floor x1", "nsis-zlib", "nsis-lzma"]:
        other = get("time", name)
        out.append(f"| {name.replace(' x1', ' ×1')} | {ms(stats(other.values()))} | "
                   f"{ratio(paired(run, other))} |")
    out.append("")
    return out


def goal(ok):
    return "met" if ok else "**missed**"


def build(args):
    d = load(args.results)
    get = lambda group, name: d.get((group, name), {})
    out = []
    files, sizes = payload_bytes(args.manifest, args.payload)
    reps = len(get("time", "run x1"))

    run1 = get("time", "run x1")
    floor1 = get("time", "floor x1")
    r_floor = paired(run1, floor1)
    # The headline: what a user gets, each in a fresh process, measured from outside.
    u_tavik = get("user", "tavik")
    r_zlib = paired(u_tavik, get("user", "nsis-zlib"))
    r_lzma = paired(u_tavik, get("user", "nsis-lzma"))
    warm_zlib = paired(run1, get("time", "nsis-zlib"))
    warm_lzma = paired(run1, get("time", "nsis-lzma"))
    peak = lambda label: get("user", f"{label} peak private")
    lean = "nsis-zlib"
    pz, pl = stats(peak("nsis-zlib").values()), stats(peak("nsis-lzma").values())
    if pl and (not pz or pl[0] < pz[0]):
        lean = "nsis-lzma"
    r_memory = paired(peak("tavik"), peak(lean))
    # The unattended install against the same job done by NSIS's silent mode, both whole processes.
    u_silent = get("user", "silent")
    r_silent = paired(u_silent, get("user", "nsis-zlib"))
    r_silent_memory = paired(peak("silent"), peak("nsis-zlib"))
    idle = get("user", "tavik idle private")
    rise = stats([peak("tavik")[r] - idle[r] for r in peak("tavik") if r in idle])

    st_tavik = stats(get("startup", "tavik").values())
    st_zlib = stats(get("startup", "nsis-zlib").values())
    st_lzma = stats(get("startup", "nsis-lzma").values())
    faster = "nsis-zlib"
    if st_lzma and (not st_zlib or st_lzma[0] < st_zlib[0]):
        faster = "nsis-lzma"
    r_start = paired(get("startup", "tavik"), get("startup", faster))

    size_setup = os.path.getsize(args.setup_exe)
    size_zlib = os.path.getsize(args.nsis_zlib)
    size_lzma = os.path.getsize(args.nsis_lzma)
    r_size = size_setup / size_zlib

    out.append("# Benchmarks")
    out.append("")
    out.append("Made by `bench/run.sh` (see bench/README.md); every number below comes from one run "
               "on one machine. Times are medians over the repetitions with (min–max) in "
               "milliseconds; the machines are shared and noisy, so read the ratios, which pair "
               "measurements taken back to back in the same repetition.")
    out.append("")
    out.append("## Machine")
    out.append("")
    out.append("| | |")
    out.append("|---|---|")
    for k, v in machine([args.results, args.results_nolinks], args.load_end):
        out.append(f"| {k} | {v} |")
    if args.load_start:
        out.append(f"| load average at the start | {args.load_start} |")
    out.append(f"| repetitions | {reps} (start-up: {len(get('startup', 'tavik'))}; what a user "
               f"gets: {len(get('user', 'tavik'))}) |")
    out.append("")

    nl = load(args.results_nolinks) if args.results_nolinks and os.path.exists(
        args.results_nolinks) else {}
    nl_get = lambda name: nl.get(("time", name), {})
    nl_ratio = lambda name: ratio(paired(nl_get("run x1"), nl_get(name))) if nl else "n/a"

    out.append("## Goals")
    out.append("")
    out.append("| goal | measured (median, min–max) | | without Wine's link processor (§1) |")
    out.append("|---|---|---|---|")
    out.append(f"| install run within {GOAL_RUN_FLOOR:.2f}× the floor | run/floor {ratio(r_floor)} "
               f"| {goal(r_floor and r_floor[0] <= GOAL_RUN_FLOOR)} | {nl_ratio('floor x1')} |")
    out.append(f"| faster than NSIS zlib where a user measures it (§0) | run/nsis-zlib {ratio(r_zlib)} "
               f"| {goal(r_zlib and r_zlib[0] < 1)} | |")
    out.append(f"| faster than NSIS LZMA (solid) where a user measures it (§0) | run/nsis-lzma "
               f"{ratio(r_lzma)} | {goal(r_lzma and r_lzma[0] < 1)} | |")
    out.append(f"| peak private bytes during the install no more than NSIS's ({lean}, the leaner "
               f"one; §0) | memory/nsis {ratio(r_memory)} | "
               f"{goal(r_memory and r_memory[0] <= 1)} | |")
    rise_text = "n/a" if not rise else (f"{rise[0] / 1048576:.2f} MiB ({rise[1] / 1048576:.2f}–"
                                        f"{rise[2] / 1048576:.2f})")
    out.append(f"| peak private bytes at most {GOAL_MEMORY_RISE // 1048576} MiB above the wizard's "
               f"first page (§0) | {rise_text} | {goal(rise and rise[0] <= GOAL_MEMORY_RISE)} | |")
    out.append(f"| silent install (`/S /D=`, whole process) faster than NSIS zlib's (§0) | ratio "
               f"silent/nsis-zlib {ratio(r_silent)} | {goal(r_silent and r_silent[0] < 1)} | |")
    out.append(f"| silent install's peak private bytes no more than NSIS zlib's (§0) | ratio "
               f"silent-memory/nsis-zlib {ratio(r_silent_memory)} | "
               f"{goal(r_silent_memory and r_silent_memory[0] <= 1)} | |")
    out.append(f"| start-up no slower than NSIS ({faster}, the faster one) | startup/nsis "
               f"{ratio(r_start)} | {goal(r_start and r_start[0] <= 1)} | |")
    out.append(f"| size at most {GOAL_SIZE}× NSIS zlib | size/nsis-zlib "
               f"{r_size:.3f} | {goal(r_size <= GOAL_SIZE)} | |")
    out.append("")

    out.append("## 0. What a user gets")
    out.append("")
    out.append("Each installer in a fresh process, driven and measured from outside by the bench "
               "program, in turns (the order reversed every other repetition, a second's pause before each), after one "
               "unrecorded round, so that every installer meets the same prefix: its Start-menu "
               "group and links already there from the round before, a fresh install folder. "
               "TavikSetup.exe is walked through its pages; its time runs from the posted click "
               "on the last page to the progress bar reading 100 (`PBM_GETPOS` sent from outside "
               "every millisecond), so its process start, its pages and its final wait are not "
               "in it. NSIS's runs from before `CreateProcess` of its silent install (`/S /D=`) "
               "to its exit, so its process start, CRC check and whole job are. A thread of the "
               "bench program samples the installer's `PROCESS_MEMORY_COUNTERS_EX` every "
               "millisecond for both: for TavikSetup.exe from the click to the final message, "
               "for NSIS from its start to its exit. TavikSetup.exe's own silent install "
               "(`/S /AUTOSTART /D=`: the same links as the NSIS script) is timed and sampled "
               "the NSIS way, from before `CreateProcess` to its exit.")
    out.append("")
    if u_tavik:
        out.append("| installer | ms | TavikSetup / it | peak private bytes | TavikSetup / it "
                   "| peak working set |")
        out.append("|---|---|---|---|---|---|")
        mstat = lambda v: stats(v.values())
        mcell = lambda st: "n/a" if not st else (f"{st[0] / 1048576:.2f} MiB ({st[1] / 1048576:.2f}–"
                                                 f"{st[2] / 1048576:.2f})")
        out.append(f"| TavikSetup.exe, click to the bar at 100 | {ms(mstat(u_tavik))} | | "
                   f"{mcell(mstat(peak('tavik')))} | | "
                   f"{mcell(mstat(get('user', 'tavik peak working set')))} |")
        out.append(f"| TavikSetup.exe, whole silent install | {ms(mstat(u_silent))} | | "
                   f"{mcell(mstat(peak('silent')))} | | "
                   f"{mcell(mstat(get('user', 'silent peak working set')))} |")
        for label, name in [("nsis-zlib", "NSIS zlib, whole silent install"),
                            ("nsis-lzma", "NSIS LZMA (solid), whole silent install")]:
            out.append(f"| {name} | {ms(mstat(get('user', label)))} | "
                       f"{ratio(paired(u_tavik, get('user', label)))} | "
                       f"{mcell(mstat(peak(label)))} | {ratio(paired(peak('tavik'), peak(label)))} | "
                       f"{mcell(mstat(get('user', label + ' peak working set')))} |")
        out.append(f"| TavikSetup.exe on the first page, half a second after it shows | | | "
                   f"{mcell(mstat(idle))} | | "
                   f"{mcell(mstat(get('user', 'tavik idle working set')))} |")
        out.append(f"| TavikSetup.exe: rise of the peak above the first page | | | "
                   f"{mcell(rise)} | | |")
        out.append("")
        out.append(f"The same TavikSetup.exe runs reach their final message after "
                   f"{ms(mstat(get('user', 'tavik final message')))} ms (the wizard's 5-second "
                   f"wait). Wine reports private bytes as the resident anonymous memory (no "
                   f"`PrivateUsage`; `PeakPagefileUsage` is the current value), the same way for "
                   f"both installers, so the peaks are the highest of the 1 ms samples.")
        out.append("")
    else:
        out.append("Not measured in this run.")
        out.append("")

    out.append("## 1. The install run against its floor")
    out.append("")
    out.append(f"`run_install` on the sample payload ({files} files) into a fresh folder, called "
               "by the bench program linked with the installer's own code, against the floor in "
               "the same process: every payload inflated with one `uncompress` into one 48 MiB "
               "buffer and written with one `CreateFileA`/`WriteFile`/`CloseHandle` into an "
               "equivalent fresh folder.")
    out.append("")
    out.append("| payload set | bytes | floor ms | run ms | run/floor | run vs run ×1 |")
    out.append("|---|---|---|---|---|---|")
    base = stats(run1.values())
    for s in SCALES:
        run = get("time", f"run x{s}")
        fl = get("time", f"floor x{s}")
        rs = stats(run.values())
        grow = f"{rs[0] / base[0]:.2f}" if rs and base else "n/a"
        out.append(f"| ×{s} | {sizes[s]:,} | {ms(stats(fl.values()))} | {ms(rs)} | "
                   f"{ratio(paired(run, fl))} | {grow} |")
    cold_run, cold_floor = get("cold", "run"), get("cold", "floor")
    if cold_run:
        out.append(f"| ×1, first install of a fresh process ({len(cold_run)} processes; its floor "
                   f"second) | {sizes['1']:,} | {ms(stats(cold_floor.values()))} | "
                   f"{ms(stats(cold_run.values()))} | {ratio(paired(cold_run, cold_floor))} | |")
    out.append("")
    fits = []
    for what in ["run", "floor"]:
        points = [(sizes[x] / 1e6, stats(get("time", f"{what} x{x}").values()))
                  for x in SCALES if x != "2"]
        points = [(x, y[0] * 1000) for x, y in points if y]
        if len(points) >= 2:
            mx = sum(p[0] for p in points) / len(points)
            my = sum(p[1] for p in points) / len(points)
            sxx = sum((p[0] - mx) ** 2 for p in points)
            slope = sum((p[0] - mx) * (p[1] - my) for p in points) / sxx if sxx else 0
            fits.append(f"{what} ≈ {my - slope * mx:.0f} ms + {slope:.2f} ms per MB")
    if fits:
        out.append("A straight line through the medians of the three single installs (least "
                   "squares over ×0.25, ×0.5, ×1): " + "; ".join(fits) + ". The constant is what "
                   "an install costs whatever its bytes (the closing steps, the per-file calls); "
                   "the slope is the inflate and the writes. ×2, two installs, costs about twice "
                   "×1.")
        out.append("")
    out.append("Payload sets: ×0.25 and ×0.5 are every one of the 127 payloads cut to its first "
               "quarter or half (rounded up) and packed again at level 9 into a module of their "
               "own, so the file count, names, attributes, shortcuts and configuration stay those "
               "of the sample and only the bytes shrink; ×2 is the full sample installed twice, "
               "into two fresh folders, timed together (the largest payload, 38 MB, cannot be "
               "doubled inside the floor's 48 MiB buffer).")
    out.append("")

    out.append("### Where the time goes")
    out.append("")
    out.append("An instrumented pass makes the run's calls one by one with a clock around each "
               "(the engine's own `stage_payload`, `destination_state`, `commit_staged_file`, "
               "`remove_own_file`, `update_config_file`, `create_menu_group`, "
               "`create_chosen_shortcuts`), into a fresh folder; medians over the repetitions.")
    out.append("")
    def medians(data):
        m = {}
        for key in [p[0] for p in PHASES] + ["total", "floor write"]:
            st = stats(data.get(("phase", key), {}).values())
            m[key] = st[0] if st else None
        return m

    def cell(value, total=None, calls=None):
        if value is None:
            return "n/a"
        text = f"{value * 1000:.1f}"
        if total:
            text += f" ({value / total:.0%})"
        if calls:
            each = value / calls
            text += f", {each * 1e3:.1f} ms each" if each >= 1e-3 else f", {each * 1e6:.0f} µs each"
        return text

    med, med_nl = medians(d), medians(nl)
    med_cold = {}
    for key in [p[0] for p in PHASES] + ["total", "floor write"]:
        st = stats(d.get(("cold-phase", key), {}).values())
        med_cold[key] = st[0] if st else None
    sum_of = lambda m, keys: sum(m[k] or 0 for k in keys)
    all_keys = [p[0] for p in PHASES]
    file_keys = [k for k in all_keys if k not in CLOSING]
    total, total_nl = sum_of(med, all_keys), sum_of(med_nl, all_keys)
    total_cold = sum_of(med_cold, all_keys)
    out.append("| phase | ms (share), per call | the same without Wine's link processor | "
               "first pass of a fresh process |")
    out.append("|---|---|---|---|")
    for key, label, calls in PHASES:
        out.append(f"| {label} | {cell(med[key], total, calls)} | "
                   f"{cell(med_nl[key], total_nl, calls)} | {cell(med_cold[key], total_cold)} |")
    out.append(f"| sum of the phases | {cell(total)} | {cell(total_nl or None)} | "
               f"{cell(total_cold or None)} |")
    out.append(f"| instrumented pass, end to end | {cell(med['total'])} | {cell(med_nl['total'])} "
               f"| {cell(med_cold['total'])} |")
    median_of = lambda data, name: (stats(data.get(("time", name), {}).values()) or [None])[0]
    run_a, run_b = median_of(d, "run x1"), median_of(nl, "run x1")
    floor_a, floor_b = median_of(d, "floor x1"), median_of(nl, "floor x1")
    cold_med = lambda name: (stats(get("cold", name).values()) or [None])[0]
    run_c, floor_c = cold_med("run"), cold_med("floor")
    diff = lambda a, b: cell(a - b) if a and b else "n/a"
    out.append(f"| `run_install` (×1 above) | {cell(run_a)} | {cell(run_b)} | {cell(run_c)} |")
    out.append(f"| floor (×1 above) | {cell(floor_a)} | {cell(floor_b)} | {cell(floor_c)} |")
    out.append(f"| run − floor | {diff(run_a, floor_a)} | {diff(run_b, floor_b)} | "
               f"{diff(run_c, floor_c)} |")
    out.append(f"| for comparison, not in the run: the same 121 files made the floor's way "
               f"(one `uncompress`, `CreateFileA`/`WriteFile`/`CloseHandle`), by turns before and "
               f"after the run stages them | {cell(med['floor write'], None, 121)} | "
               f"{cell(med_nl['floor write'], None, 121)} | {cell(med_cold['floor write'], None, 121)} |")
    out.append("")

    def file_part(m):
        if not m["floor write"]:
            return None
        floor_like = m["floor write"]
        return sum_of(m, file_keys) / floor_like
    fp, fp_nl = file_part(med), file_part(med_nl)
    if fp:
        out.append(f"Within the instrumented pass, the run without its closing steps (all phases "
                   f"but shortcuts and configuration) takes {fp:.2f}× "
                   + (f"({fp_nl:.2f}× without the link processor) " if fp_nl else "")
                   + "the floor's work measured in the same pass (each file inflated with one "
                   "`uncompress` and written with one `WriteFile`); the run's share also pays for "
                   "the flush of every staged file and its move over the name.")
        out.append("")
    out += nolinks_section(args, sizes)

    out.append("## 2. NSIS on the same files, beside the warm install run (not the headline)")
    out.append("")
    out.append("Debian's makensis with its amd64-unicode stubs, from the same raw payload files, "
               "doing the same job (the same 121 files with the same read-only/hidden bits, the "
               "two configuration keys, the Start-menu group, two desktop and one start-up "
               "shortcut), installed silently with `/S /D=...` into a fresh folder under the same "
               "Wine; timed from `CreateProcess` to the process's exit, so NSIS's process start "
               "and CRC check are in its time, while our run is the install run alone, warm, in "
               "the bench process. This pairing flatters the run; the headline is §0. Here NSIS "
               "runs in turns with the run and floor of every payload set, without a round "
               "before the first repetition.")
    out.append("")
    out.append("| installer | bytes | silent install ms | our run ×1 / it |")
    out.append("|---|---|---|---|")
    out.append(f"| TavikSetup.exe | {size_setup:,} | run ×1: {ms(base)} | |")
    out.append(f"| NSIS zlib (non-solid) | {size_zlib:,} | {ms(stats(get('time', 'nsis-zlib').values()))} "
               f"| {ratio(warm_zlib)} |")
    out.append(f"| NSIS LZMA (solid) | {size_lzma:,} | {ms(stats(get('time', 'nsis-lzma').values()))} "
               f"| {ratio(warm_lzma)} |")
    out.append("")
    cold = stats(get("cold", "run").values())
    nz, nlz = stats(get("time", "nsis-zlib").values()), stats(get("time", "nsis-lzma").values())
    if cold and nz and nlz:
        out.append(f"NSIS's time includes its process start, CRC check and first use of COM and "
                   f"the shell; the run above is warm. The first install run of a fresh process "
                   f"(§1) takes {ms(cold)} ms: {cold[0] / nz[0]:.2f}× NSIS zlib and "
                   f"{cold[0] / nlz[0]:.2f}× NSIS LZMA (ratios of medians).")
        out.append("")
    # The streams the exe was built from, as its resource list names them.
    streams = re.findall(r'TEXT "([^"]+)"', open(args.payload_rc).read()) \
        if args.payload_rc and os.path.exists(args.payload_rc) else []
    packed = sum(os.path.getsize(p) for p in streams if os.path.exists(p))
    out.append(f"Size: TavikSetup.exe / NSIS zlib = {r_size:.3f}; / NSIS LZMA = "
               f"{size_setup / size_lzma:.3f}."
               + (f" TavikSetup.exe holds {packed:,} bytes of payload streams ({len(streams)}, Zopfli through "
                  f"`pigz -11 -z`; the "
                  f"six it never installs are a few kilobytes of them) and {size_setup - packed:,} "
                  "bytes of code, dialogs, icon and headers; the whole NSIS zlib installer (stub, "
                  "script and its own zlib streams of the 121 files) is "
                  f"{size_zlib - packed:,} bytes larger than those streams alone."
                  if packed else ""))
    out.append("")

    out.append("## 3. Start-up")
    out.append("")
    out.append("A driver (the bench program) starts the installer and polls `FindWindowA` + "
               "`IsWindowVisible` every millisecond for the first page's window of that process; "
               "time from before `CreateProcess` until then.")
    out.append("")
    out.append("| installer | first page ms | TavikSetup / it |")
    out.append("|---|---|---|")
    out.append(f"| TavikSetup.exe | {ms(st_tavik)} | |")
    out.append(f"| NSIS zlib | {ms(st_zlib)} | {ratio(paired(get('startup', 'tavik'), get('startup', 'nsis-zlib')))} |")
    out.append(f"| NSIS LZMA | {ms(st_lzma)} | {ratio(paired(get('startup', 'tavik'), get('startup', 'nsis-lzma')))} |")
    plain = get("startup", "plain-window")
    if plain:
        out.append(f"| a program that only shows one window (placeholder.exe, the sample's "
                   f"stand-in program) | {ms(stats(plain.values()))} | "
                   f"{ratio(paired(get('startup', 'tavik'), plain))} |")
    out.append("")

    step_names = ["process start to main", "probe", "test font", "glyph atlas",
                  "common controls", "icon", "wizard dialog"]
    if get("step", "wizard dialog"):
        out.append("TavikSetup.exe's own start-up steps, timed one by one in fresh processes of the "
                   "bench program (the same calls as the entry routine, the wizard created from "
                   "the executable's template), medians:")
        out.append("")
        out.append("| step | ms |")
        out.append("|---|---|")
        labels = {"process start to main": "process creation to the first line of the program "
                  "(Wine; the bench program's own, not TavikSetup's)",
                  "probe": "wait cursor, probes of the platform",
                  "test font": "the GB2312 test font",
                  "glyph atlas": "glyph atlas: inflate resource 110, 4 bitmaps and DCs",
                  "common controls": "`InitCommonControlsEx`",
                  "icon": "icon 166",
                  "wizard dialog": "`CreateDialogParamA` of template 113 up to visible "
                  "(controls, `WM_INITDIALOG`)"}
        for name in step_names:
            st = stats(get("step", name).values())
            if st:
                out.append(f"| {labels[name]} | {ms(st)} |")
        out.append("")

    out.append("## 4. Memory")
    out.append("")
    mem = lambda name: get("memory", name).get(0)
    out.append("| what | measured |")
    out.append("|---|---|")
    reached = mem("wizard reached") or 0
    if reached >= 3:
        out.append(f"| TavikSetup.exe on the first page: working set / private bytes | "
                   f"{mib(mem('wizard idle working set'))} / {mib(mem('wizard idle private'))} |")
        out.append(f"| TavikSetup.exe during an install: peak working set | "
                   f"{mib(mem('wizard peak working set'))} |")
        out.append(f"| TavikSetup.exe during an install: peak private bytes (sampled) | "
                   f"{mib(mem('wizard peak private'))} |")
        out.append(f"| files installed by the walked wizard | {int(mem('wizard files') or 0)} |")
    else:
        out.append("| TavikSetup.exe during an install (the driver walks the wizard) | pending: "
                   "the wizard's pages did not lead to an install in this build |")
    if mem("plain-window idle working set"):
        out.append(f"| for comparison, a program that only shows one window (placeholder.exe): "
                   f"working set / private bytes | {mib(mem('plain-window idle working set'))} / "
                   f"{mib(mem('plain-window idle private'))} |")
    if mem("nsis-zlib idle working set"):
        out.append(f"| for comparison, NSIS zlib showing its first page (not silent): working set / "
                   f"private bytes | {mib(mem('nsis-zlib idle working set'))} / "
                   f"{mib(mem('nsis-zlib idle private'))} |")
    if mem("run ok") is not None:
        out.append(f"| `run_install` in the bench process: peak rise of private bytes | "
                   f"{mib(mem('run private peak rise'))} |")
        out.append(f"| `run_install` in the bench process: peak rise of the working set | "
                   f"{mib(mem('run working set peak rise'))} |")
        out.append(f"| glyph atlas loaded in the bench process: rise of the working set "
                   f"(peak) | {mib(mem('atlas working set rise'))} "
                   f"({mib(mem('atlas working set peak rise'))}) |")
    out.append("| inflate buffer, by size | 65,536 bytes, whatever the payload's size (each file "
               "is inflated in chunks into its temporary file) |")
    out.append("| glyph atlas, by size | 4 × 60,416 = 241,664 bytes of bitmaps for the whole "
               "run, plus the 307,200-byte inflate buffer during start-up only |")
    out.append("")
    out.append("Wine reports private bytes as the resident anonymous memory (no `PrivateUsage`, "
               "and `PeakPagefileUsage` is the current value), so the private peaks here are the "
               "highest of samples taken every few milliseconds. The atlas's working-set rise "
               "includes what the first GDI calls of the process load.")
    out.append("")

    lines = [
        f"ratio run/floor {r_floor[0]:.3f}" if r_floor else "ratio run/floor nan",
        f"ratio run/nsis-zlib {r_zlib[0]:.3f}" if r_zlib else "ratio run/nsis-zlib nan",
        f"ratio run/nsis-lzma {r_lzma[0]:.3f}" if r_lzma else "ratio run/nsis-lzma nan",
        f"ratio startup/nsis {r_start[0]:.3f}" if r_start else "ratio startup/nsis nan",
        f"ratio size/nsis-zlib {r_size:.3f}",
        f"ratio memory/nsis {r_memory[0]:.3f}" if r_memory else "ratio memory/nsis nan",
        f"ratio silent/nsis-zlib {r_silent[0]:.3f}" if r_silent else "ratio silent/nsis-zlib nan",
        (f"ratio silent-memory/nsis-zlib {r_silent_memory[0]:.3f}" if r_silent_memory
         else "ratio silent-memory/nsis-zlib nan"),
    ]
    return out, lines


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--results", required=True)
    ap.add_argument("--results-nolinks")
    ap.add_argument("--setup-exe", required=True)
    ap.add_argument("--nsis-zlib", required=True)
    ap.add_argument("--nsis-lzma", required=True)
    ap.add_argument("--payload", required=True)
    ap.add_argument("--payload-rc", help="the build's payload.rc, naming the packed streams")
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--load-start", default="")
    ap.add_argument("--load-end", default="")
    ap.add_argument("--notes", help="Markdown appended before the ratio lines")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    body, lines = build(args)
    if args.notes and os.path.exists(args.notes):
        body += open(args.notes, encoding="utf-8").read().rstrip("\n").split("\n") + [""]
    body += ["## Ratios (medians)", "", "```"] + lines + ["```"]
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(body) + "\n")
    print("\n".join(body[:-len(lines) - 4]))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
