#!/usr/bin/env python3
"""End-to-end test of the built vialumo program, driven like a person would.

It starts the real binary on a private Xvfb in a runnable folder of its own
(map pages that print every call they receive to the JavaScript console),
imports a sample drive through the real file dialog with xdotool, plays it,
and checks what the window shows (screen grabs) and what the map page is told
(the program's console output). Screen grabs are kept in --output.

Only waits with generous limits: nothing here asserts how long anything takes.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WINDOW_W, WINDOW_H = 955, 670
SCREEN = "1280x1024x24"

# Regions of the window, (x, y, width, height) in window coordinates.
VIDEO = (5, 55, 640, 360)
MAP = (650, 55, 300, 360)
TIME_LABEL = (15, 445, 110, 20)
POSITION_TEXT = (650, 455, 300, 40)
SPEEDOMETER = (650, 500, 300, 120)
TABLES = (5, 500, 640, 125)
LEFT_TABLE_X, RIGHT_TABLE_X = 5, 325
TABLE_WIDTH = 320
TABLE_TOP = 500
ROW_HEIGHT = 20

# Button centres in window coordinates.
IMPORT = (204, 647)
PREVIOUS_PAGE = (284, 647)
NEXT_PAGE = (364, 647)
DELETE = (444, 647)
PREVIOUS = (204, 440)
NEXT = (364, 440)
STOP = (444, 440)
CLOSE = (935, 10)
# Somewhere harmless for the pointer, so that no hover face shows in a grab.
REST = (800, 40)

WAIT_START_S = 120
WAIT_S = 90
QUIET_S = 4
POLL_S = 0.25

PAGE_MAP, PAGE_NO_FILE, PAGE_NO_INFO = "googlearth", "no_gps_file", "no_gps_info"
MAP_PAGES = ["startupp", PAGE_MAP, PAGE_NO_FILE, PAGE_NO_INFO, "no_connection"]
COPIED_IMAGES = re.compile(r"(Window_|Video_Play|Video_Pause).*\.png$")
CONSOLE_LINE = re.compile(r"^js: (PAGE|CALL) (.*)$")
# The real online and offline map pages and what they load, for the step without a network.
REAL_MAP_FILES = ["googlearth.html", "no_connection.html", "map", "leaflet"]
# The offline map's land and sea (map/basemap.js) and the route's speed colours (map/units.js).
OFFLINE_BASE = [(0x1e, 0x27, 0x24), (0x0e, 0x17, 0x1d)]
SPEED_COLOURS = [(0x3f, 0x7f, 0xd8), (0x00, 0xb0, 0xa8), (0x8c, 0xc6, 0x3f), (0xf2, 0xc1, 0x2e), (0xef, 0x5a, 0x3c)]
CALL = re.compile(r"^(\w+)\(([-0-9.eE+]+),([-0-9.eE+]+)\)$")
COORDINATE_TOLERANCE = 1e-6

IMPORT_TOOL = "/usr/bin/import"
CONVERT_TOOL = "/usr/bin/convert"


class Abort(Exception):
    """The test cannot go on."""


# --------------------------------------------------------------------------- helpers

def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw).stdout


def wait_for(what, predicate, limit=WAIT_S):
    end = time.monotonic() + limit
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Abort("gave up waiting for " + what)
        time.sleep(POLL_S)


class Clip:
    """One recording of the sample drive and the fixes of its log, in decimal degrees."""

    def __init__(self, card, number):
        self.name = "CLIP%04d.MOV" % number
        self.log = os.path.join(card, "gps", "gps%04d.log" % number)
        self.fixes = []      # (line number, latitude, longitude), signed
        self.lines = 0
        if os.path.exists(self.log):
            with open(self.log, encoding="utf-8") as f:
                for i, line in enumerate(f.read().splitlines()):
                    self.lines += 1
                    fields = line.split(",")
                    if line.startswith("A") and len(fields) >= 8:
                        self.fixes.append((i, degrees(fields[3], 2, fields[4] == "S"),
                                           degrees(fields[5], 3, fields[6] == "W")))

    def rating(self):
        if not os.path.exists(self.log):
            return "Not Exist"
        return "Available" if self.lines and len(self.fixes) / self.lines > 0.2 else "Unavailable"

    def page(self):
        return {"Available": PAGE_MAP, "Not Exist": PAGE_NO_FILE, "Unavailable": PAGE_NO_INFO}[self.rating()]


def degrees(text, degree_digits, negative):
    value = int(text[:degree_digits]) + float(text[degree_digits:]) / 60.0
    return -value if negative else value


def close_to(a, b):
    return abs(a - b) <= COORDINATE_TOLERANCE


class Shot:
    """A grab of the program's window, kept as a PNG, with its pixels."""

    def __init__(self, path, raw):
        self.path = path
        self.raw = raw

    def rows(self, region, stride=1):
        x, y, w, h = region
        for row in range(y, y + h, stride):
            start = (row * WINDOW_W + x) * 3
            yield self.raw[start:start + w * 3]

    def changed_fraction(self, other, region, tolerance=40):
        """Share of the region's pixels that differ clearly between two grabs."""
        # Every other pixel of every other row is plenty for the video picture.
        stride = 2 if region[2] * region[3] > 20000 else 1
        changed = total = 0
        for a, b in zip(self.rows(region, stride), other.rows(region, stride)):
            total += len(range(0, len(a), 3 * stride))
            if a == b:
                continue
            for i in range(0, len(a), 3 * stride):
                if (abs(a[i] - b[i]) > tolerance or abs(a[i + 1] - b[i + 1]) > tolerance
                        or abs(a[i + 2] - b[i + 2]) > tolerance):
                    changed += 1
        return changed / float(total)

    def same_as_at(self, region, other_x):
        """The region looks the same as the one of its size at x = other_x."""
        moved = (other_x,) + tuple(region[1:])
        return list(self.rows(region)) == list(self.rows(moved))

    def same(self, other, region):
        return self.changed_fraction(other, region) < 0.002

    def colours(self, region):
        found = set()
        for row in self.rows(region):
            for i in range(0, len(row), 3):
                found.add(row[i:i + 3])
        return len(found)

    def share_near(self, region, colours, tolerance=12):
        """Share of the region's pixels within tolerance of one of the colours."""
        near = total = 0
        for row in self.rows(region, 2):
            for i in range(0, len(row), 3):
                total += 1
                if any(all(abs(row[i + k] - c[k]) <= tolerance for k in range(3)) for c in colours):
                    near += 1
        return near / total if total else 0.0

    def has_content(self, region):
        # Text and drawings are anti-aliased: many shades. An empty area is one
        # or two flat colours and a dashed grid.
        return self.colours(region) > 8


class Console:
    """The map pages' console lines, as the program prints them on stderr."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.partial = ""
        self.events = []     # ("PAGE", name) or ("CALL", text)

    def poll(self):
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            data = f.read()
        self.offset += len(data)
        text = self.partial + data.decode("utf-8", "replace")
        lines = text.split("\n")
        self.partial = lines.pop()
        for line in lines:
            m = CONSOLE_LINE.match(line.rstrip("\r"))
            if m:
                self.events.append((m.group(1), m.group(2)))
        return self.events

    def mark(self):
        return len(self.poll())

    def segments(self, mark):
        """The pages loaded since mark, each with the calls it received."""
        found = []
        for kind, text in self.poll()[mark:]:
            if kind == "PAGE":
                found.append((text, []))
            elif found:
                found[-1][1].append(text)
        return found

    def pages(self, mark):
        return [name for name, _ in self.segments(mark)]


def calls_named(calls, name):
    found = []
    for text in calls:
        m = CALL.match(text)
        if m and m.group(1) == name:
            found.append((float(m.group(2)), float(m.group(3))))
    return found


# --------------------------------------------------------------------------- the session

def start_xvfb(procs, screen):
    """Starts a private Xvfb of the given screen ("WxHxD"), added to procs;
    answers its display name, taken from the server itself."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    procs.append(xvfb)
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as f:
        while not number.endswith(b"\n"):
            byte = f.read(1)
            if not byte:
                raise Abort("Xvfb did not start")
            number += byte
    return ":" + number.decode().strip()


class Session:
    def __init__(self, args):
        self.args = args
        self.passed = 0
        self.failed = []
        self.shots = 0
        self.procs = []
        self.tmp = tempfile.mkdtemp(prefix="vialumo-e2e-")
        self.output = os.path.abspath(args.output)
        if os.path.isdir(self.output):
            for name in os.listdir(self.output):
                if name.endswith(".png") or name.endswith(".log"):
                    os.remove(os.path.join(self.output, name))
        os.makedirs(self.output, exist_ok=True)
        self.origin = (0, 0)
        self.table_row0 = TABLE_TOP + 18

    # --- results

    def check(self, ok, what):
        if ok:
            self.passed += 1
            print("ok - " + what, flush=True)
        else:
            self.failed.append(what)
            print("FAIL - " + what, flush=True)
        return ok

    # --- processes

    def start_xvfb(self):
        self.display = start_xvfb(self.procs, SCREEN)
        os.environ["DISPLAY"] = self.display
        print("# Xvfb on display %s" % self.display, flush=True)

    def make_sample(self):
        self.card = os.path.join(self.tmp, "card")
        subprocess.run([self.args.sample_tool, "--count", "12", "--seconds", "4", self.card], check=True)
        self.clips = {n: Clip(self.card, n) for n in range(1, 13)}
        self.clip_dir = os.path.join(self.card, "DCIM", "100CLIP")
        # The roles the sample drive gives its clips.
        assert self.clips[9].rating() == "Not Exist", "sample drive: clip 9 should have no log"
        assert self.clips[10].rating() == "Unavailable", "sample drive: clip 10 should be unavailable"
        assert self.clips[11].fixes[0][1] < 0 and self.clips[11].fixes[0][2] < 0, "clip 11 should be south-west"

    def make_runnable_folder(self):
        self.folder = os.path.join(self.tmp, "run")
        images = os.path.join(self.folder, "images")
        os.makedirs(images)
        os.symlink(os.path.abspath(self.args.program), os.path.join(self.folder, "vialumo"))
        for name in os.listdir(self.args.images):
            if COPIED_IMAGES.match(name):
                shutil.copy(os.path.join(self.args.images, name), images)
        for page in MAP_PAGES:
            body = "<input type=checkbox id=isonline checked>" if page == PAGE_MAP else ""
            with open(os.path.join(images, page + ".html"), "w", encoding="utf-8") as f:
                f.write(PAGE_SOURCE % {"name": page, "body": body})

    def start_program(self):
        env = dict(os.environ)
        for name in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
            "ALSA_CONFIG_PATH": os.path.abspath(self.args.alsa_config),
            # The web engine prints console.log lines in the "js" category, off by default.
            "QT_LOGGING_RULES": "js.debug=true;js.info=true;qt.webenginecontext.debug=false",
        })
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        self.stderr_path = os.path.join(self.output, "vialumo-stderr.log")
        self.stderr_file = open(self.stderr_path, "wb")
        self.app = subprocess.Popen(["./vialumo"], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                    stdout=self.stderr_file, stderr=subprocess.STDOUT, start_new_session=True)
        self.procs.append(self.app)
        self.console = Console(self.stderr_path)

        def window():
            if self.app.poll() is not None:
                raise Abort("vialumo exited with %s before showing its window" % self.app.returncode)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vialumo$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            return found[-1] if found else None

        self.window = wait_for("the Vialumo window", window, WAIT_START_S)
        geometry = dict(line.split("=", 1) for line in
                        run(["xdotool", "getwindowgeometry", "--shell", self.window]).split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))
        self.check((int(geometry["WIDTH"]), int(geometry["HEIGHT"])) == (WINDOW_W, WINDOW_H),
                   "the window is %sx%s" % (geometry["WIDTH"], geometry["HEIGHT"]))
        wait_for("the start page", lambda: "startupp" in self.console.pages(0), WAIT_START_S)

    def stop_all(self):
        app = getattr(self, "app", None)
        if app is not None and app.poll() is None:
            try:
                self.click(CLOSE)
                app.wait(timeout=30)
            except (subprocess.CalledProcessError, subprocess.TimeoutExpired, OSError):
                pass
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if app is not None:
            # The web engine's helper processes share the program's session.
            try:
                os.killpg(app.pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
        if getattr(self, "stderr_file", None):
            self.stderr_file.close()
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)

    # --- input and grabs

    def at(self, point):
        return str(self.origin[0] + point[0]), str(self.origin[1] + point[1])

    def click(self, point, repeat=1):
        x, y = self.at(point)
        run(["xdotool", "mousemove", "--sync", x, y, "click", "--repeat", str(repeat), "--delay", "120", "1"])
        rx, ry = self.at(REST)
        run(["xdotool", "mousemove", rx, ry])

    def row_point(self, table_x, row):
        return (table_x + 40, self.table_row0 + row * ROW_HEIGHT + ROW_HEIGHT // 2)

    def row_region(self, table_x, row):
        # The first column's inside, clear of the grid lines.
        return (table_x + 4, self.table_row0 + row * ROW_HEIGHT + 3, 70, ROW_HEIGHT - 6)

    def grab(self, name):
        """A grab kept in the output folder as NNN-name.png; name None: a passing one."""
        if name is None:
            path = os.path.join(self.output, "polling.png")
        else:
            self.shots += 1
            path = os.path.join(self.output, "%03d-%s.png" % (self.shots, name))
        crop = "%dx%d+%d+%d" % (WINDOW_W, WINDOW_H, self.origin[0], self.origin[1])
        run([IMPORT_TOOL, "-window", "root", "-crop", crop, "+repage", path])
        raw = subprocess.run([CONVERT_TOOL, path, "-depth", "8", "rgb:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        if len(raw) != WINDOW_W * WINDOW_H * 3:
            raise Abort("unexpected grab size for " + path)
        return Shot(path, raw)

    def keep(self, shot, name):
        self.shots += 1
        path = os.path.join(self.output, "%03d-%s.png" % (self.shots, name))
        os.replace(shot.path, path)
        shot.path = path
        return shot

    def wait_shot(self, what, name, predicate, limit=WAIT_S):
        """Grabs until predicate(shot) holds; keeps that grab as NNN-name.png."""
        last = [None]

        def attempt():
            shot = self.grab(None)
            last[0] = shot
            return shot if predicate(shot) else None

        try:
            return self.keep(wait_for(what, attempt, limit), name)
        except Abort:
            if last[0] is not None:
                self.keep(last[0], name + "-last")
            raise

    def filled_rows(self, shot, table_x, rows=range(5)):
        return [r for r in rows if shot.has_content(self.row_region(table_x, r))]

    # --- steps

    def measure_table(self, shot):
        """Finds the first row under the header (the header's height depends on the font)."""
        x = LEFT_TABLE_X + 150
        for y in range(TABLE_TOP + 5, TABLE_TOP + 40):
            pixel = shot.raw[(y * WINDOW_W + x) * 3:(y * WINDOW_W + x) * 3 + 3]
            if sum(pixel) / 3 < 0xC0:
                self.table_row0 = y + 1
                break
        print("# table rows start at y %d" % self.table_row0, flush=True)

    def wait_list_settled(self, dialog, what, quiet=1.0, limit=WAIT_S):
        """Waits until the dialog's upper part (its folder list, not the file
        name field with its blinking cursor) has stopped changing for `quiet`
        seconds."""
        geometry = dict(line.split("=", 1) for line in
                        run(["xdotool", "getwindowgeometry", "--shell", dialog]).split())
        region = "%dx%d+%d+%d" % (int(geometry["WIDTH"]), int(geometry["HEIGHT"]) * 7 // 10,
                                  int(geometry["X"]), int(geometry["Y"]))
        path = os.path.join(self.tmp, "settle.rgb")
        last, since = None, time.monotonic()
        end = time.monotonic() + limit
        while time.monotonic() < end:
            run([IMPORT_TOOL, "-window", "root", "-crop", region, "+repage", "-depth", "8", "rgb:" + path])
            with open(path, "rb") as f:
                picture = f.read()
            if picture != last:
                last, since = picture, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return
            time.sleep(0.2)
        raise Abort("gave up waiting for " + what)

    def import_files(self, numbers):
        before = self.grab("before-import")
        self.click(IMPORT)

        def dialog():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Open Files$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            return found[-1] if found else None

        window = wait_for("the Open Files dialog", dialog)
        # The file name field has the focus: a folder and Enter moves the dialog there.
        time.sleep(0.5)
        run(["xdotool", "type", "--delay", "15", self.clip_dir])
        run(["xdotool", "key", "Return"])
        # The dialog lists the folder on a thread of its own and sorts the list
        # as rows come in; names typed before that has settled end up selected
        # in the list's order instead of the order typed.
        self.wait_list_settled(window, "the dialog to list %s" % self.clip_dir)
        names = " ".join('"%s"' % self.clips[n].name for n in numbers)
        run(["xdotool", "type", "--delay", "15", names])
        self.wait_list_settled(window, "the dialog to select the typed names")
        self.shots += 1
        screen = "%dx%d+0+0" % tuple(int(v) for v in SCREEN.split("x")[:2])
        run([IMPORT_TOOL, "-window", "root", "-crop", screen, "+repage",
             os.path.join(self.output, "%03d-dialog.png" % self.shots)])
        run(["xdotool", "key", "Return"])
        wait_for("the dialog to accept the files and close", lambda: dialog() is None)
        return before

    def wait_playing(self, mark, index, nth=1, calls=2):
        """Waits until the nth page since mark has loaded, is the page of recording
        `index` of the catalogue, and (on the map) has received positions."""
        clip = self.clips[self.catalogue[index]]

        def ready():
            segments = self.console.segments(mark)
            if len(segments) < nth:
                return None
            if segments[nth - 1][0] != clip.page():
                raise Abort("page %d since the action is %s, expected %s for %s"
                            % (nth, segments[nth - 1][0], clip.page(), clip.name))
            if clip.page() == PAGE_MAP and len(calls_named(segments[nth - 1][1], "setposition")) < calls:
                return None
            return segments[nth - 1]

        return wait_for("%s (%s) to play" % (clip.name, clip.page()), ready)

    def check_track(self, calls, number, what):
        """What the map page received while clip `number` played matches its log."""
        clip = self.clips[number]
        starts = calls_named(calls, "setstart")
        positions = calls_named(calls, "setposition")
        first = clip.fixes[0]
        self.check(starts and all(close_to(a, first[1]) and close_to(b, first[2]) for a, b in starts),
                   "%s: setstart is the first fix of %s (%.6f,%.6f), got %s"
                   % (what, clip.name, first[1], first[2], sorted(set(starts))[:3]))
        line = 0
        in_order = True
        for a, b in positions:
            match = [i for i, lat, lon in clip.fixes if i >= line and close_to(a, lat) and close_to(b, lon)]
            if not match:
                in_order = False
                print("# %s: setposition(%r,%r) is no later fix of %s" % (what, a, b, clip.name), flush=True)
                break
            line = match[0]
        self.check(positions and in_order,
                   "%s: %d setposition calls follow the fixes of %s in order" % (what, len(positions), clip.name))
        south_west = first[1] < 0
        self.check(all((a < 0) == south_west and (b < 0) == south_west for a, b in starts + positions),
                   "%s: coordinates carry the hemisphere signs of %s" % (what, clip.name))
        return positions

    def wait_stopped(self, what):
        """Stopped: the time label reads 00:00:00/00:00:00 (as at start) and stays so."""
        shot = self.wait_shot(what, "stopped", lambda s: s.same(self.stopped_label, TIME_LABEL))
        mark = self.console.mark()
        time.sleep(QUIET_S / 2.0)
        again = self.grab(None)
        self.check(again.same(shot, VIDEO) and again.same(self.stopped_label, TIME_LABEL)
                   and self.console.pages(mark) == [], what)

    def wait_ended(self, what):
        """Ended: picture and time label stand still, the label not on zero (that is
        a recording stopped between two pages)."""
        history = []

        def ended(shot):
            history.append(shot)
            if len(history) < 3:
                return False
            a, b, c = history[-3:]
            return (not c.same(self.stopped_label, TIME_LABEL) and a.same(b, VIDEO) and b.same(c, VIDEO)
                    and a.same(b, TIME_LABEL) and b.same(c, TIME_LABEL))

        time.sleep(1.0)
        return self.wait_shot(what, "ended", ended)

    # --- the scenario

    def rows_are(self, left, right):
        """A predicate on a grab: these rows of the left and right tables hold a
        recording, the others are empty."""
        return lambda shot: (self.filled_rows(shot, LEFT_TABLE_X) == left
                             and self.filled_rows(shot, RIGHT_TABLE_X) == right)

    def text_top(self, shot, table_x, row):
        """The first pixel row of a cell's text, or None: shows whether a table has scrolled."""
        x, y, w, h = table_x + 4, self.table_row0 + row * ROW_HEIGHT, 70, ROW_HEIGHT - 1
        lines = list(shot.rows((x, y, w, h)))
        counts = {}
        for line in lines:
            for i in range(0, len(line), 3):
                counts[line[i:i + 3]] = counts.get(line[i:i + 3], 0) + 1
        background = max(counts, key=counts.get)
        for dy, line in enumerate(lines):
            far = sum(1 for i in range(0, len(line), 3)
                      if sum(abs(line[i + k] - background[k]) for k in range(3)) > 180)
            if far >= 2:
                return y + dy
        return None

    def check_rows_aligned(self, shot, rows, what):
        """The rows of both tables line up: neither table has scrolled its rows
        under the header or under a scroll bar."""
        tops = [(self.text_top(shot, LEFT_TABLE_X, r), self.text_top(shot, RIGHT_TABLE_X, r)) for r in rows]
        self.check(all(a is not None and b is not None and abs(a - b) <= 1 for a, b in tops),
                   "%s: the two tables' rows line up, text tops %s (%s)" % (what, tops, os.path.basename(shot.path)))

    def scenario(self):
        self.start_xvfb()
        self.make_sample()
        self.make_runnable_folder()
        self.start_program()
        time.sleep(1.0)
        start = self.grab("start")
        self.measure_table(start)
        self.stopped_label = start
        self.check(start.has_content(SPEEDOMETER), "the speedometer is drawn at start")
        self.check(self.rows_are([], [])(start), "the list tables start empty")
        self.check(all(start.same_as_at((RIGHT_TABLE_X + 2, self.table_row0 + r * ROW_HEIGHT, TABLE_WIDTH - 4, ROW_HEIGHT),
                                        LEFT_TABLE_X + 2) for r in range(5)),
                   "the right table's five empty rows look like the left table's (no scroll bar over them)")

        # 1. Six clips through the file dialog.
        batch = [1, 2, 11, 12, 9, 10]
        self.catalogue = []
        self.import_files(batch)
        self.catalogue += batch
        shot = self.wait_shot("six rows in the list tables", "imported", self.rows_are([0, 1, 2, 3, 4], [0]))
        self.check_rows_aligned(shot, [0], "six recordings")
        self.check(True, "six imported recordings fill five rows on the left and one on the right (%s)"
                   % os.path.basename(shot.path))

        # 2. A double-click on the first row plays it; the others follow to the end of the list.
        mark = self.console.mark()
        self.click(self.row_point(LEFT_TABLE_X, 0), repeat=2)
        shots = []
        end = time.monotonic() + WAIT_S
        while len(self.console.pages(mark)) < 3 and time.monotonic() < end:
            shots.append(self.grab("playing"))
            time.sleep(0.3)
        self.check_playing_window(shots)

        expected = [self.clips[n].page() for n in batch]
        wait_for("the whole list to play (%s)" % ", ".join(expected),
                 lambda: len(self.console.pages(mark)) >= len(expected))
        segments = self.console.segments(mark)
        self.check([name for name, _ in segments] == expected,
                   "the recordings play one after another: pages %s" % [name for name, _ in segments])
        for (name, calls), number in zip(segments, batch):
            if self.clips[number].page() == PAGE_MAP:
                self.check_track(calls, number, "autoplay %s" % self.clips[number].name)
            else:
                self.check(calls_named(calls, "setposition") == [],
                           "%s (%s) sends no position" % (self.clips[number].name, name))
        self.wait_ended("the last recording to end")

        # 3. Next on the last recording does nothing; previous goes back one, and the last follows again.
        mark = self.console.mark()
        self.click(NEXT)
        time.sleep(QUIET_S)
        self.check(self.console.pages(mark) == [], "next on the last recording loads no page")
        self.click(PREVIOUS)
        self.wait_playing(mark, 4, nth=1)
        self.wait_playing(mark, 5, nth=2)
        self.check(self.console.pages(mark) == [PAGE_NO_FILE, PAGE_NO_INFO],
                   "previous plays the recording before the last, then the last follows")
        self.wait_ended("the last recording to end again")

        # 4. Stop, next and previous between recordings with a track (the south-west drive first).
        mark = self.console.mark()
        self.click(self.row_point(LEFT_TABLE_X, 2), repeat=2)
        self.wait_playing(mark, 2)
        self.click(STOP)
        self.wait_stopped("stop halts %s and the time label reads zero" % self.clips[11].name)
        self.check_track(self.console.segments(mark)[-1][1], 11, "double-click on row 3")

        mark = self.console.mark()
        self.click(NEXT)
        self.wait_playing(mark, 3)
        self.click(STOP)
        self.wait_stopped("stop halts %s" % self.clips[12].name)
        self.check_track(self.console.segments(mark)[-1][1], 12, "next from %s" % self.clips[11].name)

        mark = self.console.mark()
        self.click(PREVIOUS)
        self.wait_playing(mark, 2, nth=1)
        self.click(PREVIOUS)
        self.wait_playing(mark, 1, nth=2)
        self.click(STOP)
        self.wait_stopped("stop halts %s" % self.clips[2].name)
        segments = self.console.segments(mark)
        self.check(len(segments) == 2, "two previous clicks load two pages")
        self.check_track(segments[0][1], 11, "previous from %s" % self.clips[12].name)
        self.check_track(segments[1][1], 2, "previous from %s" % self.clips[11].name)

        # 5. Six more clips make two pages.
        batch = [3, 4, 5, 6, 7, 8]
        self.import_files(batch)
        self.catalogue += batch
        page0 = self.wait_shot("ten rows on the first page", "page0",
                               self.rows_are([0, 1, 2, 3, 4], [0, 1, 2, 3, 4]))
        self.check_rows_aligned(page0, range(5), "first page of twelve")
        self.check(True, "twelve recordings: the first page is full (%s)" % os.path.basename(page0.path))

        self.click(NEXT_PAGE)
        page1 = self.wait_shot("the second page", "page1", self.rows_are([0, 1], []))
        self.check(True, "the second page shows recordings 11 and 12 only (%s)" % os.path.basename(page1.path))
        self.click(NEXT_PAGE)
        time.sleep(1.0)
        self.check(self.grab("page1-again").same(page1, TABLES), "next page on the last page stays there")
        self.click(PREVIOUS_PAGE)
        back = self.wait_shot("the first page again", "page0-again", lambda s: not s.same(page1, TABLES))
        self.check(back.same(page0, TABLES), "previous page shows the first page as before")
        self.click(PREVIOUS_PAGE)
        time.sleep(1.0)
        self.check(self.grab("page0-stays").same(page0, TABLES), "previous page on the first page stays there")

        # 6. A row of the second page plays recording 12, the last: nothing follows it.
        self.click(NEXT_PAGE)
        self.wait_shot("the second page", "page1", self.rows_are([0, 1], []))
        mark = self.console.mark()
        self.click(self.row_point(LEFT_TABLE_X, 1), repeat=2)
        self.wait_playing(mark, 11)
        self.wait_ended("recording 12 to end")
        segments = self.console.segments(mark)
        self.check(len(segments) == 1, "nothing follows the last recording")
        self.check_track(segments[0][1], 8, "row 2 of the second page")
        self.click(STOP)
        self.wait_stopped("stop after the end")

        # 7. Delete recording 11 of 12: the one below moves up into its row.
        self.click(self.row_point(LEFT_TABLE_X, 0))
        self.click(DELETE)
        del self.catalogue[10]
        shot = self.wait_shot("one row on the second page", "deleted-one", self.rows_are([0], []))
        self.check(True, "after delete the second page holds one recording (%s)" % os.path.basename(shot.path))
        mark = self.console.mark()
        self.click(self.row_point(LEFT_TABLE_X, 0), repeat=2)
        self.wait_playing(mark, 10)
        self.click(STOP)
        self.wait_stopped("stop halts the recording that moved up")
        self.check_track(self.console.segments(mark)[-1][1], 8, "row 1 of the second page after delete")

        # Deleting the only recording of the last page goes back to the first page.
        self.click(self.row_point(LEFT_TABLE_X, 0))
        self.click(DELETE)
        del self.catalogue[10]
        shot = self.wait_shot("the first page once the second is empty", "deleted-two",
                              self.rows_are([0, 1, 2, 3, 4], [0, 1, 2, 3, 4]))
        self.check(True, "ten recordings left: the first page shows (%s)" % os.path.basename(shot.path))
        self.click(NEXT_PAGE)
        time.sleep(1.0)
        self.check(self.grab("one-page").same(shot, TABLES), "with ten recordings there is no second page")

        # Delete in the right table: the recording after it takes its row.
        self.click(self.row_point(RIGHT_TABLE_X, 0))
        self.click(DELETE)
        removed = self.catalogue.pop(5)
        deleted = self.wait_shot("the right table to lose a row", "deleted-right", self.rows_are([0, 1, 2, 3, 4], [0, 1, 2, 3]))
        # The playing recording's row is marked, low in the right table: it must not scroll.
        self.check_rows_aligned(deleted, range(4), "nine recordings")
        mark = self.console.mark()
        self.click(self.row_point(RIGHT_TABLE_X, 0), repeat=2)
        self.wait_playing(mark, 5)
        self.click(STOP)
        self.wait_stopped("stop halts the recording that moved into the right table")
        self.check(self.console.pages(mark) == [PAGE_MAP],
                   "after deleting %s (%s) its row plays %s (%s)"
                   % (self.clips[removed].name, self.clips[removed].rating(),
                      self.clips[self.catalogue[5]].name, self.clips[self.catalogue[5]].rating()))
        self.check_track(self.console.segments(mark)[-1][1], self.catalogue[5], "right row 1 after delete")
        self.grab("final")

        # 8. Without a network, on the real map pages: the online map finds no
        # tile server and gives way to the offline map, which draws the route
        # over the map shipped with the program; the needle and the position
        # text follow the track there as on the online map.
        # The last recording of the list: nothing follows it while it plays.
        self.install_real_map_pages()
        last = len(self.catalogue) - 1
        assert 5 <= last < 10, "the offline step plays the last row of the right table"
        stopped = self.grab(None)
        self.click(self.row_point(RIGHT_TABLE_X, last - 5), repeat=2)
        self.check_offline_map(self.clips[self.catalogue[last]], stopped)
        self.click(STOP)
        self.wait_stopped("stop halts the recording on the offline map")

        # 9. Closed with its close button while a recording plays: a clean exit.
        self.install_recording_pages()
        mark = self.console.mark()
        self.click(self.row_point(LEFT_TABLE_X, 0), repeat=2)
        self.wait_playing(mark, 0)
        self.close_program("closed with its close button while a recording plays")

    def install_real_map_pages(self):
        images = os.path.join(self.folder, "images")
        for name in REAL_MAP_FILES:
            source, target = os.path.join(self.args.images, name), os.path.join(images, name)
            if os.path.isdir(source):
                shutil.rmtree(target, ignore_errors=True)
                shutil.copytree(source, target)
            else:
                shutil.copy(source, target)

    def install_recording_pages(self):
        images = os.path.join(self.folder, "images")
        for page in (PAGE_MAP, "no_connection"):
            body = "<input type=checkbox id=isonline checked>" if page == PAGE_MAP else ""
            with open(os.path.join(images, page + ".html"), "w", encoding="utf-8") as f:
                f.write(PAGE_SOURCE % {"name": page, "body": body})

    def check_offline_map(self, clip, stopped):
        """Grabs while `clip` plays on the offline map: its base and its route
        show on the map, the needle and the position text move. `stopped` is
        the window before `clip` started: the needle leaves where it stood
        then (a drive's speed changes by less than a km/h a second at times,
        less than the needle's width, so the needle is not asked to move
        between the grabs alone)."""
        assert clip.page() == PAGE_MAP, "the offline step needs a recording with a log"
        shot = self.wait_shot("the offline map with the route of %s" % clip.name, "offline-map",
                              lambda s: s.share_near(MAP, OFFLINE_BASE) > 0.25 and s.share_near(MAP, SPEED_COLOURS) > 0.003)
        self.check(True, "without a network the offline map shows %s's route over its own base map (%s)"
                   % (clip.name, os.path.basename(shot.path)))
        shots = [shot]
        end = time.monotonic() + 4
        while time.monotonic() < end:
            shots.append(self.grab(None))
            shots[-1] = self.keep(shots[-1], "offline-playing")
            time.sleep(0.4)
        needles = [stopped] + shots
        speeds = [s for i, s in enumerate(needles) if not any(s.same(k, SPEEDOMETER) for k in needles[:i])]
        positions = [s for i, s in enumerate(shots) if not any(s.same(k, POSITION_TEXT) for k in shots[:i])]
        self.check(len(speeds) >= 2 and not shots[-1].same(stopped, SPEEDOMETER),
                   "on the offline map the speedometer needle moves (%d different)" % len(speeds))
        self.check(len(positions) >= 2 and shots[-1].has_content(POSITION_TEXT),
                   "on the offline map the position text follows the track (%d different)" % len(positions))

    def close_program(self, what):
        """Clicks the close button and checks that the program ends, with status 0."""
        self.click(CLOSE)
        try:
            status = self.app.wait(timeout=WAIT_S)
        except subprocess.TimeoutExpired:
            self.check(False, "%s: the program ends within %d s" % (what, WAIT_S))
            return
        self.check(status == 0, "%s: the program exits with status 0 (got %s)" % (what, status))

    def check_playing_window(self, shots):
        """The grabs taken while the first recordings played."""
        def distinct(region):
            kept = []
            for s in shots:
                if not any(s.same(k, region) for k in kept):
                    kept.append(s)
            return kept

        print("# %d grabs while playing, first %s, last %s" % (len(shots), shots[0].path if shots else "-",
                                                             shots[-1].path if shots else "-"), flush=True)
        moving = sum(1 for a, b in zip(shots, shots[1:]) if a.changed_fraction(b, VIDEO) > 0.05)
        self.check(moving >= 2, "the video picture moves (%d of %d grabs differ from the one before)"
                   % (moving, len(shots) - 1))
        times = distinct(TIME_LABEL)
        self.check(len(times) >= 3, "the play time label changes (%d different)" % len(times))
        speeds = distinct(SPEEDOMETER)
        self.check(len(speeds) >= 2, "the speedometer needle moves (%d different)" % len(speeds))
        self.check(all(s.has_content(SPEEDOMETER) for s in shots), "the speedometer is never blank")
        positions = distinct(POSITION_TEXT)
        self.check(len(positions) >= 2, "the position text changes (%d different)" % len(positions))
        self.check(shots[-1].has_content(POSITION_TEXT), "the position text shows a position (%s)"
                   % os.path.basename(shots[-1].path))


PAGE_SOURCE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>%(name)s</title>
<script>
console.log("PAGE %(name)s");
function record(name, a, b) { console.log("CALL " + name + "(" + a + "," + b + ")"); }
function setstart(a, b) { record("setstart", a, b); }
function setposition(a, b) { record("setposition", a, b); }
function SetLocation(a, b) { record("SetLocation", a, b); }
</script></head>
<body style="background:#1d2b36;color:#e0e0e0;font:16px sans-serif"><p>%(name)s</p>%(body)s</body></html>
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built vialumo binary")
    parser.add_argument("--images", required=True, help="the runnable folder's images/ (button faces)")
    parser.add_argument("--alsa-config", required=True, help="an ALSA configuration with a null device")
    parser.add_argument("--sample-tool", required=True, help="tools/make-sample-drive")
    parser.add_argument("--output", required=True, help="folder for the screen grabs and the program's output")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()

    for tool in ("Xvfb", "xdotool", IMPORT_TOOL, CONVERT_TOOL, args.program, args.sample_tool):
        if shutil.which(tool) is None:
            print("e2e: %s not found" % tool, file=sys.stderr)
            return 1

    session = Session(args)
    aborted = None
    try:
        session.scenario()
    except (Abort, AssertionError, subprocess.CalledProcessError) as e:
        aborted = str(e)
        if isinstance(e, subprocess.CalledProcessError):
            aborted += "\n" + (e.stderr or "")
        try:
            session.grab("aborted")
        except Exception:  # noqa: BLE001 - the grab is only a help for the reader
            pass
    finally:
        session.stop_all()

    if os.path.exists(os.path.join(session.output, "polling.png")):
        os.remove(os.path.join(session.output, "polling.png"))
    print("# screen grabs and the program's output: %s" % session.output)
    if aborted:
        session.failed.append("aborted: " + aborted)
        print("FAIL - aborted: " + aborted)
        if getattr(session, "console", None) is not None:
            print("# last console lines:")
            for kind, text in session.console.poll()[-15:]:
                print("#   %s %s" % (kind, text))
    for what in session.failed:
        print("failed: " + what)
    print("e2e: %d passed, %d failed" % (session.passed, len(session.failed)))
    return 0 if not session.failed else 1


if __name__ == "__main__":
    sys.exit(main())
