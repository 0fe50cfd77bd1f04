#!/usr/bin/env python3
"""Writes an NSIS script that installs the same 121 files as the install run.

It does the same job: the files in manifest order with the same read-only and
hidden bits (hidden first, as the run does), the two configuration keys, the
Start-menu group, two desktop shortcuts and the start-up shortcut.
"""
import argparse
import os
import re
import sys

ROW = re.compile(r'\{\s*(\d+)\s*,\s*"([^"]+)"\s*,\s*(\d)\s*,\s*(\d)\s*,')
CONFIG = "chipadui.ini"


def manifest_rows(path):
    text = open(path, encoding="utf-8").read()
    rows = [(int(m.group(1)), m.group(2), m.group(3) == "1", m.group(4) == "1")
            for m in ROW.finditer(text)]
    if not rows:
        sys.exit(f"{path}: no manifest rows")
    return rows


def attribute_lines(name, read_only, hidden):
    lines = []
    if hidden:
        lines.append(f'  SetFileAttributes "$INSTDIR\\{name}" HIDDEN')
    if read_only:
        bits = "READONLY|HIDDEN" if hidden else "READONLY"
        lines.append(f'  SetFileAttributes "$INSTDIR\\{name}" {bits}')
    return lines


def script(rows, payload, compressor, out):
    solid = "/SOLID " if compressor == "lzma" else ""
    lines = [
        "Unicode true",
        "Target amd64-unicode",
        f"SetCompressor {solid}{compressor}",
        'Name "Tavik NSIS"',
        'Caption "Tavik NSIS Setup"',
        f'OutFile "{out}"',
        'InstallDir "$LOCALAPPDATA\\Tavik NSIS"',
        "RequestExecutionLevel user",
        "SilentInstall normal",
        "Page directory",
        "Page instfiles",
        "Section",
        '  SetOutPath "$INSTDIR"',
    ]
    config = None
    for ident, name, read_only, hidden in rows:
        source = os.path.abspath(os.path.join(payload, f"{ident}.bin"))
        if not os.path.exists(source):
            sys.exit(f"no payload file {source}")
        lines.append(f'  File "/oname={name}" "{source}"')
        if name == CONFIG:
            config = (read_only, hidden)
            continue
        lines += attribute_lines(name, read_only, hidden)
    lines += [
        f'  WriteINIStr "$INSTDIR\\{CONFIG}" "Config" "UseBmpFont" "1"',
        f'  WriteINIStr "$INSTDIR\\{CONFIG}" "Config" "ForceLanguage" "0"',
    ]
    if config:
        lines += attribute_lines(CONFIG, *config)
    lines += [
        '  CreateDirectory "$SMPROGRAMS\\Tavik NSIS"',
        '  CreateShortCut "$SMPROGRAMS\\Tavik NSIS\\Tavik NSIS.lnk" "$INSTDIR\\TVK.exe"',
        '  CreateShortCut "$SMPROGRAMS\\Tavik NSIS\\Uninstall Tavik NSIS.lnk" '
        '"$INSTDIR\\TVKUnInstall.exe"',
        '  CreateShortCut "$DESKTOP\\Mereda NSIS.lnk" "$INSTDIR\\Mereda.exe"',
        '  CreateShortCut "$DESKTOP\\Tavik NSIS.lnk" "$INSTDIR\\TVK.exe"',
        '  CreateShortCut "$SMSTARTUP\\Tavik NSIS.lnk" "$INSTDIR\\TVK.exe"',
        "SectionEnd",
    ]
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--manifest", required=True)
    ap.add_argument("--payload", required=True, help="folder of <id>.bin raw payload files")
    ap.add_argument("--compressor", choices=["zlib", "lzma"], required=True)
    ap.add_argument("--exe", required=True, help="installer makensis is to write")
    ap.add_argument("--nsi", required=True)
    args = ap.parse_args()
    rows = manifest_rows(args.manifest)
    with open(args.nsi, "w", encoding="utf-8") as f:
        f.write(script(rows, args.payload, args.compressor, os.path.abspath(args.exe)))
    print(f"{args.nsi}: {len(rows)} files, {args.compressor}")


if __name__ == "__main__":
    main()
