#!/usr/bin/env python3
"""Packs every payload file as one zlib stream and writes the resource list.

Fails when an id of the manifest (or of the extra payloads) has no file, or
a file has no id, so that the executable can never ship with a hole in it.
"""
import argparse
import os
import re
import sys
import zlib

from gen_payload import write_if_changed

ROW = re.compile(r'\{\s*(\d+)\s*,\s*"([^"]+)"')
EXTRA = re.compile(r'unused_payload_ids\[\]\s*=\s*\{([^}]*)\}')


def manifest_ids(path):
    text = open(path, encoding="utf-8").read()
    ids = [int(m.group(1)) for m in ROW.finditer(text)]
    extra = EXTRA.search(text)
    if not extra:
        sys.exit(f"{path}: no list of extra payload ids")
    ids += [int(x) for x in extra.group(1).split(",") if x.strip()]
    return ids


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--in", dest="src", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--rc", required=True)
    args = ap.parse_args()

    ids = manifest_ids(args.manifest)
    if len(ids) != len(set(ids)):
        sys.exit("payload ids repeat in the manifest")
    files = {int(n[:-4]) for n in os.listdir(args.src) if n.endswith(".bin") and n[:-4].isdigit()}
    missing = sorted(set(ids) - files)
    stray = sorted(files - set(ids))
    if missing:
        sys.exit(f"payload missing for ids: {missing}")
    if stray:
        sys.exit(f"payload files without an id: {stray}")

    os.makedirs(args.out, exist_ok=True)
    raw_total = packed_total = 0
    lines = ["// Generated: one zlib stream per payload id."]
    for i in sorted(ids):
        src = os.path.join(args.src, f"{i}.bin")
        dst = os.path.join(args.out, f"{i}.z")
        raw = open(src, "rb").read()
        raw_total += len(raw)
        if os.path.exists(dst) and os.path.getmtime(dst) >= os.path.getmtime(src):
            packed = open(dst, "rb").read()
        else:
            packed = zlib.compress(raw, 9)
            with open(dst, "wb") as f:
                f.write(packed)
        assert packed[:2] == b"\x78\xda"
        packed_total += len(packed)
        lines.append(f'{i} TEXT "{os.path.abspath(dst)}"')
    write_if_changed(args.rc, ("\n".join(lines) + "\n").encode())
    print(f"payload: {len(ids)} streams, {raw_total} bytes packed to {packed_total}")


if __name__ == "__main__":
    main()
