#!/usr/bin/env python3
"""A recording of two cameras played together in the real window, on a
private Xvfb, driven with xdotool; every tile's frame number is read from
screen grabs (see camerasync.py):

1. A double-click on the row plays it; V puts the cameras side by side. The
   two tiles show frame numbers that agree within a tolerance.
2. Right (5 s on): both tiles go there and agree again.
3. Space pauses: both tiles stand at one frame. "." steps one frame on: both
   show the next frame, the same one.

The figures (offsets in frames, median and 95th percentile, and the time
from the seek's key to both tiles at the new place within a frame) are
printed; only the agreement is checked. The benchmark
bench/playback/bench_camerasync.py measures the same over minutes and at
other speeds. Screen grabs go to --output.
"""

import argparse
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import camerasync  # noqa: E402
import e2e_vialumo as base  # noqa: E402

SCREEN = "1280x1024x24"
CLIP_SIZE = (480, 270)
FPS = 30
CLIP_SECONDS = 30
# Frames the cameras may be apart, as a median over the samples, on a
# machine busy with other work.
TOLERANCE = 3
SAMPLE_S = 4
WAIT_S = 45
SEEK_MS = 5000


class Run:
    def __init__(self, args, tmp):
        self.args = args
        self.tmp = tmp
        self.passed = 0
        self.failed = []
        self.procs = []
        self.window = None
        self.tiles = camerasync.side_by_side(2)

    def check(self, ok, what):
        if ok:
            self.passed += 1
            print("ok - " + what, flush=True)
        else:
            self.failed.append(what)
            print("FAIL - " + what, flush=True)
        return ok

    def save(self, name):
        try:
            self.window.grab().save(os.path.join(self.args.output, name + ".png"))
        except (OSError, base.Abort, Exception):  # a picture for the reader only
            pass

    def start(self):
        os.environ["DISPLAY"] = base.start_xvfb(self.procs, SCREEN)
        front = camerasync.make_clip(self.args.ffmpeg, os.path.join(self.tmp, "2026_0501_120000_0001F.MP4"),
                                     CLIP_SIZE[0], CLIP_SIZE[1], FPS, CLIP_SECONDS, "testsrc2", sound=True)
        rear = camerasync.make_clip(self.args.ffmpeg, os.path.join(self.tmp, "2026_0501_120000_0001R.MP4"),
                                    CLIP_SIZE[0], CLIP_SIZE[1], FPS, CLIP_SECONDS, "smptehdbars")
        self.window = camerasync.Window(self.args.window, self.args.images, self.args.alsa_config,
                                        [[("front", front), ("rear", rear)]], os.path.join(self.tmp, "run"),
                                        os.path.join(self.args.output, "window.log"))

    def frames(self, predicate=lambda frames: True, limit=WAIT_S):
        return self.window.wait_frames(self.tiles, CLIP_SIZE, predicate, limit)

    def agreement(self, what):
        offsets = self.window.sample_offsets(self.tiles, CLIP_SIZE, SAMPLE_S)
        median, p95 = camerasync.summary(offsets)
        print("# %s: %d samples, offset median %s, 95th percentile %s frames (rear minus front: %s)"
              % (what, len(offsets), median, p95, sorted(set(offsets))), flush=True)
        self.check(median is not None and median <= TOLERANCE,
                   "%s: the tiles' frames agree within %d" % (what, TOLERANCE))

    def steps(self):
        self.window.play_first()
        # Picture in picture first; V: side by side, where both tiles are large.
        time.sleep(1.0)
        self.window.key("v")
        playing = self.frames(lambda frames: frames[0] > FPS // 2)
        self.save("01-playing")
        self.check(playing is not None, "both tiles show their frame numbers")
        if playing is None:
            return
        self.agreement("after the start")

        before = self.frames()
        pressed = time.monotonic()
        self.window.key("Right")
        target = (before[0] if before else 0) + SEEK_MS * FPS // 1000
        arrived = self.frames(lambda frames: min(frames) >= target - FPS // 2 and max(frames) - min(frames) <= 1)
        if arrived is not None:
            print("# seek: both tiles within a frame at the new place %.0f ms after the key"
                  % ((time.monotonic() - pressed) * 1000), flush=True)
        self.save("02-sought")
        self.check(arrived is not None, "after a seek both tiles went there")
        self.agreement("after a seek")

        self.window.key("space")
        time.sleep(1.0)
        stood = self.frames(lambda frames: frames == self.frames(limit=5), limit=10)
        self.save("03-paused")
        self.check(stood is not None and stood[0] == stood[1],
                   "paused, both tiles stand at one frame (%s)" % (stood,))
        if stood is None:
            return
        self.window.key("period")
        stepped = self.frames(lambda frames: frames[0] != stood[0] and frames == self.frames(limit=5), limit=10)
        self.save("04-stepped")
        self.check(stepped is not None and stepped[0] == stepped[1] and stepped[0] == stood[0] + 1,
                   "a frame step shows the next frame on both tiles (%s after %s)" % (stepped, stood))

    def stop(self):
        if self.window:
            self.window.close()
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                proc.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", required=True, help="e2e_camera_window")
    parser.add_argument("--images", required=True)
    parser.add_argument("--alsa-config", required=True)
    parser.add_argument("--ffmpeg", default="ffmpeg")
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        run = Run(args, tmp)
        try:
            run.start()
            run.steps()
        except base.Abort as e:
            run.check(False, str(e))
        finally:
            run.stop()
    print("%d passed, %d failed" % (run.passed, len(run.failed)))
    return 1 if run.failed else 0


if __name__ == "__main__":
    sys.exit(main())
