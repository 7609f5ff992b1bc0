"""Cameras played together, read back from the screen.

Shared by the end-to-end test (e2e_cameras.py) and the benchmark
(bench/playback/bench_camerasync.py). Clips made here with ffmpeg carry their
frame number as a stripe of bits across the top sixth of every picture: 18
cells, the first always white, the last always black, the 16 between a Gray
code of the frame number, most significant first (adjacent frames differ in
one cell, so a picture caught while the screen changes reads as one of the
two). A grab of the window (ImageMagick's import of the root window) gives
each tile's frame number.

The window driven is e2e_camera_window (tests/e2e/camerawindow.cpp): the
program's own window with recordings of several cameras listed, as the import
lists them once it groups the files of one moment.
"""

import ctypes
import ctypes.util
import os
import statistics
import subprocess
import time

import e2e_vialumo as base

IMPORT_TOOL = "/usr/bin/import"
BITS = 16
CELLS = BITS + 2
# The stripe's share of the picture's height.
STRIPE_SHARE = 6

# The window at its first size: the video surface and the first row of the
# left table, in window coordinates (see mainwindow/tracora.cpp).
WINDOW_W, WINDOW_H = 955, 670
SURFACE = (5, 55, 640, 360)
FIRST_ROW = (45, 528)
WHITE, BLACK = 160, 90
# Between grabs, so that grabbing does not take the processor from the players.
GRAB_PAUSE_S = 0.03


def gray_decode(gray):
    value = 0
    while gray:
        value ^= gray
        gray >>= 1
    return value


def make_clip(ffmpeg, path, width, height, fps, seconds, background="testsrc2", sound=False):
    """A clip whose every picture shows its frame number (see above)."""
    stripe_h = max(2, height // STRIPE_SHARE // 2 * 2)
    gray = "(bitor(N,floor(N/2))-bitand(N,floor(N/2)))"
    stripe = ("color=c=black:s=%dx1:r=%d,format=gray,"
              "geq=lum='if(between(X,1,%d),255*mod(floor(%s/pow(2,%d-X)),2),if(eq(X,0),255,0))',"
              "scale=%dx%d:flags=neighbor,format=yuv420p" % (CELLS, fps, BITS, gray, BITS, width, stripe_h))
    command = [ffmpeg, "-hide_banner", "-loglevel", "error", "-y",
               "-f", "lavfi", "-i", "%s=s=%dx%d:r=%d" % (background, width, height, fps),
               "-f", "lavfi", "-i", stripe]
    if sound:
        command += ["-f", "lavfi", "-i", "sine=frequency=440"]
    command += ["-filter_complex", "[0][1]overlay=0:0:shortest=1[v]", "-map", "[v]"]
    if sound:
        command += ["-map", "2", "-c:a", "aac"]
    # A key frame every second, as recorders write them.
    command += ["-t", str(seconds), "-c:v", "libx264", "-preset", "ultrafast", "-crf", "26", "-g", str(fps),
                "-pix_fmt", "yuv420p", path]
    subprocess.run(command, check=True)
    return path


def fit(tile, picture):
    """Where the engine puts a picture of size `picture` in `tile`: scaled to
    fit, centred."""
    x, y, w, h = tile
    pw, ph = picture
    if w * ph <= h * pw:
        fw, fh = w, max(1, round(w * ph / pw))
    else:
        fw, fh = max(1, round(h * pw / ph)), h
    return (x + (w - fw) // 2, y + (h - fh) // 2, fw, fh)


def side_by_side(count, surface=SURFACE):
    x, y, w, h = surface
    return [(x + w * i // count, y, w * (i + 1) // count - w * i // count, h) for i in range(count)]


def grid(columns, rows, count, surface=SURFACE):
    x, y, w, h = surface
    tiles = []
    for i in range(count):
        c, r = i % columns, i // columns
        tiles.append((x + w * c // columns, y + h * r // rows,
                      w * (c + 1) // columns - w * c // columns, h * (r + 1) // rows - h * r // rows))
    return tiles


class XImage(ctypes.Structure):
    # The head of Xlib's XImage, up to the fields read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class RootGrabber:
    """XGetImage of the root window, as xwd and import do, without starting a
    program for every grab: the grabs come many times a second."""

    ZPIXMAP = 2
    ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)

    def __init__(self):
        name = ctypes.util.find_library("X11")
        self.x11 = ctypes.CDLL(name) if name else None
        self.display = None
        if self.x11:
            self.x11.XOpenDisplay.restype = ctypes.c_void_p
            self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
            self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
            self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
            self.x11.XGetImage.restype = ctypes.POINTER(XImage)
            self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
            self.x11.XDestroyImage = None
            self.x11.XFree.argtypes = [ctypes.c_void_p]
            self.display = self.x11.XOpenDisplay(None)
        self.root = self.x11.XDefaultRootWindow(self.display) if self.display else None

    def grab(self, x, y, w, h):
        """RGB bytes of the rectangle; None when Xlib is not at hand."""
        if not self.display:
            return None
        image = self.x11.XGetImage(self.display, self.root, x, y, w, h, self.ALL_PLANES, self.ZPIXMAP)
        if not image:
            return None
        head = image.contents
        try:
            if head.bits_per_pixel != 32:
                return None
            data = ctypes.string_at(head.data, head.bytes_per_line * h)
        finally:
            # XDestroyImage is a macro calling the image's own destroy function;
            # its data and the structure were allocated with malloc.
            self.x11.XFree(ctypes.c_void_p(head.data))
            self.x11.XFree(ctypes.cast(image, ctypes.c_void_p))
        rgb = bytearray(w * h * 3)
        for row in range(h):
            line = data[row * head.bytes_per_line:row * head.bytes_per_line + w * 4]
            # Little-endian 32-bit pixels: blue, green, red, unused.
            rgb[row * w * 3 + 0:(row + 1) * w * 3:3] = line[2::4]
            rgb[row * w * 3 + 1:(row + 1) * w * 3:3] = line[1::4]
            rgb[row * w * 3 + 2:(row + 1) * w * 3:3] = line[0::4]
        return bytes(rgb)


ROOT = None


class Grab:
    """A region of the window (window coordinates) as RGB rows, grabbed from
    the root window in one request, so that every tile is caught at once."""

    def __init__(self, origin, region=(0, 0, WINDOW_W, WINDOW_H)):
        global ROOT
        self.region = region
        self.size = region[2:]
        self.at = time.monotonic()
        if ROOT is None:
            ROOT = RootGrabber()
        x, y = origin[0] + region[0], origin[1] + region[1]
        self.raw = ROOT.grab(x, y, region[2], region[3])
        if self.raw is None:
            crop = "%dx%d+%d+%d" % (region[2], region[3], x, y)
            self.raw = subprocess.run([IMPORT_TOOL, "-window", "root", "-crop", crop, "+repage", "-depth", "8",
                                       "rgb:-"], check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        if len(self.raw) != region[2] * region[3] * 3:
            raise base.Abort("unexpected grab size")

    def grey(self, x, y):
        i = ((y - self.region[1]) * self.region[2] + x - self.region[0]) * 3
        return (self.raw[i] * 299 + self.raw[i + 1] * 587 + self.raw[i + 2] * 114) // 1000

    def frame(self, tile, picture):
        """The frame number the tile shows; None where its stripe cannot be read."""
        px, py, pw, ph = fit(tile, picture)
        y = py + ph // (2 * STRIPE_SHARE)
        levels = [self.grey(px + int((cell + 0.5) * pw / CELLS), y) for cell in range(CELLS)]
        if levels[0] < WHITE or levels[-1] > BLACK:
            return None
        gray = 0
        for level in levels[1:-1]:
            if BLACK < level < WHITE:
                return None
            gray = gray * 2 + (1 if level >= WHITE else 0)
        return gray_decode(gray)

    def save(self, path):
        subprocess.run(["/usr/bin/convert", "-size", "%dx%d" % self.size, "-depth", "8", "rgb:-", path],
                       input=self.raw, check=True)


def percentile(values, share):
    ordered = sorted(values)
    if not ordered:
        return None
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


class Window:
    """e2e_camera_window on an X server, driven with xdotool."""

    def __init__(self, program, images, alsa_config, recordings, folder, log_path, pictures=False,
                 title="Vialumo", arguments=None):
        # The program finds its map pages in images/ under its working folder.
        os.makedirs(folder, exist_ok=True)
        if not os.path.exists(os.path.join(folder, "images")):
            os.symlink(os.path.abspath(images), os.path.join(folder, "images"))
        env = dict(os.environ)
        for name in ("XDG_CURRENT_DESKTOP", "QT_QPA_PLATFORMTHEME", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        env.update({"QT_QPA_PLATFORM": "xcb", "QTWEBENGINE_CHROMIUM_FLAGS": "--disable-gpu",
                    "ALSA_CONFIG_PATH": os.path.abspath(alsa_config),
                    "QT_LOGGING_RULES": "qt.webenginecontext.debug=false"})
        if os.geteuid() == 0:
            env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        command = [os.path.abspath(program)]
        for cameras in recordings:
            command += ["--recording", ",".join("%s=%s" % (role, path) for role, path in cameras)]
        if pictures:
            command.append("--pictures")
        command += arguments or []
        self.log_path = log_path
        self.log = open(log_path, "wb")
        self.proc = subprocess.Popen(command, cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)

        def window():
            if self.proc.poll() is not None:
                raise base.Abort("the window's program exited with %s" % self.proc.returncode)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
            return found[-1] if found else None

        self.id = base.wait_for("the window", window, base.WAIT_START_S)
        geometry = dict(line.split("=", 1) for line in
                        base.run(["xdotool", "getwindowgeometry", "--shell", self.id]).split())
        self.origin = (int(geometry["X"]), int(geometry["Y"]))

    def at(self, point):
        return str(self.origin[0] + point[0]), str(self.origin[1] + point[1])

    def click(self, point, repeat=1):
        x, y = self.at(point)
        base.run(["xdotool", "mousemove", "--sync", x, y, "click", "--repeat", str(repeat), "--delay", "120", "1"])
        # Away from the video and the buttons, so that no hover face shows.
        rx, ry = self.at((800, 40))
        base.run(["xdotool", "mousemove", rx, ry])

    def key(self, name):
        base.run(["xdotool", "key", "--window", self.id, name])

    def play_first(self):
        self.click(FIRST_ROW)
        time.sleep(0.3)
        self.click(FIRST_ROW, repeat=2)

    def grab(self, region=(0, 0, WINDOW_W, WINDOW_H)):
        return Grab(self.origin, region)

    def frames(self, tiles, picture):
        """Each tile's frame number; picture is the clips' size, or one size
        per tile."""
        grab = self.grab(SURFACE)
        sizes = picture if isinstance(picture, list) else [picture] * len(tiles)
        return grab, [grab.frame(tile, size) for tile, size in zip(tiles, sizes)]

    def wait_frames(self, tiles, picture, predicate, limit):
        """Grabs until every tile reads and predicate(frames) holds; the
        frames, or None after limit seconds."""
        end = time.monotonic() + limit
        while time.monotonic() < end:
            _, frames = self.frames(tiles, picture)
            if None not in frames and predicate(frames):
                return frames
            time.sleep(GRAB_PAUSE_S)
        return None

    def sample_offsets(self, tiles, picture, seconds):
        """Each other tile's frame minus the first tile's, grab by grab."""
        offsets = []
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            _, frames = self.frames(tiles, picture)
            time.sleep(GRAB_PAUSE_S)
            if None in frames:
                continue
            offsets.extend(frame - frames[0] for frame in frames[1:])
        return offsets

    def pictures(self):
        """The last shown and lost pictures the window printed, by camera."""
        counts = {}
        with open(self.log_path, "rb") as f:
            for line in f.read().decode("utf-8", "replace").splitlines():
                parts = line.split()
                if len(parts) == 4 and parts[0] == "PICTURES":
                    counts[int(parts[1])] = (int(parts[2]), int(parts[3]))
        return counts

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=20)
            except subprocess.TimeoutExpired:
                pass
        try:
            os.killpg(self.proc.pid, 9)
        except (ProcessLookupError, PermissionError):
            pass
        self.log.close()


def summary(offsets):
    """Median and 95th percentile of the offsets' sizes, in frames."""
    sizes = [abs(o) for o in offsets]
    if not sizes:
        return None, None
    return statistics.median(sizes), percentile(sizes, 0.95)
