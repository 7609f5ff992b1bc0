#!/usr/bin/env python3
"""Takes the README's picture of the player at work: the sample drive imported
through the real dialog and its first recording playing with the map, which
shows the whole route coloured by speed and the speed profile under it. The
sample's clips are made a minute and a half long for the picture, so that the
route runs through the speed bands; a click on the profile seeks the video
before the picture is taken, and the pointer stays there, so the profile
shows the second under it.

With --cameras it takes the picture of a recording of three cameras: the
sample's first clip as the front camera, beside a rear and an interior
camera made with ffmpeg (a test picture each, named on it), in the program's
window with that recording listed (e2e_camera_window, built with the tests:
the import groups the files of one recording's cameras itself).

This machine has no network, so the map's online check is answered by a
local stand-in: an HTTPS server on 127.0.0.1:443 that answers every request
with one plain street-grid tile, and the program alone is given a hosts file
that names it as the tile server. The map's tiles themselves come, as they
would on a laptop without a network, from an offline map (`--offline-map`):
an MBTiles file of the same tile around the first recording's drive, made
here. Settings and the tile cache go to a folder of the run's own.
Everything else is the real program and the real map page.

    tools/readme-shot.py OUT.png [--cameras]   (needs root for port 443, runs its own Xvfb)
"""
import http.server
import math
import os
import sqlite3
import ssl
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEPLOY = os.path.join(ROOT, "build", "deploy")
# The sample drive with longer clips than the README's own sample/ folder.
SAMPLE = os.path.join(ROOT, "build", "readme-sample")
SAMPLE_OPTIONS = ["--count", "5", "--seconds", "90"]
CAMERA_WINDOW = os.path.join(ROOT, "build", "tests", "e2e_camera_window")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
IMPORT_BUTTON = (204, 647)
FIRST_ROW = (60, 528)
# Where the first recording drives (Shenzhen Bay), with room around it, and
# the zooms its map shows.
DRIVE_BOX = (22.49, 113.89, 22.59, 114.00)   # south, west, north, east
DRIVE_ZOOMS = range(10, 18)
# The map view's speed profile lies along its bottom edge (window pixels):
# the click seeks to that share of the recording.
PROFILE_Y = 55 + 360 - 26
PROFILE_X0, PROFILE_WIDTH = 650, 300
SEEK_SHARE = 0.62


def sh(*cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


def make_tile(path):
    # A light street grid: the map page darkens its tiles for the player's look.
    sh("/usr/bin/convert", "-size", "256x256", "xc:#e9e5dc",
       "-stroke", "#ffffff", "-strokewidth", "9",
       "-draw", "line 0,64 256,64", "-draw", "line 0,192 256,192",
       "-draw", "line 64,0 64,256", "-draw", "line 192,0 192,256",
       "-stroke", "#f6d38a", "-strokewidth", "14", "-draw", "line 0,128 256,128",
       "-fill", "#c8dfb0", "-stroke", "none", "-draw", "rectangle 80,80 176,112",
       path)


def tile_xy(lat, lon, zoom):
    n = 2 ** zoom
    y = (1 - math.asinh(math.tan(math.radians(lat))) / math.pi) / 2 * n
    return int((lon + 180) / 360 * n), int(y)


def make_offline_map(path, tile):
    """An MBTiles file holding the stand-in tile at every place of the drive's box."""
    data = open(tile, "rb").read()
    south, west, north, east = DRIVE_BOX
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE metadata (name text, value text)")
    db.executemany("INSERT INTO metadata VALUES (?, ?)",
                   [("name", "readme"), ("format", "png"), ("minzoom", str(min(DRIVE_ZOOMS))),
                    ("maxzoom", str(max(DRIVE_ZOOMS))), ("bounds", "%f,%f,%f,%f" % (west, south, east, north))])
    db.execute("CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer, tile_data blob)")
    for z in DRIVE_ZOOMS:
        x0, y0 = tile_xy(north, west, z)
        x1, y1 = tile_xy(south, east, z)
        db.executemany("INSERT INTO tiles VALUES (?, ?, ?, ?)",
                       [(z, x, (2 ** z - 1) - y, data) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)])
    db.commit()
    db.close()


def serve_tiles(workdir):
    tile = os.path.join(workdir, "tile.png")
    make_tile(tile)
    key, cert = os.path.join(workdir, "key.pem"), os.path.join(workdir, "cert.pem")
    sh("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
       "-subj", "/CN=tile.openstreetmap.org", "-keyout", key, "-out", cert,
       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    data = open(tile, "rb").read()

    class Tiles(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "image/png")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

        def log_message(self, *args):
            if os.environ.get("READMESHOT_TRACE"):
                sys.stderr.write("tile server: %s\n" % (args,))

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 443), Tiles)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def window():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Vialumo$"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.split()
    return out[-1] if out else None


def geometry(wid):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid],
                         stdout=subprocess.PIPE, text=True, check=True).stdout
    values = dict(line.split("=") for line in out.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def wait(what, predicate, limit=60):
    end = time.time() + limit
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.2)
    sys.exit("readme-shot: gave up waiting for " + what)


def camera_clip(path, label, source):
    """A stand-in for another camera of the sample's first clip: a test
    picture with the camera's name on it, as long as the sample's clips."""
    if os.path.exists(path):
        return path
    # Large letters: the inset is a quarter of the video's width.
    text = "drawtext=fontfile=%s:text=%s:fontcolor=white:fontsize=160:box=1:boxcolor=black@0.6:x=60:y=60" % (
        FONT, label)
    sh("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
       "%s=s=1280x720:r=25" % source, "-vf", text, "-t", SAMPLE_OPTIONS[3], "-c:v", "libx264",
       "-preset", "ultrafast", "-g", "25", "-pix_fmt", "yuv420p", path)
    return path


def main():
    cameras = "--cameras" in sys.argv[1:]
    paths = [a for a in sys.argv[1:] if a != "--cameras"]
    if len(paths) != 1:
        sys.exit(__doc__)
    out = os.path.abspath(paths[0])
    if "DISPLAY" not in os.environ or not os.environ.get("INSIDE_XVFB"):
        os.environ["INSIDE_XVFB"] = "1"
        os.execv(os.path.join(ROOT, "tools", "with-xvfb.sh"),
                 ["with-xvfb.sh", sys.executable, os.path.abspath(__file__)] + sys.argv[1:])
    if not os.path.isdir(os.path.join(SAMPLE, "DCIM")):
        sh(os.path.join(ROOT, "tools", "make-sample-drive"), *SAMPLE_OPTIONS, SAMPLE)
    program = ["./vialumo"]
    if cameras:
        clips = os.path.join(SAMPLE, "DCIM", "100CLIP")
        recording = "front=%s,rear=%s,interior=%s" % (
            os.path.join(clips, "CLIP0001.MOV"),
            camera_clip(os.path.join(SAMPLE, "rear.mp4"), "REAR", "smptehdbars"),
            camera_clip(os.path.join(SAMPLE, "interior.mp4"), "INTERIOR", "testsrc2"))
        program = [CAMERA_WINDOW, "--recording", recording]

    with tempfile.TemporaryDirectory() as workdir:
        server = serve_tiles(workdir)
        # The program alone sees a hosts file that sends the tile server's
        # name to the stand-in (a private mount namespace; needs root).
        hosts = os.path.join(workdir, "hosts")
        with open(hosts, "w") as f:
            f.write(open("/etc/hosts").read() + "\n127.0.0.1 tile.openstreetmap.org\n")
        offline_map = os.path.join(workdir, "drive.mbtiles")
        make_offline_map(offline_map, os.path.join(workdir, "tile.png"))
        env = dict(os.environ, QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --ignore-certificate-errors",
                   XDG_CONFIG_HOME=os.path.join(workdir, "config"), XDG_CACHE_HOME=os.path.join(workdir, "cache"))
        app = subprocess.Popen(
            ["unshare", "--mount", "sh", "-c", 'mount --bind "$0" /etc/hosts && exec "$@"', hosts] + program
            + (["--offline-map", offline_map] if not cameras else []),
            cwd=DEPLOY, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wid = wait("the window", window)
            time.sleep(3)
            x, y, w, h = geometry(wid)
            if cameras:
                # Listed already: play it and let the map draw the route.
                sh("xdotool", "mousemove", str(x + FIRST_ROW[0]), str(y + FIRST_ROW[1]), "click", "1",
                   "sleep", "0.3", "click", "--repeat", "2", "--delay", "80", "1")
                sh("xdotool", "mousemove", str(x + 800), str(y + 40))
                time.sleep(14)
                sh("/usr/bin/import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", out)
                print("saved", out)
                return
            sh("xdotool", "mousemove", str(x + IMPORT_BUTTON[0]), str(y + IMPORT_BUTTON[1]), "click", "1")
            wait("the dialog", lambda: subprocess.run(
                ["xdotool", "search", "--onlyvisible", "--name", "^Open Files$"],
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.strip())
            time.sleep(0.5)
            sh("xdotool", "type", "--delay", "15", os.path.join(SAMPLE, "DCIM", "100CLIP"))
            sh("xdotool", "key", "Return")
            time.sleep(1)
            names = sorted(n for n in os.listdir(os.path.join(SAMPLE, "DCIM", "100CLIP")) if n.endswith(".MOV"))
            sh("xdotool", "type", "--delay", "15", " ".join('"%s"' % n for n in names))
            sh("xdotool", "key", "Return")
            time.sleep(2)
            sh("xdotool", "mousemove", str(x + FIRST_ROW[0]), str(y + FIRST_ROW[1]),
               "click", "--repeat", "2", "--delay", "80", "1")
            time.sleep(7.5)
            # Seek from the speed profile, then let it play on a little.
            sh("xdotool", "mousemove", str(x + PROFILE_X0 + int(SEEK_SHARE * PROFILE_WIDTH)),
               str(y + PROFILE_Y), "click", "1")
            time.sleep(2.5)
            sh("/usr/bin/import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", out)
            print("saved", out)
        finally:
            app.terminate()
            app.wait(10)
            server.shutdown()


if __name__ == "__main__":
    main()
