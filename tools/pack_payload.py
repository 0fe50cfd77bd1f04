#!/usr/bin/env python3
"""Packs every payload file as one zlib stream and writes the resource list.

The files come either from the generated sample (DIR/<id>.bin) or from a vendor's product
folder laid out as installed: each manifest name at the top (any letter case), and the
payloads that are carried but never installed as extra/<id>.bin. Every problem of a product
folder is listed at once, before anything is packed, so that the executable can never ship
with a hole in it.

Streams are packed with Zopfli through pigz (-11 -z): ordinary zlib streams (78 DA) that
zlib inflates as before, a few percent smaller than zlib's own level 9. Zopfli is slow, so
each stream is kept in a cache named by the SHA-256 of the raw bytes: a rebuild packs only
what changed, and the resource list names cache files, so it changes exactly when a
stream does.
"""
import argparse
import concurrent.futures
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import zlib

from gen_payload import write_if_changed

ROW = re.compile(r'\{\s*(\d+)\s*,\s*"([^"]+)"\s*,\s*(\d)\s*,\s*(\d)\s*,\s*(STOP|CONTINUE)')
EXTRA = re.compile(r'unused_payload_ids\[\]\s*=\s*\{([^}]*)\}')
# The installer draws its own Chinese from this file: it must hold the whole atlas and no
# more than the installer's buffer takes.
ATLAS_NAME = "chnbmp.bin"
ATLAS_MIN, ATLAS_MAX = 241664, 307200
UNINSTALLER_NAME = "tvkuninstall.exe"
# Bump when the packer or its settings change, so old cache entries are not taken.
PACKER = ["pigz", "-11", "-z", "-c"]
PACKER_TAG = "pigz11"


def read_manifest(path):
    """(id, name, essential) rows, and the ids carried but never installed."""
    text = open(path, encoding="utf-8").read()
    rows = [(int(m.group(1)), m.group(2), m.group(5) == "STOP") for m in ROW.finditer(text)]
    extra = EXTRA.search(text)
    if not rows or not extra:
        sys.exit(f"{path}: no manifest rows or no list of extra payload ids")
    extras = [int(x) for x in extra.group(1).split(",") if x.strip()]
    ids = [r[0] for r in rows] + extras
    if len(ids) != len(set(ids)):
        sys.exit(f"{path}: payload ids repeat")
    names = [r[1].lower() for r in rows]
    if len(names) != len(set(names)):
        sys.exit(f"{path}: installed names repeat")
    return rows, extras


def sample_sources(folder, rows, extras):
    ids = {r[0] for r in rows} | set(extras)
    files = {int(n[:-4]) for n in os.listdir(folder) if n.endswith(".bin") and n[:-4].isdigit()}
    problems = [f"payload missing for id {i}" for i in sorted(ids - files)]
    problems += [f"payload file without an id: {i}.bin" for i in sorted(files - ids)]
    return {i: os.path.join(folder, f"{i}.bin") for i in ids}, problems


def product_sources(folder, rows, extras, uninstaller):
    """Maps a product folder to payload ids; returns (sources, problems)."""
    by_name = {name.lower(): (i, name, essential) for i, name, essential in rows}
    by_extra = {f"extra/{i}.bin": i for i in extras}
    sources, problems, seen = {}, [], {}
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(root, f)
            rel = os.path.relpath(path, folder).replace(os.sep, "/")
            key = rel.lower()
            if key in by_name:
                i = by_name[key][0]
            elif key in by_extra:
                i = by_extra[key]
            else:
                problems.append(f"{rel}: no place in the installer (not a manifest name, not extra/<id>.bin)")
                continue
            if not os.path.isfile(path):
                problems.append(f"{rel}: not a plain file")
                continue
            if i in sources:
                problems.append(f"{rel}: a second file for {seen[i]} (names differ only in case)")
                continue
            sources[i], seen[i] = path, rel
    for key, (i, name, essential) in by_name.items():
        if i not in sources:
            if key == UNINSTALLER_NAME and uninstaller:
                sources[i] = uninstaller
            else:
                problems.append(f"{name}: missing")
        elif essential and os.path.getsize(sources[i]) == 0:
            problems.append(f"{seen[i]}: empty, and the product cannot work without it")
        elif key == ATLAS_NAME and not ATLAS_MIN <= os.path.getsize(sources[i]) <= ATLAS_MAX:
            problems.append(f"{seen[i]}: the installer draws its Chinese from this glyph atlas, "
                            f"which must be {ATLAS_MIN} to {ATLAS_MAX} bytes, not {os.path.getsize(sources[i])}")
    for rel, i in sorted(by_extra.items()):
        if i not in sources:
            problems.append(f"{rel}: missing (carried in the installer though never installed)")
    return sources, problems


def pack(raw, threads):
    packed = subprocess.run(PACKER + ["-p", str(threads)], input=raw, stdout=subprocess.PIPE,
                            check=True).stdout
    if packed[:2] != b"\x78\xda" or zlib.decompress(packed) != raw:
        sys.exit("pack_payload: the packer's stream does not inflate back to its input")
    return packed


def cached_stream(path, cache, threads):
    """The cache file holding path's packed bytes, packing them when absent; 1 when packed now."""
    raw = open(path, "rb").read()
    name = os.path.join(cache, f"{hashlib.sha256(raw).hexdigest()}-{PACKER_TAG}.z")
    if os.path.exists(name):
        return name, len(raw), os.path.getsize(name), 0
    packed = pack(raw, threads)
    tmp = f"{name}.{os.getpid()}.tmp"
    with open(tmp, "wb") as f:
        f.write(packed)
    os.replace(tmp, name)
    return name, len(raw), len(packed), 1


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    source = ap.add_mutually_exclusive_group(required=True)
    source.add_argument("--sample", help="folder of <id>.bin files")
    source.add_argument("--product", help="the vendor's product folder, laid out as installed")
    ap.add_argument("--uninstaller", help="TVKUnInstall.exe to carry when the product folder has none")
    ap.add_argument("--cache", required=True)
    ap.add_argument("--rc", required=True)
    args = ap.parse_args()

    rows, extras = read_manifest(args.manifest)
    if args.product:
        if not os.path.isdir(args.product):
            sys.exit(f"product folder {args.product}: not a folder")
        sources, problems = product_sources(args.product, rows, extras, args.uninstaller)
    else:
        sources, problems = sample_sources(args.sample, rows, extras)
    if problems:
        where = args.product or args.sample
        sys.exit(f"cannot pack {where}:\n  " + "\n  ".join(problems))
    if not shutil.which(PACKER[0]):
        sys.exit(f"pack_payload: {PACKER[0]} not found (tools/setup.sh installs it)")

    started = time.monotonic()
    os.makedirs(args.cache, exist_ok=True)
    # Largest first: the big stream uses both cores, the small ones share what is left.
    order = sorted(sources, key=lambda i: -os.path.getsize(sources[i]))
    workers = os.cpu_count() or 1
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        jobs = {i: pool.submit(cached_stream, sources[i], args.cache, workers) for i in order}
        done = {i: job.result() for i, job in jobs.items()}

    lines = ["// Generated: one zlib stream per payload id."]
    lines += [f'{i} TEXT "{os.path.abspath(done[i][0])}"' for i in sorted(done)]
    write_if_changed(args.rc, ("\n".join(lines) + "\n").encode())
    raw_total = sum(d[1] for d in done.values())
    packed_total = sum(d[2] for d in done.values())
    fresh = sum(d[3] for d in done.values())
    print(f"payload: {len(done)} streams, {raw_total} bytes packed to {packed_total} "
          f"({fresh} packed now, the rest from the cache) in {time.monotonic() - started:.1f} s")


if __name__ == "__main__":
    main()
