#!/usr/bin/env python3
"""Compares the player's GPX export, fix by fix, with what GPSBabel and
ExifTool read from the same files, and runs the export over damaged copies.

    tools/compare-gpx-export.py --program build/deploy/vialumo FILE_OR_FOLDER...

For NMEA logs and GPX tracks the reference is GPSBabel (-i nmea / -i gpx); for
MP4/MOV files with GPS inside it is ExifTool (-ee). Printed per file: the
number of fixes each side has, how many of ours lie on a fix of the reference
(within 1e-6 degrees and, where both have one, the same time), and the largest
difference in degrees; a file agrees when both sides have as many fixes and
every one of ours lies on one of the reference. Damaged copies (cut at a
quarter, a half and near the end, and with bytes overwritten) must end with
status 0 or 2 within the time limit, never with a crash; a cut copy must give
no position that the whole file does not have (--no-damaged leaves them out).

Needs gpsbabel for NMEA and GPX, exiftool for videos (Debian: gpsbabel,
libimage-exiftool-perl); the ones the files given need are installed when
missing. Exits 1 when a check fails.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

TOLERANCE = 1e-6
TIMEOUT_S = 60
NMEA = {".log", ".nmea", ".gps"}
GPX = {".gpx"}
VIDEO = {".mp4", ".mov"}


def ensure_tools(files):
    suffixes = {os.path.splitext(f)[1].lower() for f in files}
    needed = []
    if suffixes & (NMEA | GPX):
        needed.append(("gpsbabel", "gpsbabel"))
    if suffixes & VIDEO:
        needed.append(("exiftool", "libimage-exiftool-perl"))
    missing = [pkg for tool, pkg in needed if not shutil.which(tool)]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "--no-install-recommends"] + missing, check=True)


def gpx_points(text):
    """(lat, lon, time or None) of every trkpt/rtept/wpt of a GPX document."""
    points = []
    try:
        root = ET.fromstring(text)
    except ET.ParseError:
        return None
    for element in root.iter():
        tag = element.tag.rsplit("}", 1)[-1]
        if tag in ("trkpt", "rtept", "wpt"):
            time = None
            for child in element:
                if child.tag.rsplit("}", 1)[-1] == "time":
                    time = (child.text or "").strip().replace(".000", "").rstrip("Z")
            points.append((float(element.get("lat")), float(element.get("lon")), time))
    return points


def ours(program, path):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    try:
        run = subprocess.run([program, "--export-gpx", path], capture_output=True, timeout=TIMEOUT_S, env=env)
    except subprocess.TimeoutExpired:
        return "timeout", None
    if run.returncode == 2:
        return 2, []
    if run.returncode != 0:
        return run.returncode, None
    return 0, gpx_points(run.stdout)


def reference(path):
    suffix = os.path.splitext(path)[1].lower()
    if suffix in NMEA or suffix in GPX:
        kind = "gpx" if suffix in GPX else "nmea"
        run = subprocess.run(["gpsbabel", "-t", "-i", kind, "-f", path, "-o", "gpx,gpxver=1.1", "-F", "-"],
                             capture_output=True, timeout=TIMEOUT_S)
        points = gpx_points(run.stdout) or []
        if kind == "gpx" and not points:
            for option in ("-r", "-w"):
                run = subprocess.run(["gpsbabel", option, "-i", "gpx", "-f", path, "-o", "gpx", "-F", "-"],
                                     capture_output=True, timeout=TIMEOUT_S)
                points = gpx_points(run.stdout) or []
                if points:
                    break
        return "gpsbabel", points
    if suffix in VIDEO:
        # Every sample (-a), latitudes and longitudes listed apart, in order.
        columns = []
        for tag in ("-GPSLatitude", "-GPSLongitude"):
            run = subprocess.run(["exiftool", "-ee", "-n", "-a", "-q", "-q", "-s3", tag, path],
                                 capture_output=True, text=True, timeout=TIMEOUT_S)
            columns.append([float(v) for v in run.stdout.split()])
        return "exiftool", [(lat, lon, None) for lat, lon in zip(*columns)]
    return None, []


def on_reference(point, reference_points):
    best = None
    for lat, lon, time in reference_points:
        if point[2] and time and point[2] != time:
            continue
        gap = max(abs(point[0] - lat), abs(point[1] - lon))
        if best is None or gap < best:
            best = gap
    return best


def compare(program, path):
    status, mine = ours(program, path)
    tool, theirs = reference(path)
    if mine is None:
        print("FAIL %s: the export ended with %s" % (path, status))
        return False
    matched, worst = 0, 0.0
    for point in mine:
        gap = on_reference(point, theirs)
        if gap is not None and gap <= TOLERANCE:
            matched += 1
            worst = max(worst, gap)
    ok = matched == len(mine) == len(theirs)
    print("%s %s: ours %d fixes (status %s), %s %d; %d of ours on a %s fix, largest difference %.1e deg"
          % ("ok  " if ok else "DIFF", path, len(mine), status, tool, len(theirs), matched, tool, worst))
    return ok


def damaged(program, path, work):
    with open(path, "rb") as f:
        data = f.read()
    if not data:
        return True
    _, whole = ours(program, path)
    whole = whole or []
    ok = True
    rng = random.Random(len(data))
    variants = [("cut at %d%%" % share, data[: len(data) * share // 100]) for share in (25, 50, 90)]
    for round_ in range(3):
        copy = bytearray(data)
        for _ in range(max(1, len(copy) // 200)):
            copy[rng.randrange(len(copy))] = rng.randrange(256)
        variants.append(("overwritten %d" % round_, bytes(copy)))
    for name, content in variants:
        target = os.path.join(work, os.path.basename(path))
        with open(target, "wb") as f:
            f.write(content)
        status, mine = ours(program, target)
        if status not in (0, 2):
            print("FAIL %s, %s: ended with %s" % (path, name, status))
            ok = False
            continue
        if name.startswith("cut") and mine:
            gaps = [on_reference(p, whole) for p in mine]
            invented = [gap for gap in gaps if gap is None or gap > TOLERANCE]
            if invented:
                print("FAIL %s, %s: %d positions the whole file does not have" % (path, name, len(invented)))
                ok = False
                continue
        print("ok   %s, %s: status %s, %d fixes" % (path, name, status, len(mine or [])))
    return ok


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--no-damaged", action="store_true", help="compare the whole files only")
    parser.add_argument("paths", nargs="+")
    args = parser.parse_args()
    files = []
    for path in args.paths:
        if os.path.isdir(path):
            for folder, _, names in sorted(os.walk(path)):
                files += [os.path.join(folder, n) for n in sorted(names)
                          if os.path.splitext(n)[1].lower() in NMEA | GPX | VIDEO]
        else:
            files.append(path)
    ensure_tools(files)
    ok = True
    with tempfile.TemporaryDirectory() as work:
        for path in files:
            ok = compare(args.program, path) and ok
            if not args.no_damaged:
                ok = damaged(args.program, path, work) and ok
    print("all agree" if ok else "differences found")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
