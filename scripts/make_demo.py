#!/usr/bin/env python3
"""Prepares a demo folder for Wendrix.

The folder gets the programs (copied from an install tree), a model file with
two models, a firmware image for each whose checksum matches the model file,
a stand-in UPDATER.EXE that only reports what it would upload, and a
report.html. Run the programs from inside that folder.

With --model-file-only it writes the release archives' sample model file
alone: no models, since the archives hold no firmware; the owner adds theirs
with "Add firmware..." or wendrix-cli add.
"""
import argparse
import os
import random
import shutil
import stat
import zlib

# Opening bytes of each language text, in the order firmware holds them.
KEYWORDS = [
    b"WARNING\n", b"WARNUNG\n", b"ATTENTION!\n", b"ATTENZIONE\n",
    b"AVISO\nLos datos se", b"VARNING!\n", b"ADVARSEL\nAlle data er",
    b"AVISO\nTodos os dados", b"WAARSCHUWING.\n", b"ADVARSEL\nAlle data er",
    b"VAROITUS\n", b"UWAGA\n", b"VAROVANI\n", b"FIGYELEM\n",
]

BODY = [
    b"this unit is an aid to",
    b"navigation only and must",
    b"not be relied upon for",
    b"precise measurement of",
    b"direction distance or",
    b"location press page",
]


def make_firmware(size, text_count, seed):
    rng = random.Random(seed)
    # Noise from lower-case letters, digits and NULs never forms a keyword,
    # all of which begin with a capital.
    alphabet = b"abcdefghijklmnopqrstuvwxyz0123456789\x00\x01\x7f\xfe"
    data = bytearray(rng.choice(alphabet) for _ in range(size))
    gap = size // (text_count + 1)
    for i in range(text_count):
        lines = BODY[: 3 + (i % 4)]
        keyword = KEYWORDS[i] if KEYWORDS[i].endswith(b"\n") else KEYWORDS[i] + b" "
        text = keyword + b"\n".join(lines) + b"\x00"
        at = gap * (i + 1)
        data[at - 1] = 0
        data[at:at + len(text)] = text
    return bytes(data[:size])


DATE = "Date=07.12.26"

MODELS = [
    # section, working file, pristine copy, size, texts, release
    ("eTrex Demo 2.40", "etrex.rgn", "etrex.org", 96 * 1024, 10, "2.40"),
    ("GPS Demo 3.10", "gpsdemo.rgn", "gpsdemo.org", 160 * 1024, 14, "3.10"),
]


def write_model_file(folder, lines):
    with open(os.path.join(folder, "wendrix.ini"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


def write_demo_files(folder, model_file=True):
    lines = ["[GPS]", DATE]
    for n, model in enumerate(MODELS, start=1):
        lines.append("Gps-%d=%s" % (n, model[0]))
    for n, (section, rgn, org, size, texts, rel) in enumerate(MODELS, start=1):
        image = make_firmware(size, texts, n)
        with open(os.path.join(folder, rgn), "wb") as f:
            f.write(image)
        lines += ["[%s]" % section, "org=" + org, "rgn=" + rgn,
                  "crc=%08x" % (zlib.crc32(image) & 0xFFFFFFFF),
                  "lang=%d" % texts, "Rel=" + rel]
    if model_file:
        write_model_file(folder, lines)


UPDATER = """#!/bin/sh
# Stand-in for the receiver vendor's uploader: reports what it would send.
echo "UPDATER.EXE stand-in: the patched firmware would now be sent to the receiver." >&2
"""

REPORT = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Wendrix demo</title></head>
<body><h1>Wendrix demo</h1>
<p>The working files (*.rgn) now carry your text; the pristine copies (*.org)
hold the original firmware. The run log is wendrix.LOG beside the program.</p>
</body></html>
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder")
    parser.add_argument("--programs", help="folder holding wendrix and wendrix-cli")
    parser.add_argument("--model-file-only", action="store_true",
                        help="write only wendrix.ini without models (the sample model file of the archives)")
    parser.add_argument("--no-model-file", action="store_true",
                        help="keep the folder's wendrix.ini, add only the firmware and UPDATER.EXE")
    parser.add_argument("--updater", help="program to copy as UPDATER.EXE instead of the script")
    args = parser.parse_args()

    folder = os.path.abspath(args.folder)
    os.makedirs(folder, exist_ok=True)
    if args.model_file_only:
        write_model_file(folder, ["[GPS]", DATE])
        return
    if args.programs:
        for name in ("wendrix", "wendrix-cli"):
            source = os.path.join(args.programs, name)
            if os.path.exists(source):
                shutil.copy2(source, os.path.join(folder, name))
    for stale in ("etrex.org", "gpsdemo.org"):
        if os.path.exists(os.path.join(folder, stale)):
            os.remove(os.path.join(folder, stale))
    write_demo_files(folder, model_file=not args.no_model_file)
    updater = os.path.join(folder, "UPDATER.EXE")
    if args.updater:
        shutil.copyfile(args.updater, updater)
    else:
        with open(updater, "w") as f:
            f.write(UPDATER)
    os.chmod(updater, os.stat(updater).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
    with open(os.path.join(folder, "report.html"), "w") as f:
        f.write(REPORT)
    print("demo folder ready: " + folder)


if __name__ == "__main__":
    main()
