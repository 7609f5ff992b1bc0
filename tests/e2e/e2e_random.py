#!/usr/bin/env python3
"""A random session of the built vialumo program, driven through its window.

A seeded sequence of actions (buttons, rows of both tables, empty ones too,
double-clicks, both sliders, paging, delete, import through the real file
dialog or cancelled, the clip's folder dialog cancelled, the keys, video and
window full screen, the speed unit from the speedometer's right-click menu) with waits of
0 to 3 s between them, on a private Xvfb with a window manager, over a sample
drive of short clips so that recordings end and autoplay moves on. Beside the
clips the card holds one recording of two cameras (a front and a rear file of
one moment, named as Viofo recorders name them): one row, one play-list
entry, imported again only once it has left the list.

After every action:
- the program lives and answers (its window is found, and the import
  button's hover face follows the pointer);
- the list shows the catalogue's recordings in order: this test keeps its own
  model of the catalogue, the shown page, the selected row and the playing
  recording, and compares it with the tables' rows as grabbed from the
  screen (each row told apart by the picture of its text, learnt from a first
  import whose order the program itself printed);
- when the playing recording is on the shown page, its row is the
  highlighted one;
- the speedometer's dial is the one of the unit last chosen (told apart by
  the picture of its unit's name, learnt while setting up).
Which recording plays is followed through the map pages' console output
(each page names its kind, and the online map receives the first fix of the
recording); a recording that ends while the test acts lets the model advance
by autoplay in any order that explains what was seen. A page is taken for a
recording's only once it has received the recording's first fix, and when
autoplay and the action chose the same recording one after the other, the
check waits a few seconds for its second page before it takes one for both.

At the end the window is closed with its close button and the program must
exit with status 0. On a failure the action list is printed, then shrunk by
replaying parts of it in fresh programs (a bounded number of replays), and the
shortest list that still fails is printed.

    e2e_random.py --program build/vialumo --images build/deploy/images \\
        --alsa-config ... --sample-tool tools/make-sample-drive \\
        --output build/e2e-output/random --actions 500 --seed 7
"""

import argparse
import copy
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_vialumo as base  # noqa: E402  (the helpers of the first end-to-end test)

SCREEN_W, SCREEN_H = 1280, 1024
PAGE_SIZE, TABLE_ROWS = 10, 5
ROW_HEIGHT = 20
NAME_WIDTH = 74
CLIPS = 12
CLIP_SECONDS = 3
# The recording of two cameras, numbered after the clips: its front and rear
# files are copies of two clips, named for one moment.
TWO_CAMERAS = CLIPS + 1
RECORDINGS = CLIPS + 1
TWO_CAMERA_FILES = ("2026_1128_081500_0013F.MOV", "2026_1128_081500_0014R.MOV")

WAIT_START_S = 180
CHECK_S = 45            # how long the screen may take to agree with the model
ANSWER_S = 30           # how long the window may take to answer the pointer
POLL_S = 0.4
LATE_PAGE_S = 6         # how long the page of an action's choice may print after autoplay's of the same
LATE_PAGE = object()     # what explain() answers while such a page may still come
VIDEO_PATH = re.compile(r'VideoPath:\s+"(.*)"\s*$')


class Failure(Exception):
    """A check failed: the program does not do what the model says it should."""


# --------------------------------------------------------------------------- actions

KEYS = ["space", "Left", "Right", "shift+Left", "shift+Right", "ctrl+Right", "Up", "Down", "m", "n", "p",
        "Prior", "Next", "Return", "Delete", "F1", "question", "Escape", "s", "f", "bracketleft",
        "bracketright", "comma", "period", "alt+Left", "alt+Right", "v", "i", "o", "shift+i", "shift+o", "e", "shift+e"]
BUTTONS = ["play", "stop", "previous", "next", "page_previous", "page_next", "delete", "window_full"]


def make_actions(seed, count):
    """The seeded action list: each action a tuple that names what to do,
    whatever the window shows when it is done (so that any part of the list
    can be replayed)."""
    rng = random.Random(seed)
    kinds = [("click_row", 14), ("double_row", 10), ("button", 20), ("key", 22), ("slider_click", 5),
             ("slider_drag", 4), ("import", 4), ("import_cancel", 2), ("import_key", 1),
             ("double_video", 2), ("double_title", 1), ("minimise", 1), ("speed_unit", 3), ("tile_click", 2), ("export_cancel", 1), ("events_view", 2)]
    total = sum(w for _, w in kinds)
    actions = []
    for _ in range(count):
        pick = rng.uniform(0, total)
        for kind, weight in kinds:
            pick -= weight
            if pick <= 0:
                break
        if kind in ("click_row", "double_row"):
            action = (kind, rng.choice(["left", "right"]), rng.randrange(TABLE_ROWS))
        elif kind == "button":
            action = (kind, rng.choice(BUTTONS))
        elif kind == "key":
            key = rng.choice(KEYS)
            # Video full screen hides the list: less often than the others.
            if key == "f" and rng.random() < 0.5:
                key = "space"
            action = (kind, key)
        elif kind == "slider_click":
            action = (kind, rng.choice(["position", "volume"]), round(rng.uniform(0.02, 0.98), 2),
                      rng.choice([1, 1, 2]))
        elif kind == "slider_drag":
            action = (kind, rng.choice(["position", "volume"]), round(rng.uniform(0.0, 1.0), 2),
                      round(rng.uniform(0.0, 1.0), 2))
        elif kind in ("import", "import_key"):
            action = (kind, tuple(rng.sample(range(1, RECORDINGS + 1), rng.randint(1, 4))))
        elif kind == "speed_unit":
            action = (kind, rng.choice(["kmh", "mph"]))
        else:
            action = (kind,)
        actions.append(action + (round(rng.uniform(0.0, 3.0), 1),))
    return actions


class TwoCameras:
    """The card's recording of two cameras: the front names it, the rear goes
    with it; neither has GPS, so it plays with the page of a missing log."""

    def __init__(self):
        self.name = TWO_CAMERA_FILES[0]
        self.names = list(TWO_CAMERA_FILES)
        self.fixes = []

    def page(self):
        return base.PAGE_NO_FILE


def describe(action):
    return " ".join(str(part) for part in action[:-1]) + " / wait %.1f s" % action[-1]


# --------------------------------------------------------------------------- the model

class Model:
    """What the program holds, as far as the list and playback go: the
    catalogue (clip numbers, in list order), the shown page, the row each table
    has current, the engine's index of the playing recording, and the display
    mode. Each method does what the program does for that input and returns
    the recordings it chooses to play (catalogue indexes), in order."""

    def __init__(self):
        self.catalogue = []
        self.page = 0
        self.selection = None       # ("left" | "right", row) or None
        self.playing = -1
        self.video_full = False
        self.window_full = False
        self.help = False
        self.unit = "kmh"           # the speedometer's dial: "kmh" or "mph"

    def pages(self):
        count = len(self.catalogue)
        return count // PAGE_SIZE + (1 if count % PAGE_SIZE else 0)

    def index_at(self, table, row):
        return self.page * PAGE_SIZE + (TABLE_ROWS if table == "right" else 0) + row

    def refresh(self):
        """The tables are filled again: the current row is the playing
        recording's place within a page (whichever page is shown)."""
        if self.playing < 0:
            self.selection = None
        else:
            position = self.playing % PAGE_SIZE
            self.selection = ("left", position) if position < TABLE_ROWS else ("right", position - TABLE_ROWS)

    def choose(self, index):
        if 0 <= index < len(self.catalogue):
            self.playing = index
            return [index]
        return []

    def next(self):
        if self.playing >= len(self.catalogue) - 1:
            return []
        loads = self.choose(self.playing + 1)
        self.page = self.playing // PAGE_SIZE
        self.refresh()
        return loads

    def previous(self):
        if self.playing <= 0:
            return []
        loads = self.choose(self.playing - 1)
        self.page = self.playing // PAGE_SIZE
        self.refresh()
        return loads

    autoplay = next

    def page_next(self):
        if self.page < self.pages() - 1:
            self.page += 1
        self.refresh()
        return []

    def page_previous(self):
        if self.page > 0:
            self.page -= 1
        self.refresh()
        return []

    def selected_index(self):
        if self.selection is None:
            return -1
        return self.index_at(*self.selection)

    def export_index(self):
        """The recording Ctrl+E exports: the one the engine holds, else the selected row."""
        if 0 <= self.playing < len(self.catalogue):
            return self.playing
        return self.selected_index()

    def delete(self):
        index = self.selected_index()
        if 0 <= index < len(self.catalogue):
            del self.catalogue[index]
            # The engine's list loses the same entry; the recording playing
            # goes on, and the index moves with the entries before it.
            if self.playing >= index:
                self.playing -= 1
        if self.page > 0 and self.page >= self.pages():
            self.page -= 1
        self.refresh()
        return []

    def imported(self, numbers):
        self.catalogue += numbers
        self.refresh()
        return []

    def importable(self, numbers):
        """The recordings an import of these adds: a camera file already
        listed is not listed again; a clip is, as often as it is given."""
        return [n for n in numbers if n != TWO_CAMERAS or TWO_CAMERAS not in self.catalogue]

    def click_row(self, table, row):
        self.selection = (table, row)
        return []

    def double_row(self, table, row):
        self.selection = (table, row)
        return self.choose(self.index_at(table, row))

    def play_selected(self):
        return self.choose(self.selected_index())

    def toggle_video_full(self):
        if self.video_full:
            self.video_full = False
        else:
            self.window_full = False
            self.video_full = True
        return []

    def toggle_window_full(self):
        self.window_full = not self.window_full
        return []

    def speed_unit(self, unit):
        """The speedometer's menu: the dial shows the unit, nothing else changes."""
        self.unit = unit
        return []

    def escape(self):
        if self.help:
            self.help = False
        elif self.video_full:
            self.video_full = False
        elif self.window_full:
            self.window_full = False
        return []

    def __str__(self):
        modes = [name for name in ("video_full", "window_full", "help") if getattr(self, name)]
        return "page %d, playing %d, current %s, %d recordings, %s%s" % (
            self.page + 1, self.playing, "%s %d" % self.selection if self.selection else "none",
            len(self.catalogue), self.unit, (", " + " ".join(modes)) if modes else "")

    def rows(self):
        """The clip numbers of the shown page's rows, left table then right (None: empty)."""
        start = self.page * PAGE_SIZE
        return [self.catalogue[i] if i < len(self.catalogue) else None for i in range(start, start + PAGE_SIZE)]


def effects(model, action):
    """The models the action may leave, each with the recordings it chose:
    usually one. A double-click on the key help over the video takes the help
    away with its first press; the second press meets the help again or,
    once the help has gone, the video, whose double-click switches video full
    screen: which one depends on how fast the window takes the help away."""
    kind = action[0]
    doubles = ("double_video",) if not model.video_full else ("double_row", "double_video", "double_title")
    variants = []
    first = copy.deepcopy(model)
    variants.append((first, effect(first, action)))
    if model.help and kind in doubles:
        second = copy.deepcopy(model)
        second.help = False
        variants.append((second, second.toggle_video_full()))
    return variants


def effect(model, action):
    """Applies an action to the model as the program would; returns the
    catalogue indexes chosen to play. None: the action is the import's,
    whose result the program prints."""
    kind = action[0]
    pointer = ("click_row", "double_row", "double_video", "double_title", "button", "slider_click",
               "slider_drag", "import", "import_cancel", "minimise", "speed_unit", "tile_click")
    if model.help and (kind == "double_video" or (model.video_full and kind in pointer)):
        # The key help lies over the middle of the video: a click there takes
        # it away, and that is all the click does.
        model.help = False
        return []
    if model.video_full:
        # The video surface covers the window: the pointer reaches nothing else.
        if kind in ("double_row", "double_video", "double_title"):
            return model.toggle_video_full()
        if kind in ("click_row", "button", "slider_click", "slider_drag", "import", "import_cancel", "minimise",
                    "speed_unit", "tile_click"):
            return []
    if kind == "click_row":
        return model.click_row(action[1], action[2])
    if kind == "double_row":
        return model.double_row(action[1], action[2])
    if kind == "double_video":
        return model.toggle_video_full()
    if kind == "double_title":
        return model.toggle_window_full()
    if kind == "button":
        name = action[1]
        if name == "previous":
            return model.previous()
        if name == "next":
            return model.next()
        if name == "page_previous":
            return model.page_previous()
        if name == "page_next":
            return model.page_next()
        if name == "delete":
            return model.delete()
        if name == "window_full":
            return model.toggle_window_full()
        return []
    if kind == "key":
        key = action[1]
        if key == "n":
            return model.next()
        if key == "p":
            return model.previous()
        if key == "Prior":
            return model.page_previous()
        if key == "Next":
            return model.page_next()
        if key == "Return":
            return model.play_selected()
        if key == "Delete":
            return model.delete()
        if key in ("F1", "question"):
            model.help = not model.help
            return []
        if key == "Escape":
            return model.escape()
        if key == "f":
            return model.toggle_video_full()
        # E and Shift+E: the sample drive's clips hold no event (no
        # recorder's folder, no hard stop, no speed limit set), so the
        # program only says so; the list and playback stay as they are.
        return []
    if kind == "import_cancel":
        return model.imported([])
    if kind == "speed_unit":
        return model.speed_unit(action[1])
    return []


# --------------------------------------------------------------------------- the window

def layout(width, height):
    """Widget rectangles of the window (x, y, w, h), as the window lays them out."""
    k = width - 315
    c = (width - 350) // 2
    return {
        "video": (5, 55, k, height - 310),
        "position": (5, height - 202, 4 * k // 6, 20),
        "volume": (5 * k // 6, height - 202, k // 6, 20),
        "left": (5, height - 170, k // 2, 125),
        "right": (k // 2 + 5, height - 170, k // 2, 125),
        "play": (c - 35, height - 247, 35, 35),
        "previous": (c - 115, height - 247, 35, 35),
        "next": (c + 45, height - 247, 35, 35),
        "stop": (c + 125, height - 247, 35, 35),
        "page_previous": (c - 35, height - 40, 35, 35),
        "page_next": (c + 45, height - 40, 35, 35),
        "import": (c - 115, height - 40, 35, 35),
        "delete": (c + 125, height - 40, 35, 35),
        "speedometer": (width - 305, height - 170, 300, 120),
        "minimise": (width - 65, 0, 20, 20),
        "window_full": (width - 45, 0, 20, 20),
        "close": (width - 25, 0, 20, 20),
        "title": (width // 2 - 100, 10, 200, 30),
        # A point, not a rectangle: inside the picture-in-picture inset's corner.
        "tile": (5 + k - 15, 55 + (height - 310) - 47),
    }


def centre(rect):
    return (rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)


class Grab:
    """A grab of the window's pixels (RGB)."""

    def __init__(self, raw, width, height):
        self.raw = raw
        self.width = width
        self.height = height

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.raw[i:i + 3]

    def region(self, rect):
        x, y, w, h = rect
        return b"".join(self.raw[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3]
                        for r in range(h))


def dominant(pixels):
    counts = {}
    for i in range(0, len(pixels), 3):
        p = pixels[i:i + 3]
        counts[p] = counts.get(p, 0) + 1
    return max(counts, key=counts.get)


def text_mask(pixels, background):
    """The pixels that stand clearly apart from the background: the row's text."""
    return [sum(abs(pixels[i + k] - background[k]) for k in range(3)) > 200 for i in range(0, len(pixels), 3)]


def mask_distance(a, b):
    return sum(1 for x, y in zip(a, b) if x != y) + abs(len(a) - len(b))


# --------------------------------------------------------------------------- one program run

class Session:
    """One start of the program on the shared X server, with a fresh home."""

    def __init__(self, runner, name):
        self.runner = runner
        self.args = runner.args
        self.name = name
        self.home = tempfile.mkdtemp(prefix="home-", dir=runner.tmp)
        self.app = None
        self.log_file = None
        self.model = Model()
        self.signatures = {}      # clip number -> text mask of its row
        self.dials = {}           # unit -> mask of the dial's unit name
        self.row_shape = None
        self.base_colour = None
        self.mark = 0
        self.paths_seen = 0
        self.verbose = False

    # --- start and stop

    def start(self):
        env = dict(os.environ)
        for key in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY", "SESSION_MANAGER"):
            env.pop(key, None)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
            "ALSA_CONFIG_PATH": os.path.abspath(self.args.alsa_config),
            "QT_LOGGING_RULES": "js.debug=true;js.info=true;qt.webenginecontext.debug=false",
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
        })
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        self.log_path = os.path.join(self.runner.output, self.name + "-output.log")
        self.log_file = open(self.log_path, "wb")
        self.app = subprocess.Popen(["./vialumo"], cwd=self.runner.folder, env=env, stdin=subprocess.DEVNULL,
                                    stdout=self.log_file, stderr=subprocess.STDOUT, start_new_session=True)
        self.console = base.Console(self.log_path)
        self.window = base.wait_for("the Vialumo window", self.find_window, WAIT_START_S)
        self.read_geometry()
        base.wait_for("the start page", lambda: "startupp" in self.console.pages(0), WAIT_START_S)
        self.mark = self.console.mark()

    def events_view_shown(self):
        if self.app.poll() is not None:
            raise Failure("the program exited with status %s" % self.app.returncode)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Events$"],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               timeout=ANSWER_S).stdout.split()
        return bool(found)

    def find_window(self):
        if self.app.poll() is not None:
            raise Failure("the program exited with status %s" % self.app.returncode)
        try:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vialumo$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                   timeout=ANSWER_S).stdout.split()
        except subprocess.TimeoutExpired:
            raise Failure("the X server does not answer")
        for window in found:
            types = subprocess.run(["xprop", "-id", window, "_NET_WM_WINDOW_TYPE"], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True, timeout=ANSWER_S).stdout
            if "SPLASH" not in types:
                return window
        return None

    def read_geometry(self):
        geometry = dict(line.split("=", 1) for line in
                        base.run(["xdotool", "getwindowgeometry", "--shell", self.window]).split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))
        self.size = (int(geometry["WIDTH"]), int(geometry["HEIGHT"]))
        self.places = layout(*self.size)

    def close(self):
        """Back to the normal window, then its close button: the program ends with status 0."""
        for _ in range(3):
            if not (self.model.help or self.model.video_full or self.model.window_full):
                break
            self.key("Escape")
            self.model.escape()
            time.sleep(1.0)
        self.read_geometry()
        self.click(centre(self.places["close"]))
        try:
            status = self.app.wait(timeout=120)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within 120 s of a click on its close button")
        if status != 0:
            raise Failure("the program exited with status %s after its close button" % status)

    def stop(self):
        if self.app is not None and self.app.poll() is None:
            try:
                os.killpg(self.app.pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
            self.app.wait()
        elif self.app is not None:
            try:
                os.killpg(self.app.pid, signal.SIGKILL)   # the web engine's helpers
            except (ProcessLookupError, PermissionError):
                pass
        if self.log_file:
            self.log_file.close()
        shutil.rmtree(self.home, ignore_errors=True)

    # --- input

    def at(self, point):
        return str(self.origin[0] + point[0]), str(self.origin[1] + point[1])

    def rest(self):
        x, y = self.at((self.size[0] - 150, 30))
        base.run(["xdotool", "mousemove", x, y])

    def click(self, point, repeat=1, button=1):
        x, y = self.at(point)
        base.run(["xdotool", "mousemove", "--sync", x, y, "click", "--repeat", str(repeat), "--delay", "80",
                  str(button)])
        self.rest()

    def drag(self, start, end):
        x0, y0 = self.at(start)
        x1, y1 = self.at(end)
        base.run(["xdotool", "mousemove", "--sync", x0, y0, "mousedown", "1", "sleep", "0.1",
                  "mousemove", str((int(x0) + int(x1)) // 2), y0, "sleep", "0.1",
                  "mousemove", x1, y1, "sleep", "0.1", "mouseup", "1"])
        self.rest()

    def key(self, name):
        base.run(["xdotool", "key", name])

    def row_point(self, table, row):
        x, y, w, _ = self.places[table]
        return (x + w // 3, self.row_top(table, row) + ROW_HEIGHT // 2)

    def row_top(self, table, row):
        return self.places[table][1] + self.header + row * ROW_HEIGHT

    # --- grabs

    def grab(self, full_screen=False):
        """The window (or the screen) as it is now. A window that changes size
        between the reading of its geometry and the grab (full screen coming
        or going) leaves the crop partly off the screen: its geometry is read
        again until it holds still."""
        end = time.monotonic() + ANSWER_S
        while True:
            width, height = (SCREEN_W, SCREEN_H) if full_screen else self.size
            crop = "%dx%d+%d+%d" % (width, height, 0 if full_screen else self.origin[0],
                                    0 if full_screen else self.origin[1])
            raw = subprocess.run([base.IMPORT_TOOL, "-window", "root", "-crop", crop, "+repage", "-depth", "8",
                                  "rgb:-"], check=True, stdout=subprocess.PIPE, timeout=ANSWER_S).stdout
            if len(raw) == width * height * 3:
                return Grab(raw, width, height)
            if time.monotonic() > end:
                raise base.Abort("the grab of %s is %d bytes, not %d: the window lies off the screen"
                                 % (crop, len(raw), width * height * 3))
            if self.verbose:
                print("#       (the window changed size under a grab of %s; its geometry is read again)" % crop,
                      flush=True)
            time.sleep(POLL_S)
            self.alive()
            base.wait_for("the window to show", self.find_window, ANSWER_S)
            self.read_geometry()

    def save_grab(self, name):
        path = os.path.join(self.runner.output, "%s-%s.png" % (self.name, name))
        subprocess.run([base.IMPORT_TOOL, "-window", "root", path], check=False, timeout=ANSWER_S)
        return path

    def measure(self, grab):
        """The table header's height, and the empty rows' colour, from the window at start."""
        x, y, w, _ = self.places["left"]
        self.header = 18
        for dy in range(5, 40):
            pixel = grab.pixel(x + w // 2, y + dy)
            if sum(pixel) / 3 < 0xC0:
                self.header = dy + 1
                break
        self.base_colour = dominant(grab.region(self.row_rect("left", 0)))

    def row_rect(self, table, row):
        """The inside of a row's first cell (the file name, whose last digits
        tell the clips apart), clear of the grid lines."""
        x = self.places[table][0]
        return (x + 3, self.row_top(table, row) + 3, NAME_WIDTH, ROW_HEIGHT - 6)

    def read_rows(self, grab):
        """For each shown row, left table then right: (text mask or None, highlighted)."""
        found = []
        for table in ("left", "right"):
            for row in range(TABLE_ROWS):
                pixels = grab.region(self.row_rect(table, row))
                background = dominant(pixels)
                highlighted = sum(abs(background[k] - self.base_colour[k]) for k in range(3)) > 30
                mask = text_mask(pixels, background)
                found.append((mask if sum(mask) > 15 else None, highlighted))
        return found

    def classify(self, mask):
        if mask is None:
            return None
        best = min(self.signatures, key=lambda n: mask_distance(mask, self.signatures[n]))
        # Far from every clip's name: something else is written there.
        if mask_distance(mask, self.signatures[best]) > sum(self.signatures[best]) // 3:
            return "?"
        return best

    # --- answers

    def alive(self):
        if self.app.poll() is not None:
            raise Failure("the program exited with status %s" % self.app.returncode)

    def answers(self, video_full):
        """The window is there and its event loop follows the pointer: the
        import button shows its hover face under it and loses it after."""
        self.alive()
        # The window may be between two states (a dialog closing, full screen
        # coming or going): it is gone only if it does not come back.
        base.wait_for("the window to show", self.find_window, ANSWER_S)
        if video_full:
            return
        self.read_geometry()
        rect = self.places["import"]
        inside = (rect[0] + 4, rect[1] + 4, rect[2] - 8, rect[3] - 8)
        # The pointer goes back and forth between a neighbouring button and
        # the import button until the import button's face follows it. Qt may
        # still hold an old idea of where the pointer was (a modal dialog keeps
        # moves from it, a window that changes size moves its buttons under a
        # pointer at rest), so the first move need not change anything.
        places = [self.at(centre(self.places["page_previous"])), self.at(centre(rect))]
        base.run(["xdotool", "mousemove", "--sync", places[0][0], places[0][1], "sleep", "0.2"])
        face = self.grab().region(inside)
        end = time.monotonic() + ANSWER_S
        moves = 0
        while True:
            moves += 1
            x, y = places[moves % 2]
            base.run(["xdotool", "mousemove", "--sync", x, y])
            turn = time.monotonic() + 2.0
            while time.monotonic() < turn:
                now = self.grab().region(inside)
                if now != face:
                    self.rest()
                    return
                time.sleep(0.1)
            if time.monotonic() > end:
                self.save_grab("no-answer")
                self.rest()
                raise Failure("the window does not answer: the import button's face did not follow the pointer "
                              "in %d moves over %d s" % (moves, ANSWER_S))

    # --- the speedometer's menu

    def unit_rects(self):
        """Two boxes beside the pivot under it, where the dial writes its unit
        and the needle's short tail never reaches."""
        x, y, _, _ = self.places["speedometer"]
        return [(x + 134, y + 104, 12, 13), (x + 154, y + 104, 12, 13)]

    def dial_mask(self, grab):
        pixels = b"".join(grab.region(rect) for rect in self.unit_rects())
        return [sum(pixels[i:i + 3]) > 3 * 110 for i in range(0, len(pixels), 3)]

    def dial_unit(self, grab):
        mask = self.dial_mask(grab)
        return min(self.dials, key=lambda unit: mask_distance(mask, self.dials[unit]))

    def choose_speed_unit(self, unit):
        """A right-click on the speedometer opens its menu of units (km/h,
        then mph); the keys pick one once the menu shows over the dial."""
        x, y, w, h = self.places["speedometer"]
        point = (x + w // 2, y + 20)
        below = (point[0], point[1], 60, 40)
        before = self.grab().region(below)
        px, py = self.at(point)
        base.run(["xdotool", "mousemove", "--sync", px, py, "click", "3"])
        base.wait_for("the speedometer's menu", lambda: self.grab().region(below) != before, ANSWER_S)
        # The pointer leaves the menu, so that no item is under it: the first
        # Down then picks km/h.
        self.rest()
        time.sleep(0.2)
        keys = ["Down"] * (1 if unit == "kmh" else 2) + ["Return"]
        base.run(["xdotool", "key", "--delay", "80"] + keys)

    # --- the import dialog

    def import_dialog(self, numbers, open_with_key=False, cancel=False):
        def dialog():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Open Files$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            return found[-1] if found else None

        if open_with_key:
            self.key("ctrl+o")
        else:
            self.click(centre(self.places["import"]))
        window = base.wait_for("the Open Files dialog", dialog)
        time.sleep(0.5)
        if cancel:
            self.key("Escape")
        else:
            base.run(["xdotool", "type", "--delay", "15", self.runner.clip_dir])
            base.run(["xdotool", "key", "Return"])
            self.wait_list_settled(window)
            base.run(["xdotool", "type", "--delay", "15",
                      " ".join('"%s"' % name for n in numbers for name in self.runner.file_names(n))])
            self.wait_list_settled(window)
            base.run(["xdotool", "key", "Return"])
        base.wait_for("the dialog to close", lambda: dialog() is None)

    def export_dialog_cancelled(self):
        """Ctrl+E opens the folder dialog for the recording the engine holds
        (or the selected row); it is cancelled, as the import dialog can be.
        With neither, no dialog opens."""
        def dialog():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Export Clip$"],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            return found[-1] if found else None

        expected = 0 <= self.model.export_index() < len(self.model.catalogue)
        self.key("ctrl+e")
        if not expected:
            time.sleep(1.0)
            if dialog() is not None:
                self.save_grab("export-dialog")
                raise Failure("Ctrl+E opened the Export Clip dialog with no recording to export")
            return
        base.wait_for("the Export Clip dialog", dialog)
        time.sleep(0.5)
        self.key("Escape")
        base.wait_for("the dialog to close", lambda: dialog() is None)

    def wait_list_settled(self, dialog, quiet=1.0):
        geometry = dict(line.split("=", 1) for line in
                        base.run(["xdotool", "getwindowgeometry", "--shell", dialog]).split())
        crop = "%dx%d+%d+%d" % (int(geometry["WIDTH"]), int(geometry["HEIGHT"]) * 7 // 10,
                                int(geometry["X"]), int(geometry["Y"]))
        last, since = None, time.monotonic()
        end = time.monotonic() + base.WAIT_S
        while time.monotonic() < end:
            picture = subprocess.run([base.IMPORT_TOOL, "-window", "root", "-crop", crop, "+repage", "-depth",
                                      "8", "rgb:-"], check=True, stdout=subprocess.PIPE).stdout
            if picture != last:
                last, since = picture, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return
            time.sleep(0.2)
        raise base.Abort("the file dialog's list does not settle")

    def printed_imports(self):
        """The recordings the program says it added since the last call (clip numbers)."""
        with open(self.log_path, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        paths = [m.group(1) for m in map(VIDEO_PATH.match, text.splitlines()) if m]
        new = paths[self.paths_seen:]
        self.paths_seen = len(paths)
        # The rear camera's file is rated with its recording, listed by the front.
        numbers = {clip.name: n for n, clip in self.runner.clips.items()}
        return [numbers[os.path.basename(p)] for p in new if os.path.basename(p) in numbers]

    def wait_imports(self, count):
        """The recordings added by an import, once the program has printed them all."""
        added = []
        end = time.monotonic() + base.WAIT_S
        while len(added) < count and time.monotonic() < end:
            added += self.printed_imports()
            time.sleep(0.1)
        time.sleep(0.3)
        return added + self.printed_imports()

    # --- setting up: every clip once, in an order the program prints

    def set_up(self):
        self.start()
        time.sleep(1.0)
        self.read_geometry()
        self.measure(self.grab())
        order = list(range(1, RECORDINGS + 1))
        random.Random(self.runner.seed).shuffle(order)
        self.import_dialog(order[:10])
        self.import_dialog(order[10:])
        added = self.wait_imports(RECORDINGS)
        if sorted(added) != sorted(order):
            raise Failure("the first imports added %s, not the clips %s" % (added, sorted(order)))
        self.model.imported(added)
        # Each row's text as the window draws it, learnt from the pages the program fills.
        for page in range(2):
            self.model.page = page
            shot = base.wait_for("page %d of the list" % (page + 1), self.settled_grab)
            self.save_grab("page%d" % (page + 1))
            for clip, (mask, _) in zip(self.model.rows(), self.read_rows(shot)):
                if clip is not None and mask is not None:
                    self.signatures[clip] = mask
            self.click(centre(self.places["page_next" if page == 0 else "page_previous"]))
        missing = sorted(set(range(1, RECORDINGS + 1)) - set(self.signatures))
        if missing:
            raise Failure("the list does not show clips %s after the first imports" % missing)
        self.check_signatures()
        self.model.page = 0
        self.model.refresh()
        # The two dials, learnt from the speedometer: km/h at first (a fresh
        # home), mph once chosen, then km/h again.
        self.dials["kmh"] = self.dial_mask(self.grab())
        self.choose_speed_unit("mph")
        base.wait_for("the mph dial", lambda: self.dial_mask(self.grab()) != self.dials["kmh"], CHECK_S)
        time.sleep(0.5)
        self.dials["mph"] = self.dial_mask(self.grab())
        self.choose_speed_unit("kmh")
        base.wait_for("the km/h dial again",
                      lambda: mask_distance(self.dial_mask(self.grab()), self.dials["kmh"]) <
                      mask_distance(self.dial_mask(self.grab()), self.dials["mph"]), CHECK_S)
        if mask_distance(self.dials["kmh"], self.dials["mph"]) < 8:
            raise base.Abort("the km/h and mph dials look alike")
        self.check_state(None)

    def settled_grab(self):
        """A grab whose filled rows are those of the model's page."""
        shot = self.grab()
        filled = [mask is not None for mask, _ in self.read_rows(shot)]
        return shot if filled == [clip is not None for clip in self.model.rows()] else None

    def check_signatures(self):
        """Every clip's row is told apart from every other's."""
        numbers = sorted(self.signatures)
        for a in numbers:
            for b in numbers:
                if a < b and mask_distance(self.signatures[a], self.signatures[b]) < 8:
                    raise base.Abort("the rows of clips %d and %d look alike (%d pixels differ)"
                                     % (a, b, mask_distance(self.signatures[a], self.signatures[b])))

    # --- one action

    def act(self, action):
        kind = self.model_kind(action)
        if kind == "click_row":
            self.click(self.row_point(action[1], action[2]))
        elif kind == "double_row":
            self.click(self.row_point(action[1], action[2]), repeat=2)
        elif kind == "double_video":
            self.click(centre(self.places["video"]), repeat=2)
        elif kind == "tile_click":
            # Where a second camera's inset lies, clear of the key help and
            # of the import's line: a recording of one camera has no tiles,
            # and a click on its picture does nothing.
            self.click(self.places["tile"])
        elif kind == "double_title":
            self.click(centre(self.places["title"]), repeat=2)
        elif kind == "button":
            self.click(centre(self.places[action[1]]))
        elif kind == "key":
            self.key(action[1])
        elif kind == "slider_click":
            x, y, w, h = self.places[action[1]]
            self.click((x + int(w * action[2]), y + h // 2), button=action[3])
        elif kind == "slider_drag":
            x, y, w, h = self.places[action[1]]
            self.drag((x + int(w * action[2]), y + h // 2), (x + int(w * action[3]), y + h // 2))
        elif kind in ("import", "import_key"):
            self.import_dialog(action[1], open_with_key=kind == "import_key")
        elif kind == "import_cancel":
            self.import_dialog([], cancel=True)
        elif kind == "export_cancel":
            self.export_dialog_cancelled()
        elif kind == "events_view":
            # Ctrl+Shift+E shows the Events view (a window of its own) and hides it
            # again; the list and playback are left as they were.
            self.key("ctrl+shift+e")
            base.wait_for("the Events view", lambda: self.events_view_shown(), ANSWER_S)
            self.key("ctrl+shift+e")
            base.wait_for("the Events view to go", lambda: not self.events_view_shown(), ANSWER_S)
            base.run(["xdotool", "windowactivate", "--sync", self.window])
        elif kind == "minimise":
            # The window goes to the window manager's icons; activating it brings it back.
            self.click(centre(self.places["minimise"]))
            time.sleep(0.5)
            base.run(["xdotool", "windowactivate", "--sync", self.window])
        elif kind == "speed_unit":
            self.choose_speed_unit(action[1])
        elif kind == "video_click":
            # Video full screen: the pointer meets the video surface wherever it goes.
            self.click((self.size[0] // 2, self.size[1] // 2), repeat=2 if action[0].startswith("double") else 1)

    def model_kind(self, action):
        if self.model.video_full and action[0] in ("click_row", "double_row", "double_video", "double_title",
                                                   "button", "slider_click", "slider_drag", "minimise",
                                                   "import", "import_cancel", "speed_unit", "tile_click"):
            return "video_click"
        return action[0]

    def step(self, action):
        before = copy.deepcopy(self.model)
        self.act(action)
        if action[0] in ("import", "import_key") and not (before.video_full and action[0] == "import"):
            expected = before.importable(action[1])
            added = self.wait_imports(len(expected))
            if sorted(added) != sorted(expected):
                raise Failure("the import of clips %s added %s, not %s" % (list(action[1]), added, expected))
            # The dialog hands over the names in its own order; the list keeps that order.
            after = copy.deepcopy(before)
            after.imported(added)
            self.check_state(before, after=after)
        else:
            self.check_state(before, action=action)
        time.sleep(action[-1])

    # --- checks

    def check_state(self, before, action=None, after=None):
        """The list agrees with the model and the playing recording's row is
        highlighted (recordings that ended meanwhile may have moved autoplay
        on, before or after the action); then the program shows it lives and
        answers."""
        if before is None:
            before = copy.deepcopy(self.model)
        started = time.monotonic()
        end = started + CHECK_S
        synced = False
        while True:
            self.alive()
            segments, seen = self.new_segments()
            explained = self.explain(before, action, after, segments)
            if explained is LATE_PAGE and time.monotonic() < started + LATE_PAGE_S:
                time.sleep(POLL_S)
                continue
            if explained is LATE_PAGE:
                explained = self.explain(before, action, after, segments, wait_late=False)
            if isinstance(explained, list) and len(explained) > 1 and not synced:
                # Autoplay before or after the action: only the screen tells
                # which, and only once the program has taken the action's
                # input, which a later move of the pointer proves.
                self.answers(any(model.video_full for model in explained))
                synced = True
                continue
            if isinstance(explained, list):
                self.read_geometry()
                shot = self.grab()
                problems = [self.compare(model, shot) for model in explained]
                problem = problems[0]
                # No page loaded while the grab was taken: the grab belongs to these explanations.
                if None in problems and len(self.new_segments()[0]) == len(segments):
                    self.commit(explained[problems.index(None)], seen)
                    self.answers(self.model.video_full)
                    return
            else:
                problem = explained
            if time.monotonic() > end:
                self.save_grab("failure")
                raise Failure("%s (model before the action: %s)" % (problem or "the screen changed under every grab",
                                                                     before))
            time.sleep(POLL_S)

    def new_segments(self):
        """The pages loaded since the last check, each with the calls it
        received, and the number of console events read."""
        events = self.console.poll()
        segments = []
        for kind, text in events[self.mark:]:
            if kind == "PAGE":
                segments.append((text, []))
            elif segments:
                segments[-1][1].append(text)
        return segments, len(events)

    def commit(self, model, seen):
        self.model = model
        self.mark = seen
        if self.verbose:
            print("#       %s" % model, flush=True)

    def explain(self, before, action, after, segments, wait_late=True):
        """The models that explain the pages loaded since the last check: the
        action's own choice with autoplay steps before and after it. A page
        chosen by autoplay just before the action chose another one may never
        have printed (its load gave way to the next). A string says why no
        model explains them; LATE_PAGE that the pages may not all be there yet:
        the last online map has not received its first fix, or autoplay and
        the action chose the same recording, one after the other, and the page
        seen may be autoplay's with the action's still to come (nothing but
        the same recording loading again would tell)."""
        loaded = [self.identity(name, calls) for name, calls in segments]
        found = []
        # The online map's page names its recording only with its first fix;
        # until then it may be autoplay's, with the action's page to follow.
        late = wait_late and bool(loaded) and loaded[-1][0] == base.PAGE_MAP and loaded[-1][1] is None
        for autoplays_before in range(len(loaded) + 2):
            model = copy.deepcopy(before)
            chosen = []       # (clip number, "auto" | "action")
            possible = True
            for _ in range(autoplays_before):
                step = model.autoplay()
                possible = possible and bool(step)
                chosen += [(model.catalogue[i], "auto") for i in step]
            if not possible:
                break
            if after is not None:
                outcomes = [(self.merge_import(model, before, after), [])]
            elif action is not None:
                outcomes = effects(model, action)
            else:
                outcomes = [(model, [])]
            for model, picked in outcomes:
                picks = chosen + [(model.catalogue[i], "action") for i in picked]
                late = late or (wait_late and self.awaits_repeat(picks, loaded))
                self.follow(model, picks, loaded, found)
        if found and late:
            return LATE_PAGE
        if found:
            return found
        shown = ", ".join("%s%s" % (name, " " + str(fix) if fix else "") for name, fix in loaded)
        return "the pages loaded since the last check (%s) are not the recordings the model plays" % (
            shown or "none")

    def follow(self, model, chosen, loaded, found):
        """Adds to found the model after each number of autoplay steps that explains the pages loaded."""
        while True:
            if self.loads_match(chosen, loaded):
                if not any(same.__dict__ == model.__dict__ for same in found):
                    found.append(copy.deepcopy(model))
            if len(chosen) >= len(loaded) + 1:
                break
            step = model.autoplay()
            if not step:
                break
            chosen = chosen + [(model.catalogue[i], "auto") for i in step]

    def awaits_repeat(self, chosen, loaded):
        """The pages loaded are those of the choices up to an autoplay one, and
        the action then chose the same recording again."""
        actions = [i for i, (_, source) in enumerate(chosen) if source == "action"]
        if not actions or actions[0] == 0 or len(loaded) != actions[0]:
            return False
        first = actions[0]
        return chosen[first - 1][0] == chosen[first][0] and \
            all(self.matches(clip, page) for (clip, _), page in zip(chosen, loaded))

    def loads_match(self, chosen, loaded):
        """The pages loaded are the chosen recordings', each in turn; only an
        autoplay choice right before the action's own may be missing."""
        if not chosen:
            return not loaded
        (clip, source), rest = chosen[0], chosen[1:]
        if loaded and self.matches(clip, loaded[0]) and self.loads_match(rest, loaded[1:]):
            return True
        superseded = source == "auto" and rest and rest[0][1] == "action"
        return bool(superseded) and self.loads_match(rest, loaded)

    def merge_import(self, model, before, after):
        merged = copy.deepcopy(model)
        merged.catalogue = merged.catalogue + after.catalogue[len(before.catalogue):]
        merged.refresh()
        return merged

    def identity(self, page, calls):
        starts = base.calls_named(calls, "setstart")
        return page, (starts[0] if starts else None)

    def matches(self, number, identity):
        page, start = identity
        clip = self.runner.clips[number]
        if clip.page() != page:
            return False
        if start is None:
            return True
        first = clip.fixes[0]
        return base.close_to(start[0], first[1]) and base.close_to(start[1], first[2])

    def list_visible(self, shot):
        """The left table's header shows (light, all along): video full screen hides it."""
        x, y, w, _ = self.places["left"]
        if y + 3 >= shot.height:
            return False
        return all(sum(shot.pixel(x + w * i // 6, y + 2)) > 3 * 200 for i in range(1, 6))

    def compare(self, model, shot):
        if model.video_full:
            if self.size != (SCREEN_W, SCREEN_H) or self.list_visible(shot):
                return "the window is not in video full screen"
            return None
        if not self.list_visible(shot):
            return "the list is not shown"
        if self.dials and self.dial_unit(shot) != model.unit:
            return "the speedometer shows the %s dial, the unit chosen is %s" % (self.dial_unit(shot), model.unit)
        rows = self.read_rows(shot)
        expected = model.rows()
        seen = [self.classify(mask) for mask, _ in rows]
        if seen != expected:
            return "the list shows %s on page %d, the catalogue has %s there (catalogue %s)" % (
                seen, model.page + 1, expected, model.catalogue)
        lit = [i for i, (_, highlighted) in enumerate(rows) if highlighted]
        want = []
        if model.selection is not None:
            table, row = model.selection
            want = [row + (TABLE_ROWS if table == "right" else 0)]
        playing_shown = model.playing >= 0 and model.playing // PAGE_SIZE == model.page
        if lit != want:
            what = "the playing recording's row" if playing_shown and model.selection is not None and \
                model.selected_index() == model.playing else "the current row"
            return "highlighted rows %s on page %d, %s is %s (playing index %d)" % (
                lit, model.page + 1, what, want, model.playing)
        return None


# --------------------------------------------------------------------------- runs and shrinking

class Runner:
    def __init__(self, args):
        self.args = args
        self.seed = args.seed
        self.tmp = tempfile.mkdtemp(prefix="vialumo-random-")
        self.output = os.path.abspath(args.output)
        os.makedirs(self.output, exist_ok=True)
        for name in os.listdir(self.output):
            if name.endswith(".png") or name.endswith(".log"):
                os.remove(os.path.join(self.output, name))
        self.procs = []
        self.replays = 0

    def prepare(self):
        self.start_xvfb()
        self.card = os.path.join(self.tmp, "card")
        subprocess.run([self.args.sample_tool, "--count", str(CLIPS), "--seconds", str(CLIP_SECONDS), self.card],
                       check=True, stdout=subprocess.DEVNULL)
        self.clip_dir = os.path.join(self.card, "DCIM", "100CLIP")
        self.clips = {n: base.Clip(self.card, n) for n in range(1, CLIPS + 1)}
        # Copies of two clips as the front and rear camera's files of one moment.
        for source, name in zip((1, 2), TWO_CAMERA_FILES):
            shutil.copy(os.path.join(self.clip_dir, base.Clip(self.card, source).name),
                        os.path.join(self.clip_dir, name))
        self.clips[TWO_CAMERAS] = TwoCameras()
        self.folder = os.path.join(self.tmp, "run")
        images = os.path.join(self.folder, "images")
        os.makedirs(images)
        os.symlink(os.path.abspath(self.args.program), os.path.join(self.folder, "vialumo"))
        for name in os.listdir(self.args.images):
            if base.COPIED_IMAGES.match(name):
                shutil.copy(os.path.join(self.args.images, name), images)
        for page in base.MAP_PAGES:
            body = "<input type=checkbox id=isonline checked>" if page == base.PAGE_MAP else ""
            with open(os.path.join(images, page + ".html"), "w", encoding="utf-8") as f:
                f.write(base.PAGE_SOURCE % {"name": page, "body": body})

    def file_names(self, number):
        """The files the dialog is given for a recording: each camera's."""
        clip = self.clips[number]
        return getattr(clip, "names", [clip.name])

    def start_xvfb(self):
        os.environ["DISPLAY"] = base.start_xvfb(self.procs, "%dx%dx24" % (SCREEN_W, SCREEN_H))
        # A window manager, so that full screen and focus behave as on a desktop.
        if shutil.which("openbox"):
            config = os.path.join(self.tmp, "openbox.xml")
            with open(config, "w", encoding="utf-8") as f:
                f.write('<?xml version="1.0"?>\n<openbox_config xmlns="http://openbox.org/3.4/rc"/>\n')
            self.procs.append(subprocess.Popen(["openbox", "--config-file", config], stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))
            time.sleep(1.0)

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)

    def play(self, actions, name, verbose):
        """Runs the actions in a fresh program; returns None or (failed action number, message)."""
        session = Session(self, name)
        session.verbose = verbose
        done = 0
        try:
            session.set_up()
            for number, action in enumerate(actions, 1):
                if verbose:
                    print("# %3d %s" % (number, describe(action)), flush=True)
                done = number
                session.step(action)
            done = len(actions) + 1
            session.close()
            return None
        except (Failure, base.Abort) as e:
            return (done, str(e))
        except subprocess.CalledProcessError as e:
            return (done, "%s failed: %s" % (" ".join(e.cmd[:3]), (e.stderr or "").strip()))
        except subprocess.TimeoutExpired as e:
            return (done, "no answer from %s within %s s" % (e.cmd[0], e.timeout))
        finally:
            session.stop()

    def shrink(self, actions, deadline):
        """Delta debugging over the failing list: drops chunks, then single
        actions, keeping any list that still fails, within a bounded number of
        replays and time."""
        chunks = 2
        while len(actions) > 1 and self.replays < self.args.max_replays and time.monotonic() < deadline:
            size = max(1, len(actions) // chunks)
            reduced = False
            for start in range(0, len(actions), size):
                if self.replays >= self.args.max_replays or time.monotonic() > deadline:
                    break
                candidate = actions[:start] + actions[start + size:]
                if not candidate:
                    continue
                self.replays += 1
                result = self.play(candidate, "replay%02d" % self.replays, False)
                print("# replay %d: %d actions: %s" % (self.replays, len(candidate),
                                                     "fails (%s)" % result[1] if result else "passes"), flush=True)
                if result and result[0] == 0:
                    print("# (a failure while setting up does not count)", flush=True)
                    continue
                if result:
                    # Only what happened up to the failure matters.
                    actions = candidate[:max(result[0], 1)] if result[0] <= len(candidate) else candidate
                    chunks = max(chunks - 1, 2)
                    reduced = True
                    break
            if not reduced:
                if size == 1:
                    break
                chunks = min(len(actions), chunks * 2)
        return actions


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the built vialumo binary")
    parser.add_argument("--images", required=True, help="the runnable folder's images/ (button faces)")
    parser.add_argument("--alsa-config", required=True, help="an ALSA configuration with a null device")
    parser.add_argument("--sample-tool", required=True, help="tools/make-sample-drive")
    parser.add_argument("--output", required=True, help="folder for the program's output and failure grabs")
    parser.add_argument("--actions", type=int, default=150, help="number of actions (default 150)")
    parser.add_argument("--seed", type=int, default=None, help="seed of the action list (default: random)")
    parser.add_argument("--max-replays", type=int, default=10, help="replays allowed for shrinking a failure")
    parser.add_argument("--shrink-minutes", type=float, default=20, help="time allowed for shrinking")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()
    if args.seed is None:
        args.seed = random.SystemRandom().randrange(1, 1 << 31)

    for tool in ("Xvfb", "xdotool", "xprop", base.IMPORT_TOOL, args.program, args.sample_tool):
        if shutil.which(tool) is None:
            print("e2e_random: %s not found" % tool, file=sys.stderr)
            return 1

    print("# seed %d, %d actions (again: --seed %d --actions %d)" % (args.seed, args.actions, args.seed,
                                                                   args.actions), flush=True)
    actions = make_actions(args.seed, args.actions)
    runner = Runner(args)
    started = time.monotonic()
    try:
        runner.prepare()
        result = runner.play(actions, "session", True)
        print("# session: %.0f s" % (time.monotonic() - started), flush=True)
        if result is None:
            print("ok - %d random actions, every check held, the program closed with status 0" % len(actions))
            return 0
        failed_at, message = result
        where = ("set-up" if failed_at == 0 else "action %d" % failed_at if failed_at <= len(actions)
                 else "closing")
        print("FAIL - %s: %s" % (where, message), flush=True)
        print("# the actions up to the failure (seed %d):" % args.seed)
        failing = actions[:failed_at] if failed_at else []
        for number, action in enumerate(failing, 1):
            print("#   %3d %s" % (number, describe(action)))
        if failing and args.max_replays > 0:
            shortest = runner.shrink(failing, time.monotonic() + args.shrink_minutes * 60)
            print("# shortest failing list found (%d actions, %d replays):" % (len(shortest), runner.replays))
            for number, action in enumerate(shortest, 1):
                print("#   %3d %s" % (number, describe(action)))
        print("# the program's output and grabs: %s" % runner.output)
        return 1
    finally:
        runner.stop()


if __name__ == "__main__":
    sys.exit(main())
