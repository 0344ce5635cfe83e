"""Drives the real QuilVara.exe under Wine, as a user would, and observes what a user would see.

Each Session has its own X server (Xvfb on a free display) and its own Wine prefix (a cheap
hard-linked copy of a template prefix made once per build), so sessions never meet. Input is real:
xdotool moves the X pointer and presses buttons and keys. What the user sees is read from the X
screen (pixels) and, for facts the screen cannot show (client rectangle, styles, foreground), from a
probe program running in the same Wine session.
"""
import fcntl
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "support"))
from bmp import Bmp  # noqa: E402

TITLE = "QUILVARA好感查询器"
TRAY_TIP = "QUILVARA好感度查询器"
# A point of the left pane's orange that no child covers, at 100 %: once it shows the skin, the
# window is painted. The orange is flat around it, so at every scale it is this very colour.
SKIN_SAMPLE = (7, 575)
SKIN_SAMPLE_COLOUR = (221, 134, 10)
# The virtual screen at 100 %; a session at another scale has one as many times larger.
SCREEN = (1280, 800)
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
EXE = os.environ.get("QV_EXE", "")
PROBE = os.environ.get("QV_PROBE", "")
WORK = os.environ.get("QV_WORK", os.path.join(tempfile.gettempdir(), "qv-e2e"))
# The hosts the exe was built with (cmake/Hosts.cmake).
HOST_EVENT = os.environ.get("QV_HOST_EVENT", "http://event.vara.example")
HOST_GAME = os.environ.get("QV_HOST_GAME", "http://game.vara.example")
HOST_FORUM = os.environ.get("QV_HOST_FORUM", "http://bbs.vara.example")


def scaled(value, dpi):
    """A length of the window at 100 % on a display at dpi, rounded as Windows programs round it:
    to the nearest pixel, halves away from zero."""
    magnitude = (abs(value) * dpi + 48) // 96
    return magnitude if value >= 0 else -magnitude


def _template_prefix(dpi=None):
    """A Wine prefix made once (once per DPI); sessions hard-link it instead of booting Wine each
    time. A prefix at another DPI is the plain one with the display's LogPixels set, which Wine
    reads when a program starts."""
    template = os.path.join(WORK, "prefix-template")
    subprocess.run([os.path.join(ROOT, "tools", "make-prefix"), template], check=True)
    if not dpi:
        return template
    scaled_template = "%s-dpi%d" % (template, dpi)
    with open(scaled_template + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not os.path.exists(os.path.join(scaled_template, "system.reg")):
            shutil.rmtree(scaled_template, ignore_errors=True)
            _link_prefix(template, scaled_template)
            env = dict(os.environ, WINEPREFIX=scaled_template, WINEDEBUG="-all", WINEARCH="win64")
            env.pop("DISPLAY", None)
            quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                            "REG_DWORD", "/d", str(dpi), "/f"], env=env, check=True, timeout=120, **quiet)
            subprocess.run(["wineserver", "-w"], env=env, timeout=60, **quiet)
    return scaled_template


def _link_prefix(template, prefix):
    """A copy of a prefix: hard links for the big, never-written files; real copies of what Wine
    rewrites."""
    subprocess.run(["cp", "-al", template, prefix], check=True)
    for name in os.listdir(template):
        if name.endswith(".reg") or name == ".update-timestamp":
            os.unlink(os.path.join(prefix, name))
            shutil.copy2(os.path.join(template, name), os.path.join(prefix, name))


class Image:
    """An RGB screen capture."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def crop(self, x, y, w, h):
        rows = [self.data[((y + r) * self.width + x) * 3:((y + r) * self.width + x + w) * 3] for r in range(h)]
        return Image(w, h, b"".join(rows))

    def save_png(self, path):
        ppm = b"P6 %d %d 255\n" % (self.width, self.height) + self.data
        subprocess.run(["/usr/bin/convert", "ppm:-", path], input=ppm, check=True)


def ink_bands(pixels, width, colour):
    """The runs of rows of a picture (RGB bytes, width wide) that hold pixels near colour, as
    (first row, row after the last): the lines of a text in that colour."""
    rows = [any(max(abs(a - b) for a, b in zip(pixels[i:i + 3], colour)) < 40
                for i in range(y * width * 3, (y + 1) * width * 3, 3))
            for y in range(len(pixels) // (width * 3))]
    bands, start = [], None
    for y, inked in enumerate(rows + [False]):
        if inked and start is None:
            start = y
        elif not inked and start is not None:
            bands.append((start, y))
            start = None
    return bands


# The mark a control shows while it has the keyboard focus and the window shows keyboard cues (Wine
# shows them always): two rings, the first a pixel inside the control's edge, the outer in the
# skin's light gold and the inner in its darkest brown, each a pixel wide at 100 %.
FOCUS_MARK = ((236, 184, 92), (34, 19, 3))


def focus_mark_rings(width, height, dpi=96):
    """The pixels (x, y) of the focus mark's outer and inner rings in a control of that size."""
    unit = max(1, scaled(1, dpi))
    rings = []
    for inset in (unit, 2 * unit):
        ring = set()
        for x in range(inset, width - inset):
            for y in range(inset, height - inset):
                if min(x - inset, y - inset, width - inset - 1 - x, height - inset - 1 - y) < unit:
                    ring.add((x, y))
        rings.append(ring)
    return rings


def shows_focus_mark(image, dpi=96, over=None):
    """Whether image, a control's face, wears the focus mark in its colours; with over, a picture of
    the same size, whether everything outside the mark is that picture."""
    rings = focus_mark_rings(image.width, image.height, dpi)
    for ring, colour in zip(rings, FOCUS_MARK):
        if any(image.pixel(x, y) != colour for x, y in ring):
            return False
    if over is None:
        return True
    marked = rings[0] | rings[1]
    return all(image.pixel(x, y) == over.pixel(x, y)
               for y in range(image.height) for x in range(image.width) if (x, y) not in marked)


def read_bmp(path):
    """A shipped BMP as an Image (top-down RGB)."""
    bmp = Bmp(path)
    return Image(bmp.width, len(bmp.rows), bytes(c for row in bmp.rows for pixel in row for c in pixel))


class Session:
    """One private X display and Wine prefix; the tool and helpers run inside it."""

    def __init__(self, lang="zh_CN.UTF-8", extra_env=None, dpi=None, window_manager=False, tray_host=False):
        """dpi: the display's DPI (the prefix's LogPixels), with a screen as many times larger
        than at 96; None for Wine's own 96. window_manager, tray_host: parts of a user's desktop on
        the display instead of a bare X screen: a window manager (openbox) and a notification area
        of the desktop's (trayer)."""
        if not EXE or not PROBE:
            raise unittest.SkipTest("QV_EXE and QV_PROBE are set by CTest")
        self.lang = lang
        self.extra_env = extra_env or {}
        self.dpi = dpi or 96
        self.dir = tempfile.mkdtemp(prefix="session-", dir=_ensure_work())
        self.prefix = os.path.join(self.dir, "prefix")
        self.procs = []
        self.desktop_procs = []
        self._start_display()
        self._make_prefix()
        # Bring the Wine session up (server, services, desktop) first. Its daemons must not inherit
        # a pipe of ours: a later read would wait for them to close it.
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env(), check=True, **quiet)
        subprocess.run(["wine", PROBE, "window", TITLE], env=self.env(), timeout=120, **quiet)
        self._start_desktop(window_manager, tray_host)

    # -- set-up and tear-down --------------------------------------------------------------
    def _start_display(self):
        read_fd, write_fd = os.pipe()
        screen = "%dx%dx24" % tuple(scaled(length, self.dpi) for length in SCREEN)
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen, "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        self.display = ":" + number

    def _start_desktop(self, window_manager, tray_host):
        # Once the Wine session is up: icons that Wine docks into a tray host that was there before
        # its session started stay blank (measured with Wine 8).
        quiet = dict(env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if window_manager:
            self.desktop_procs.append(subprocess.Popen(["openbox", "--sm-disable"], **quiet))
            self.wait_for(lambda: "window id" in self.x_root_property("_NET_SUPPORTING_WM_CHECK"), what="window manager")
        if tray_host:
            self.desktop_procs.append(subprocess.Popen(
                ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request", "--height", "24",
                 "--SetDockType", "true", "--expand", "false", "--transparent", "false"], **quiet))
            self.wait_for(lambda: self.x_windows_of_class("trayer"), what="notification area")

    def _make_prefix(self):
        _link_prefix(_template_prefix(None if self.dpi == 96 else self.dpi), self.prefix)

    def env(self, **overrides):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all", WINEARCH="win64", DISPLAY=self.display,
                   LC_ALL=self.lang, LANG=self.lang)
        env.pop("http_proxy", None)
        env.update(self.extra_env)
        env.update(overrides)
        return env

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        for proc in self.desktop_procs:
            proc.terminate()
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        for proc in self.procs:
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        subprocess.run(["wineserver", "-w"], env=self.env(), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)
        self.xvfb.send_signal(signal.SIGTERM)
        self.xvfb.wait(timeout=10)
        shutil.rmtree(self.dir, ignore_errors=True)

    # -- running programs --------------------------------------------------------------------
    def launch(self, args=(), **env):
        """Starts the tool; returns its Popen (the wine loader's process)."""
        proc = subprocess.Popen(["wine", EXE, *args], env=self.env(**env),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return proc

    def probe(self, *args):
        """What the probe printed. The probe is the test's instrument, not the tool, and reads the
        system's records without waiting on the tool: one that printed nothing (seen once in
        thousands of runs under load) or never ended (seen once, its Wine process start stalled
        for a minute) is run again, and a third such run fails with what it said."""
        said = ""
        for _ in range(3):
            try:
                out = subprocess.run(["wine", PROBE, *args], env=self.env(), stdin=subprocess.DEVNULL,
                                     capture_output=True, timeout=30)
            except subprocess.TimeoutExpired:
                said = "still running after 30 s"
                continue
            text = out.stdout.decode("utf-8").strip()
            if text:
                return json.loads(text)
            said = "exit code %d: %s" % (out.returncode, out.stderr.decode("utf-8", "replace")[-800:])
        raise AssertionError("probe %s printed nothing, %s" % (" ".join(args), said))

    def window(self, title=TITLE):
        return self.probe("window", title)

    def wait_for(self, predicate, timeout=30, interval=0.2, what="condition"):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise AssertionError("timed out waiting for " + what)
            time.sleep(interval)

    def holds(self, predicate, seconds, interval=0.2, what="condition"):
        """Checks that a condition stays true for a while (something must NOT happen); fails at
        once when it turns false."""
        deadline = time.monotonic() + seconds
        while True:
            if not predicate():
                raise AssertionError("no longer true: " + what)
            if time.monotonic() > deadline:
                return
            time.sleep(interval)

    def wait_window(self, title=TITLE, timeout=60):
        return self.wait_for(lambda: (lambda w: w if w.get("found") and w["visible"] else None)(self.window(title)),
                             timeout=timeout, what="window " + title)

    def skin_shows(self, info=None):
        """Whether the screen shows the tool's skin where its window (info, or as it is now) has
        it: the window is painted and nothing covers it."""
        info = info or self.window()
        left, top = info["window"][:2]
        x, y = (scaled(v, self.dpi) for v in SKIN_SAMPLE)
        return self.screenshot().pixel(left + x, top + y) == SKIN_SAMPLE_COLOUR

    def wait_painted(self, timeout=60):
        """Waits until the tool's window is on screen with its skin painted; returns its facts.
        Visible is not painted: the first paint comes a moment after the window shows."""

        def painted():
            info = self.window()
            return info if info.get("found") and info["visible"] and self.skin_shows(info) else None

        return self.wait_for(painted, timeout=timeout, interval=0.05, what="painted window")

    def tool_pids(self):
        """Pids of this session's QuilVara.exe processes, read from /proc."""
        pids = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % entry, "rb") as f:
                    environ = f.read().split(b"\0")
                with open("/proc/%s/cmdline" % entry, "rb") as f:
                    cmdline = f.read()
            except OSError:
                continue
            if b"WINEPREFIX=" + self.prefix.encode() in environ and b"QuilVara.exe" in cmdline:
                pids.append(int(entry))
        return pids

    def anonymous_memory_kb(self):
        """Resident anonymous memory (heap and the like) of this session's tool processes, in KiB.
        Read from the Linux side: Wine does not report another process's memory counters."""
        total = 0
        for pid in self.tool_pids():
            try:
                with open("/proc/%d/status" % pid) as f:
                    total += next(int(line.split()[1]) for line in f if line.startswith("RssAnon:"))
            except (OSError, StopIteration):
                continue
        return total

    # -- the user's hands and eyes ---------------------------------------------------------
    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env(), check=True,
                              capture_output=True).stdout.decode()

    def move(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)

    def click(self, x, y, button=1, repeat=1):
        self.move(x, y)
        self.xdotool("click", "--repeat", repeat, "--delay", 80, button)

    def click_client(self, x, y, **kw):
        """Clicks the tool's window at x, y of its client area (which is the whole window)."""
        left, top = self.window()["window"][:2]
        self.click(left + x, top + y, **kw)

    def press(self, x, y, button=1):
        self.move(x, y)
        self.xdotool("mousedown", button)

    def release(self, button=1):
        self.xdotool("mouseup", button)

    def drag(self, x, y, dx, dy):
        """Drags with the left button from screen point (x, y) by (dx, dy) as a user does: a press,
        then the moves, in steps, while the move loop sees the button held."""
        self.press(x, y)
        time.sleep(0.3)
        for step in range(1, 6):
            self.move(x + dx * step // 5, y + dy * step // 5)
            time.sleep(0.05)
        self.release()

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def x_windows(self, name):
        out = subprocess.run(["xdotool", "search", "--name", name], env=self.env(), capture_output=True)
        return out.stdout.decode().split()

    def x_windows_of_class(self, name):
        out = subprocess.run(["xdotool", "search", "--class", name], env=self.env(), capture_output=True)
        return out.stdout.decode().split()

    def x_geometry(self, wid):
        """(x, y, width, height) of an X window on the screen, or None when it is not viewable."""
        info = subprocess.run(["xwininfo", "-id", wid], env=self.env(), capture_output=True).stdout.decode()
        if "IsViewable" not in info:
            return None
        field = lambda name: int(info.split(name)[1].split()[0])
        return (field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:"))

    def x_root_property(self, name):
        return subprocess.run(["xprop", "-root", name], env=self.env(), capture_output=True).stdout.decode()

    def tray_icon(self):
        """The middle of the first icon in the notification area, or None while none is there. On a
        bare screen, Wine's own tray window shows it; on a desktop, Wine docks it into the tray
        host, where it is found by its window: Wine 8 leaves a docked icon blank about half the
        time (measured), so its pixels prove nothing about the tool."""
        for wid in self.x_windows_of_class("trayer"):
            tree = subprocess.run(["xwininfo", "-tree", "-id", wid], env=self.env(), capture_output=True).stdout.decode()
            docked = re.search(r'\("explorer\.exe" "explorer\.exe"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)', tree)
            if docked:
                width, height, x, y = map(int, docked.groups())
                return x + width // 2, y + height // 2
        for wid in self.x_windows("Wine System Tray"):
            geometry = self.x_geometry(wid)
            if not geometry:
                continue
            x, y = geometry[:2]
            cell = self.screenshot().crop(x, y, 20, 20)
            if len({cell.pixel(i, j) for i in range(20) for j in range(20)}) > 3:
                return x + 10, y + 10  # an icon, not an empty background
        return None

    def screenshot(self):
        ppm = subprocess.run(["/usr/bin/import", "-display", self.display, "-window", "root", "-depth", "8", "ppm:-"],
                             env=self.env(), check=True, capture_output=True).stdout
        header, width, height, maxval, data = _parse_ppm(ppm)
        return Image(width, height, data)


class BrowserLaunches:
    """A stand-in for the desktop's browser launcher (xdg-open, which Wine's ShellExecute runs),
    first on PATH for the sessions started after it is made, that records every address it is
    asked to open."""

    def __init__(self):
        self.bin = os.path.join(_ensure_work(), "stub-bin-%d" % os.getpid())
        os.makedirs(self.bin, exist_ok=True)
        self.log = os.path.join(self.bin, "opened.txt")
        with open(os.path.join(self.bin, "xdg-open"), "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % self.log)
        os.chmod(os.path.join(self.bin, "xdg-open"), 0o755)
        os.environ["PATH"] = self.bin + ":" + os.environ["PATH"]

    def opened(self):
        """The addresses asked for so far, in order."""
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return f.read().split()


# What a leak looks like in a quantity measured once per run: (growth per run that is a leak, how
# far the late median may always stand above the early one). A start's memory lands on one of two
# levels about a megabyte apart, the higher more often in later runs; counts are exact but may
# catch a transient handle or window.
LEAK_LIMITS = {"handles": (0.05, 0), "windows": (0.05, 0), "gdi_objects": (0.05, 0), "memory_kb": (64, 2048)}


def slope(series):
    """Least-squares growth per run."""
    n = len(series)
    mean_x, mean_y = (n - 1) / 2, statistics.fmean(series)
    return (sum((x - mean_x) * (y - mean_y) for x, y in enumerate(series))
            / sum((x - mean_x) ** 2 for x in range(n)))


def leak_verdict(kind, series):
    """Whether a per-run series shows a leak, with what was judged. A leak is a trend, so one high
    sample is not one: the median of the last ten runs stands above that of the first ten by more
    than either ten vary among themselves (a count that is 47 in some runs and 48 in others may
    have medians of 47 and 47.5), or the fitted growth reaches the limit. Needs twenty runs."""
    per_run, slack = LEAK_LIMITS[kind]
    first, last = series[:10], series[-10:]
    early, late = statistics.median(first), statistics.median(last)
    spread = max(max(first) - min(first), max(last) - min(last))
    growth = slope(series)
    leaks = late > early + max(slack, spread) or growth >= per_run
    return leaks, "%s: median of the first ten %g, of the last ten %g, spread %g, slope %.4f per run (limit %g)" % (
        kind, early, late, spread, growth, per_run)


def _ensure_work():
    os.makedirs(WORK, exist_ok=True)
    return WORK


def _parse_ppm(ppm):
    parts = []
    pos = 0
    while len(parts) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        if ppm[pos:pos + 1] == b"#":
            pos = ppm.index(b"\n", pos) + 1
            continue
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        parts.append(ppm[pos:end])
        pos = end
    pos += 1
    return parts[0], int(parts[1]), int(parts[2]), int(parts[3]), ppm[pos:]


class SessionTestCase(unittest.TestCase):
    """A test class whose tests share one session with the tool started."""

    lang = "zh_CN.UTF-8"
    start_tool = True
    extra_env = None
    dpi = None
    window_manager = False
    tray_host = False

    @classmethod
    def setUpClass(cls):
        cls.session = Session(lang=cls.lang, extra_env=cls.extra_env, dpi=cls.dpi,
                              window_manager=cls.window_manager, tray_host=cls.tray_host)
        try:
            cls.prepare()
            if cls.start_tool:
                cls.tool = cls.session.launch()
                cls.info = cls.session.wait_painted()
        except BaseException:
            cls.session.close()  # tearDownClass does not run when set-up fails
            raise

    @classmethod
    def prepare(cls):
        """Runs once the session is up, before the tool starts; a failure here closes the session."""

    @classmethod
    def tearDownClass(cls):
        cls.session.close()


def main():
    """Runs the calling file's tests, or those of the classes named on the command line.
    --list prints the classes that hold tests, one a line: each runs as a test of its own, in
    parallel with the others (every class has its own session)."""
    if sys.argv[1:] == ["--list"]:
        loader = unittest.defaultTestLoader
        for name, value in sorted(vars(sys.modules["__main__"]).items()):
            if isinstance(value, type) and issubclass(value, unittest.TestCase) and loader.getTestCaseNames(value):
                print(name)
        return
    unittest.main(verbosity=2)
