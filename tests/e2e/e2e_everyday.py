#!/usr/bin/env python3
"""The built program driven with real X key presses and clicks (xdotool) on a
private Xvfb, in two starts that share one settings file:

1. `vialumo PATH...` with a relative path (read against VIALUMO_START_DIR, as
   the launcher sets it) and a path that is not there; the import ends with a
   line naming what was skipped.
2. The volume slider is clicked, so that it holds the keyboard focus (it takes
   arrows and page keys for itself), a row is double-clicked to play: then
   Space pauses, Alt+Right twice shifts the GPS track, S writes a snapshot, F1
   shows the key help. The keys reach the window, not the slider.
3. A second start with the same recording: Alt+Right once more gives +3 s, so
   the shift came back from the settings file.

Screen grabs go to --output. Waits have generous limits; no timing is asserted.
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

WINDOW_W, WINDOW_H = 955, 670
VOLUME_SLIDER = (600, 478)   # window coordinates
FIRST_ROW = (40, 526)
CLOSE = (935, 10)
WAIT_S = 90
POLL_S = 0.25


# The private X server is started as the main end-to-end session starts it.
from e2e_vialumo import Abort, start_xvfb


def wait_for(what, predicate, limit=WAIT_S):
    end = time.monotonic() + limit
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Abort("timed out waiting for " + what)
        time.sleep(POLL_S)


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", head[16:24])


class Run:
    def __init__(self, args, tmp):
        self.args = args
        self.tmp = tmp
        self.passed = 0
        self.failed = []
        self.procs = []
        self.home = os.path.join(tmp, "home")
        os.makedirs(self.home)
        self.settings = os.path.join(self.home, "config", "Vialumo", "Vialumo.conf")

    def check(self, ok, what):
        if ok:
            self.passed += 1
            print("ok - " + what, flush=True)
        else:
            self.failed.append(what)
            print("FAIL - " + what, flush=True)
        return ok

    def start_xvfb(self):
        os.environ["DISPLAY"] = start_xvfb(self.procs, "1280x1024x24")

    def make_card(self):
        folder = os.path.join(self.tmp, "card", "DCIM", "100CLIP")
        os.makedirs(folder)
        self.clip = os.path.join(folder, "CLIP0001.MOV")
        subprocess.run([self.args.ffmpeg, "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi",
                        "-i", "testsrc=size=320x240:rate=25", "-t", "20", "-c:v", "libx264", "-preset",
                        "ultrafast", "-pix_fmt", "yuv420p", self.clip], check=True)

    def start(self, paths, name):
        env = dict(os.environ)
        for key in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY"):
            env.pop(key, None)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
            "ALSA_CONFIG_PATH": self.args.alsa_config,
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "VIALUMO_START_DIR": self.tmp,
        })
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        self.log_path = os.path.join(self.args.output, name + "-stderr.log")
        self.log = open(self.log_path, "wb")
        self.app = subprocess.Popen([self.args.program] + paths, cwd=self.args.deploy, env=env,
                                    stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT,
                                    start_new_session=True)
        self.procs.append(self.app)

        def window():
            if self.app.poll() is not None:
                raise Abort("vialumo exited with %s before showing its window" % self.app.returncode)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vialumo$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            for w in found:
                types = subprocess.run(["xprop", "-id", w, "_NET_WM_WINDOW_TYPE"], stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, text=True).stdout
                if "SPLASH" not in types:
                    return w
            return None

        self.window = wait_for("the Vialumo window", window)
        geometry = dict(line.split("=", 1) for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", self.window], stdout=subprocess.PIPE,
            text=True, check=True).stdout.split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))

    def output(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def xdo(self, *words):
        subprocess.run(["xdotool"] + [str(w) for w in words], check=True)

    def at(self, point):
        return self.origin[0] + point[0], self.origin[1] + point[1]

    def click(self, point, repeat=1, button=1):
        x, y = self.at(point)
        self.xdo("mousemove", x, y, "sleep", "0.2", "click", "--repeat", repeat, "--delay", 120, button)

    def grab(self, name):
        path = os.path.join(self.args.output, name + ".png")
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (WINDOW_W, WINDOW_H, *self.origin),
                        "+repage", path], check=False)
        return path

    def shifts(self):
        """The GPS shifts in the settings file, by (decoded) path."""
        found = {}
        if not os.path.exists(self.settings):
            return found
        group = None
        with open(self.settings, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if line.startswith("["):
                    group = line[1:-1]
                elif group == "GpsShift" and "=" in line:
                    key, value = line.split("=", 1)
                    found[urllib.parse.unquote(urllib.parse.unquote(key))] = int(value)
        return found

    def close(self):
        self.click(CLOSE)
        try:
            status = self.app.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            raise Abort("the program did not close")
        self.check(status == 0, "the program closed with status 0 (%s)" % status)

    def play_first_row(self):
        self.click(FIRST_ROW, repeat=2)
        wait_for("playback", lambda: "LODAD MAP END" in self.output())
        time.sleep(2)

    def first_start(self):
        relative = os.path.relpath(self.clip, self.tmp)
        self.start([relative, "card/DCIM/100CLIP/gone.MOV"], "first")
        closing = wait_for("the import's closing line",
                           lambda: re.search(r"import skipped (\S+) \(cannot be read\)", self.output()))
        self.check(closing.group(1).endswith("/card/DCIM/100CLIP/gone.MOV"),
                   "the path that is not there is skipped and named")
        self.grab("everyday-imported")

        self.click(VOLUME_SLIDER)      # the slider takes the keyboard focus
        self.play_first_row()
        self.xdo("key", "space")       # pause
        time.sleep(1)
        self.xdo("key", "alt+Right", "alt+Right")
        self.check(wait_for("the GPS shift in the settings",
                            lambda: self.shifts().get(os.path.realpath(self.clip)) == 2, 20),
                   "Alt+Right twice: GPS +2 s remembered for the recording")
        self.grab("everyday-gps-shift")
        self.xdo("key", "s")
        pictures = os.path.join(self.home, "Pictures", "Vialumo")
        shots = wait_for("a snapshot", lambda: os.path.isdir(pictures) and os.listdir(pictures), 20)
        self.check(len(shots) == 1 and re.fullmatch(r"CLIP0001_00-00-\d\d\.png", shots[0]) is not None,
                   "S: a snapshot named after the recording and the time (%s)" % shots)
        self.check(png_size(os.path.join(pictures, shots[0])) == (320, 240), "the snapshot is the video's size")
        self.grab("everyday-snapshot")
        self.xdo("key", "F1")
        time.sleep(1)
        self.grab("everyday-key-help")
        self.xdo("key", "Escape")
        time.sleep(0.5)
        self.close()

    def second_start(self):
        self.start([self.clip], "second")
        wait_for("the import", lambda: "VideoPath:" in self.output())
        time.sleep(1)
        self.play_first_row()
        self.xdo("key", "alt+Right")
        self.check(wait_for("the GPS shift in the settings",
                            lambda: self.shifts().get(os.path.realpath(self.clip)) == 3, 20),
                   "second start: the shift came back (+3 s after one more Alt+Right)")
        self.close()

    def stop_all(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, 9) if proc is getattr(self, "app", None) else proc.kill()
                except OSError:
                    pass
                proc.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--deploy", required=True)
    parser.add_argument("--alsa-config", required=True)
    parser.add_argument("--ffmpeg", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    os.makedirs(args.output, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        run = Run(args, tmp)
        try:
            run.start_xvfb()
            run.make_card()
            run.first_start()
            run.second_start()
        except Abort as e:
            run.check(False, str(e))
        finally:
            run.stop_all()
    print("%d passed, %d failed" % (run.passed, len(run.failed)))
    return 1 if run.failed else 0


if __name__ == "__main__":
    sys.exit(main())
