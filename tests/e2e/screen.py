"""The screen and the input: the installer's windows found by title and size, clicks and
keys through xdotool, screenshots through ImageMagick, and one run of the installer."""
import ctypes
import math
import os
import signal
import subprocess
import time
import xml.etree.ElementTree as ET

from PIL import Image

from common import BOX_SIZE, ROOT, TITLE, ScenarioFailed


# Pixels per layout unit of the installer being driven: 1.0 at 96 DPI, 1.5 at 144. The
# layout and the sizes below are in units; the window on the screen is in pixels.
SCALE = 1.0


def scaled(units):
    """Units in pixels, rounded as the installer rounds (half away from zero)."""
    return int(math.floor(units * SCALE + 0.5))


def control_centres(source_root):
    tree = ET.parse(os.path.join(source_root, "resources", "skin", "main.xml"))
    centres = {}
    for element in tree.iter():
        name, pos = element.get("name"), element.get("pos")
        if name and pos:
            l, t, r, b = (scaled(int(v)) for v in pos.split(","))
            centres[name] = ((l + r) // 2, (t + b) // 2)
            centres[name + ".rect"] = (l, t, r, b)
    return centres


def own_display():
    """Starts an X server of the scenario's own on a free display and makes it this
    process's DISPLAY, so that a scenario shares its screen and mouse with nothing else
    (the unit tests' windows, another run); returns the server's process. Xvfb picks the
    number itself (-displayfd) and goes when this process does."""
    read_end, write_end = os.pipe()
    libc = ctypes.CDLL(None, use_errno=True)

    def die_with_parent():
        libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG

    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    if not number.isdigit():
        server.kill()
        raise ScenarioFailed("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number
    return server


def xdotool(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True).stdout


def visible_windows():
    """(id, x, y, w, h) of every visible window titled like the installer."""
    out = []
    for wid in xdotool("search", "--onlyvisible", "--name", "^" + TITLE + "$").split():
        geo = xdotool("getwindowgeometry", "--shell", wid)
        vals = dict(line.split("=", 1) for line in geo.split() if "=" in line)
        if "X" in vals:
            out.append((wid, int(vals["X"]), int(vals["Y"]), int(vals["WIDTH"]), int(vals["HEIGHT"])))
    return out


def wait_for(predicate, timeout, what, interval=0.25):
    end = time.time() + timeout
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise ScenarioFailed("timed out waiting for " + what)


def main_window():
    for w in visible_windows():
        if w[3] == scaled(800) and w[4] in (scaled(430), scaled(550)):
            return w
    return None


def expanded_window():
    window = main_window()
    return window if window and window[4] == scaled(550) else None


def box_size():
    return scaled(BOX_SIZE[0]), scaled(BOX_SIZE[1])


def message_box():
    for w in visible_windows():
        if (w[3], w[4]) == box_size():
            return w
    return None


def pointer():
    where = dict(line.split("=", 1) for line in xdotool("getmouselocation", "--shell").split() if "=" in line)
    return int(where.get("X", -1)), int(where.get("Y", -1))


def click(window, point):
    x, y = window[1] + point[0], window[2] + point[1]
    # A move with --sync to where the pointer already is waits for a motion that never
    # comes (about 15 s): two boxes in a row put their buttons at the same place.
    if pointer() != (x, y):
        xdotool("mousemove", "--sync", x, y)
    time.sleep(0.15)
    xdotool("click", "1")
    time.sleep(0.35)


def answer_box(box, point, attempts=4):
    """Clicks a button of the message box and waits for the box to go; a click that lands
    while the box is still laying itself out (a busy machine) is made again."""
    for _ in range(attempts):
        click(box, point)
        end = time.time() + 3
        while time.time() < end:
            if message_box() is None:
                return
            time.sleep(0.2)
        box = message_box() or box
    raise ScenarioFailed("the message box did not take the click")


def type_text(text):
    xdotool("type", "--delay", "40", text)


def screenshot(window, path):
    x, y, w, h = window[1], window[2], window[3], window[4]
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", path],
                   check=True)
    return Image.open(path).convert("RGB")


def light_pixels(image, rect, threshold=170):
    l, t, r, b = rect
    return sum(1 for x in range(l, r) for y in range(t, b) if sum(image.getpixel((x, y))) // 3 > threshold)


class Run:
    def __init__(self, ctx, prefix, exe=None):
        self.ctx, self.prefix = ctx, prefix
        exe = exe or ctx.tools["setup"]
        self.out = open(os.path.join(ctx.work, "wine-output.txt"), "ab")
        self.started = time.time()
        self.process = prefix.wine(exe, stdout=self.out, stderr=subprocess.STDOUT)
        self.shots = []
        self.painted = False

    def window(self, timeout=None):
        # A first start also starts the prefix's Wine server and services: on a loaded
        # machine that alone has taken most of a minute.
        timeout = timeout or (60 if self.painted else 120)
        try:
            window = wait_for(main_window, timeout, "the installer window")
        except ScenarioFailed as failure:
            raise ScenarioFailed("%s (%s)" % (failure, self.state())) from None
        if not self.painted:
            # Mapped is not yet drawn: a first picture or click may meet a black frame.
            wait_for(lambda: max(self.look().convert("L").getextrema()) > 60, timeout, "the window's first paint")
            self.painted = True
            print("  the window was drawn %.1f s after the start" % (time.time() - self.started))
        return window

    def state(self):
        """What a missing window leaves to go on: the process, the windows titled like ours,
        and the end of the installer's log."""
        code = self.process.poll()
        alive = "still running" if code is None else "exited with %d" % code
        sizes = ["%dx%d" % (w[3], w[4]) for w in visible_windows()]
        log = self.prefix.log_text().strip().splitlines()[-3:]
        return "setup %s; windows titled like ours: %s; log ends: %s" % (
            alive, ", ".join(sizes) or "none", " | ".join(log) or "no log")

    def look(self, window=None):
        """The window as it is now, for polling; not one of the run's pictures."""
        window = window or wait_for(main_window, 10, "the installer window")
        return screenshot(window, os.path.join(self.ctx.work, "poll.png"))

    def shot(self, name):
        path = os.path.join(self.ctx.work, name + ".png")
        image = screenshot(self.window(), path)
        self.shots.append(path)
        return image

    def click(self, name):
        click(self.window(), self.ctx.centres[name])

    def box(self, timeout=60):
        return wait_for(message_box, timeout, "a message box")

    def wait_exit(self, timeout=60):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise ScenarioFailed("setup did not end")

    def page_is_finished(self):
        window = main_window()
        if window is None:
            return False
        return light_pixels(self.look(window), self.ctx.centres["finish_tip_lab.rect"]) > 20


class Context:
    def __init__(self, build, work, tools):
        self.build, self.work, self.tools = build, work, tools
        self.centres = control_centres(ROOT)


def default_dir():
    return "C:\\Program Files (x86)\\varlo"
