#!/usr/bin/env python3
"""Cameras played together: how far apart their pictures are, and what three
streams at once cost, read from the screen of the real window.

Three cameras of one recording (two 1080p30 streams, the front with sound,
and one 720p30), side by side in e2e_camera_window (the program's window with
such a recording listed); every picture carries its frame number as a stripe
(tests/e2e/camerasync.py), read from grabs of the root window.

- At 1x for --minutes (3): each other camera's frame minus the front's, grab
  by grab: median and 95th percentile of the sizes, over the whole run and
  its last 30 s (targets: at most 1 and 2 frames). Beside it, the baseline:
  the same clips in plain libvlc players started together and never set to
  one time (camerasync_bare).
- Seeks (5 s on and back, several): from the key to every tile within a
  frame at the new place (target: 500 ms).
- Paused, frame steps: how many showed one frame on every tile.
- At 0.25x and at 4x: the offsets again.
- Load: the pictures the engine lost (libvlc's statistics, lost of shown and
  lost) for each camera at 1x, beside one 1080p stream played alone
  (target: at most 1 %).

    bench/playback/bench_camerasync.py --window build/tests/e2e_camera_window \\
        --bare build/bench/camerasync_bare --images build/deploy/images \\
        --alsa-config build/testdata/alsa-null.conf --output build/bench-output/camerasync

It runs on the X server of DISPLAY, or on one of its own. The clips are made
once (a few minutes of encoding) and kept in --output.
"""

import argparse
import os
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
import camerasync  # noqa: E402
import e2e_vialumo as base  # noqa: E402

FPS = 30
FULL_HD = (1920, 1080)
HD = (1280, 720)
PICTURES = [FULL_HD, FULL_HD, HD]
LAST_S = 30
SEEKS = 6
SEEK_MS = 5000
FRAME_STEPS = 5
WAIT_S = 60
# From 1x: [ three times gives 0.25x, ] eight times from there 4x.
SLOWER_TO_QUARTER = 3
FASTER_FROM_QUARTER_TO_4 = 8


def clip(args, name, size, seconds, background, sound=False):
    path = os.path.join(args.output, "clips", "%s-%dx%d-%ds.mp4" % (name, size[0], size[1], seconds))
    if not os.path.exists(path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        print("# making %s" % os.path.basename(path), flush=True)
        partial = path + ".part.mp4"
        camerasync.make_clip(args.ffmpeg, partial, size[0], size[1], FPS, seconds, background, sound)
        os.replace(partial, path)
    return path


def lost_share(before, after, camera):
    if camera not in before or camera not in after:
        return None, 0, 0
    shown = after[camera][0] - before[camera][0]
    lost = after[camera][1] - before[camera][1]
    total = shown + lost
    return (100.0 * lost / total if total > 0 else None), lost, total


def figures(label, offsets, frames_per_sample):
    median, p95 = camerasync.summary(offsets)
    return "%s: %d samples, offset median %s frames, 95th percentile %s frames" % (
        label, len(offsets) // frames_per_sample, median, p95)


class Bench:
    def __init__(self, args):
        self.args = args
        self.tiles = camerasync.side_by_side(3)
        self.lines = []

    def report(self, line):
        self.lines.append(line)
        print(line, flush=True)

    def frames(self, window, predicate=lambda frames: True, limit=WAIT_S):
        return window.wait_frames(self.tiles, PICTURES, predicate, limit)

    def sample(self, window, seconds):
        return window.sample_offsets(self.tiles, PICTURES, seconds)

    def program(self, tmp, cameras, front):
        window = camerasync.Window(self.args.window, self.args.images, self.args.alsa_config,
                                   [cameras, [("front", front)]], os.path.join(tmp, "run"),
                                   os.path.join(self.args.output, "window.log"), pictures=True)
        try:
            window.play_first()
            time.sleep(1.0)
            window.key("v")  # side by side
            if self.frames(window) is None:
                raise base.Abort("the tiles show no frame numbers")
            window.grab().save(os.path.join(self.args.output, "playing.png"))

            # 1x.
            before = window.pictures()
            started = time.monotonic()
            offsets = self.sample(window, max(0.0, self.args.minutes * 60 - LAST_S))
            last = self.sample(window, LAST_S)
            after = window.pictures()
            self.report(figures("1x, %.1f min" % ((time.monotonic() - started) / 60), offsets + last, 2))
            self.report(figures("1x, its last %d s" % LAST_S, last, 2))
            self.load = [lost_share(before, after, camera) for camera in range(3)]

            # Seeks.
            waits = []
            for n in range(SEEKS):
                now = self.frames(window)
                key, delta = ("Right", SEEK_MS) if n % 2 == 0 else ("Left", -SEEK_MS)
                pressed = time.monotonic()
                window.key(key)
                target = now[0] + delta * FPS // 1000
                arrived = self.frames(window, lambda frames: abs(frames[0] - target) <= FPS // 2
                                      and max(frames) - min(frames) <= 1, limit=10)
                waits.append((time.monotonic() - pressed) * 1000 if arrived else None)
                time.sleep(2.0)
            self.report("seeks: every tile within a frame at the new place after %s ms" %
                        ", ".join("%.0f" % w if w is not None else "never" for w in waits))

            # Paused frame steps.
            window.key("space")
            time.sleep(1.5)
            equal = 0
            for _ in range(FRAME_STEPS):
                window.key("period")
                time.sleep(1.0)
                stood = self.frames(window, limit=5)
                equal += 1 if stood and len(set(stood)) == 1 else 0
            self.report("paused: %d of %d frame steps showed one frame on every tile" % (equal, FRAME_STEPS))
            window.key("space")

            # 0.25x, from the start.
            for _ in range(SLOWER_TO_QUARTER):
                window.key("bracketleft")
            for _ in range(3):
                window.key("ctrl+Left")
            time.sleep(2.0)
            self.report(figures("0.25x, %d s" % self.args.slow_seconds, self.sample(window, self.args.slow_seconds), 2))

            # 4x, from the start.
            for _ in range(FASTER_FROM_QUARTER_TO_4):
                window.key("bracketright")
            for _ in range(3):
                window.key("ctrl+Left")
            time.sleep(2.0)
            before = window.pictures()
            fast = self.sample(window, self.args.fast_seconds)
            after = window.pictures()
            self.report(figures("4x, %d s" % self.args.fast_seconds, fast, 2))
            self.fast_load = [lost_share(before, after, camera) for camera in range(3)]

            # One stream alone, at 1x: the second row.
            for _ in range(FASTER_FROM_QUARTER_TO_4):
                window.key("bracketleft")
            for _ in range(SLOWER_TO_QUARTER):
                window.key("bracketright")
            window.click((camerasync.FIRST_ROW[0], camerasync.FIRST_ROW[1] + 20), repeat=2)
            time.sleep(3.0)
            before = window.pictures()
            time.sleep(self.args.load_seconds)
            after = window.pictures()
            self.alone = lost_share(before, after, 0)
        finally:
            window.close()

    def bare(self, tmp, cameras):
        window = camerasync.Window(self.args.bare, self.args.images, self.args.alsa_config, [cameras],
                                   os.path.join(tmp, "bare"), os.path.join(self.args.output, "bare.log"),
                                   title="Vialumo bare")
        try:
            if self.frames(window) is None:
                raise base.Abort("the bare players show no frame numbers")
            self.report(figures("baseline, libvlc alone, 1x, %d s" % self.args.baseline_seconds,
                                self.sample(window, self.args.baseline_seconds), 2))
        finally:
            window.close()

    def run(self, tmp):
        self.report("load average at the start: %.1f %.1f %.1f (other work on the machine)" % os.getloadavg())
        seconds = int(max(self.args.minutes * 60 + 60, self.args.fast_seconds * 4 + 20))
        front = clip(self.args, "front", FULL_HD, seconds, "testsrc2", sound=True)
        rear = clip(self.args, "rear", FULL_HD, seconds, "smptehdbars")
        interior = clip(self.args, "interior", HD, seconds, "testsrc")
        cameras = [("front", front), ("rear", rear), ("interior", interior)]
        self.program(tmp, cameras, front)
        names = ["front 1080p", "rear 1080p", "interior 720p"]
        for label, load in (("1x", self.load), ("4x", self.fast_load)):
            self.report("lost pictures at %s, three streams: %s" % (label, ", ".join(
                "%s %s (%d of %d)" % (name, "%.2f %%" % share if share is not None else "-", lost, total)
                for name, (share, lost, total) in zip(names, load))))
        share, lost, total = self.alone
        self.report("lost pictures at 1x, one 1080p stream alone (baseline): %s (%d of %d)"
                    % ("%.2f %%" % share if share is not None else "-", lost, total))
        self.bare(tmp, cameras)
        self.report("load average at the end: %.1f %.1f %.1f" % os.getloadavg())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", required=True, help="e2e_camera_window")
    parser.add_argument("--bare", required=True, help="camerasync_bare")
    parser.add_argument("--images", required=True)
    parser.add_argument("--alsa-config", required=True)
    parser.add_argument("--ffmpeg", default="ffmpeg")
    parser.add_argument("--output", required=True)
    parser.add_argument("--minutes", type=float, default=3.0, help="at 1x")
    parser.add_argument("--slow-seconds", type=int, default=60, help="at 0.25x")
    parser.add_argument("--fast-seconds", type=int, default=40, help="at 4x")
    parser.add_argument("--load-seconds", type=int, default=60, help="one stream alone")
    parser.add_argument("--baseline-seconds", type=int, default=60)
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)
    procs = []
    if not os.environ.get("DISPLAY"):
        os.environ["DISPLAY"] = base.start_xvfb(procs, "1280x1024x24")
    bench = Bench(args)
    try:
        with tempfile.TemporaryDirectory() as tmp:
            bench.run(tmp)
    except base.Abort as e:
        print("bench_camerasync: %s" % e, file=sys.stderr)
        return 1
    finally:
        for proc in procs:
            proc.terminate()
            proc.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
