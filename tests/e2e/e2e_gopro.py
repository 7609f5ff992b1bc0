#!/usr/bin/env python3
"""The real GoPro recording (GPS in its GPMF metadata track, no log beside it)
played in the built program: named on the command line, rated "Available",
double-clicked, and then the map page receives setstart/setposition calls at
the recording's own positions while the position text and the speedometer
show. The positions are checked against the program's own `--export-gpx`
document of the same file, run before the window opens.

It reuses the session of e2e_vialumo.py (private Xvfb, a runnable folder with
map pages that print every call to the console, screen grabs in --output).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_vialumo as e2e  # noqa: E402

GOPRO = "max-heromode.mp4"
TRKPT = re.compile(r'<trkpt lat="(-?[0-9.]+)" lon="(-?[0-9.]+)"')
# The calls carry the texts of the position label: seven significant digits of
# latitude and eight of longitude, five decimals here.
TOLERANCE = 1e-5


class GoProSession(e2e.Session):
    def scenario(self):
        self.start_xvfb()
        self.make_runnable_folder()
        self.video = os.path.join(self.tmp, "card", "DCIM", "100GOPRO", GOPRO)
        os.makedirs(os.path.dirname(self.video))
        shutil.copy(self.args.gopro, self.video)

        # The reference: the same program's export, without a display.
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        exported = subprocess.run([self.args.program, "--export-gpx", self.video], env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.check(exported.returncode == 0, "--export-gpx of the GoPro file exits 0 without a display")
        fixes = [(float(a), float(b)) for a, b in TRKPT.findall(exported.stdout)]
        self.check(len(fixes) > 10, "the export holds the recording's fixes (%d)" % len(fixes))
        south, north = min(f[0] for f in fixes), max(f[0] for f in fixes)
        west, east = min(f[1] for f in fixes), max(f[1] for f in fixes)

        def on_track(call):
            return (south - TOLERANCE <= call[0] <= north + TOLERANCE
                    and west - TOLERANCE <= call[1] <= east + TOLERANCE)

        self.start_with([self.video])
        e2e.wait_for("the import", lambda: "VideoPath:" in self.console_text())
        before = self.wait_shot("the row of the recording", "gopro-imported",
                                lambda shot: shot.has_content(self.row_region(e2e.LEFT_TABLE_X, 0)))

        mark = self.console.mark()
        self.click(self.row_point(e2e.LEFT_TABLE_X, 0), repeat=2)

        def played():
            segments = self.console.segments(mark)
            if not segments or segments[-1][0] != e2e.PAGE_MAP:
                return None
            calls = segments[-1][1]
            return calls if len(e2e.calls_named(calls, "setposition")) >= 3 else None

        calls = e2e.wait_for("the map page and its position calls", played)
        self.check(self.console.pages(mark)[-1] == e2e.PAGE_MAP,
                   "the online map page is shown: the recording is rated Available")
        starts = e2e.calls_named(calls, "setstart")
        positions = e2e.calls_named(calls, "setposition")
        self.check(starts and all(abs(s[0] - fixes[0][0]) <= TOLERANCE and abs(s[1] - fixes[0][1]) <= TOLERANCE
                                  for s in starts),
                   "setstart at the recording's first fix %r (got %r)" % (fixes[0], starts[:1]))
        self.check(all(on_track(p) for p in positions),
                   "%d setposition calls all lie on the recording's track" % len(positions))
        playing = self.wait_shot("the position text and the speedometer", "gopro-playing",
                                 lambda shot: shot.has_content(e2e.POSITION_TEXT)
                                 and shot.changed_fraction(before, e2e.SPEEDOMETER) > 0.001)
        self.check(playing.has_content(e2e.POSITION_TEXT), "the position text shows while playing")
        self.check(playing.changed_fraction(before, e2e.VIDEO) > 0.05, "the video's pictures show")

    def console_text(self):
        with open(self.stderr_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def start_with(self, paths):
        env = dict(os.environ)
        for name in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
            "ALSA_CONFIG_PATH": self.args.alsa_config,
            "QT_LOGGING_RULES": "js.debug=true;js.info=true;qt.webenginecontext.debug=false",
            "HOME": os.path.join(self.tmp, "home"),
            "XDG_CONFIG_HOME": os.path.join(self.tmp, "home", "config"),
        })
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        self.stderr_path = os.path.join(self.output, "vialumo-gopro-stderr.log")
        self.stderr_file = open(self.stderr_path, "wb")
        self.app = subprocess.Popen(["./vialumo"] + paths, cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                    stdout=self.stderr_file, stderr=subprocess.STDOUT, start_new_session=True)
        self.procs.append(self.app)
        self.console = e2e.Console(self.stderr_path)

        def window():
            if self.app.poll() is not None:
                raise e2e.Abort("vialumo exited with %s before showing its window" % self.app.returncode)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vialumo$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            for w in found:
                types = subprocess.run(["xprop", "-id", w, "_NET_WM_WINDOW_TYPE"], stdout=subprocess.PIPE,
                                       stderr=subprocess.DEVNULL, text=True).stdout
                if "SPLASH" not in types:
                    return w
            return None

        self.window = e2e.wait_for("the Vialumo window", window, e2e.WAIT_START_S)
        geometry = dict(line.split("=", 1) for line in
                        e2e.run(["xdotool", "getwindowgeometry", "--shell", self.window]).split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))
        self.click(e2e.REST)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built vialumo binary")
    parser.add_argument("--images", required=True, help="the runnable folder's images/ (button faces)")
    parser.add_argument("--alsa-config", required=True, help="an ALSA configuration with a null device")
    parser.add_argument("--gopro", required=True, help="the GoPro sample with GPMF GPS")
    parser.add_argument("--output", required=True, help="folder for the screen grabs and the program's output")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xprop", e2e.IMPORT_TOOL, e2e.CONVERT_TOOL, args.program):
        if shutil.which(tool) is None:
            print("e2e: %s not found" % tool, file=sys.stderr)
            return 1

    session = GoProSession(args)
    aborted = None
    try:
        session.scenario()
    except (e2e.Abort, AssertionError, subprocess.CalledProcessError) as e:
        aborted = str(e)
        try:
            session.grab("gopro-aborted")
        except Exception:  # noqa: BLE001 - the grab is only a help for the reader
            pass
    finally:
        session.stop_all()
    if os.path.exists(os.path.join(session.output, "polling.png")):
        os.remove(os.path.join(session.output, "polling.png"))
    if aborted:
        session.failed.append("aborted: " + aborted)
        print("FAIL - aborted: " + aborted)
        if getattr(session, "console", None) is not None:
            for kind, text in session.console.poll()[-15:]:
                print("#   %s %s" % (kind, text))
    print("e2e: %d passed, %d failed" % (session.passed, len(session.failed)))
    return 0 if not session.failed else 1


if __name__ == "__main__":
    sys.exit(main())
