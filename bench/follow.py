"""The follow benchmark: how far Quorvix's view falls behind the real pointer
sweeping at 1500 px/s over desktops of many windows, whether it loses the
pointer, how old the picture it shows is, the frames it draws and capture
passes it runs a second, the CPU time it uses at rest and moving, and its
memory over a minute. Run by hand (bench/run.sh); it prints figures and
asserts nothing.

    python3 bench/follow.py [BIN_DIR [QUORVIX...]]     (default: build/win/bin)

BIN_DIR holds qvx_fixture.exe, which opens each scene's windows in a process
of their own, and qvx_inject.exe, which moves the pointer through Windows'
input queue as a mouse does, 125 or 1000 times a second, and reads the
viewer's counters. Each QUORVIX is a quorvix.exe or a folder holding one
(default: BIN_DIR's); several are measured in turn, scene by scene, so that
one run compares them under the same load. Everything runs on a private
3840 x 2160 desktop (bench/desktop.py) that ends with the benchmark.

The picture's age comes from a fixture window whose colour tells the time
(FixtureClockColour in tests/fixture/fixture_pattern.h): the time the view
shows against the time the window itself shows on screen, both read from one
row of the screen.

NOTE: the view is read from the X server, and so is the pointer when XTest
moves it. Under Wine, GetCursorPos answers the position Wine last handled (it
asks X itself only when that is over 100 ms old), and the motion events that
carry it are handled by the thread that owns the window under the pointer:
the viewer's own thread. A sampler asking Wine would see the view's lag
shrink to nothing exactly when that thread falls behind.

NOTE: moves made through Windows' input queue while a low-level mouse hook
is set (the viewer's) move Wine's pointer, not the X pointer. Where that
pointer is comes from qvx_inject.exe's schedule instead, on the clock that
Wine's QueryPerformanceCounter reads (CLOCK_MONOTONIC_RAW); afterwards the X
pointer is put where the injector left Wine's, which would otherwise go back
to the X pointer once its position is 100 ms old.
"""
import ctypes
import json
import math
import os
import resource
import subprocess
import sys
import time

import desktop

SCREEN = desktop.SIZE
CENTRE = (SCREEN[0] // 2, SCREEN[1] // 2)
SPEED = 1500.0          # pointer speed, px/s
AMPLITUDE = 500         # the sweep goes this far either side of CENTRE, along x
# From CENTRE out to the right end, then six times end to end: the sweep ends
# at the right end, away from where the view started.
SWEEP_DISTANCE = 13 * AMPLITUDE
MOVE_EVERY = 0.005      # s between pointer moves made with XTest
INJECT_RATES = (125, 1000)  # pointer moves a second made through Windows' input queue
SAMPLE_EVERY = 0.001    # s between samples
AGE_EVERY = 0.01        # s between readings of the picture's age
PAUSE = 0.3             # s at rest after the sweep before asking whether the view lost the pointer
CPU_SECONDS = 10.0
MEMORY_SECONDS = 60.0

# Scenes as qvx_fixture.exe arguments, laid out as qvx_bench lays them out
# around a view at the screen's centre.
_STAGGERED = "s,%d,%d,640,480,%%d,%%d,20,20" % (CENTRE[0] - 400, CENTRE[1] - 350)
_TILED = "t,%d,%d,120,90,26,20,120,90" % ((SCREEN[0] - 26 * 120) // 2, (SCREEN[1] - 20 * 90) // 2)
SCENES = [
    ("empty desktop", 0, []),
    ("1 window of 640 x 480", 1, ["--grid", _STAGGERED % (1, 1)]),
    ("50 windows of 640 x 480", 50, ["--grid", _STAGGERED % (10, 5)]),
    ("520 windows of 120 x 90", 520, ["--grid", _TILED]),
    ("6 maximised windows", 6, sum((["--window", "m%d,0,0,640,480,maximized" % i] for i in range(6)), [])),
]
MEMORY_SCENE = SCENES[2]
# Scenes swept by qvx_inject.exe at each of INJECT_RATES. The clock window
# covers all the view reaches in the sweep, not the whole screen: every
# repaint goes through the X server whole, and a full-screen one 100 times a
# second took 80 % of a core in Xvfb and 32 % in the fixture, far more than
# what it is there to measure.
_CLOCK = (CENTRE[0] - AMPLITUDE - 400, CENTRE[1] - 300, 2 * AMPLITUDE + 800, 600)
CLOCK_SCENE = ("clock window of %d x %d" % _CLOCK[2:], 1, ["--window", "clock,%d,%d,%d,%d,clock" % _CLOCK])
CLOCK_COLUMN = _CLOCK[0] + 20  # where the clock's own colour is read: left of all the view reaches
INJECTED_SCENES = [CLOCK_SCENE, SCENES[1], SCENES[3]]


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as the pixels' layout.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class X:
    """The few Xlib and XTest calls the benchmark needs, on its own connection."""

    _ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)

    def __init__(self, display):
        self.lib = ctypes.CDLL("libX11.so.6")
        self.tst = ctypes.CDLL("libXtst.so.6")
        L, ul, i, ui, p = self.lib, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint, ctypes.c_void_p
        L.XOpenDisplay.restype = p
        L.XOpenDisplay.argtypes = [ctypes.c_char_p]
        L.XCloseDisplay.argtypes = [p]
        L.XDefaultRootWindow.restype = ul
        L.XDefaultRootWindow.argtypes = [p]
        L.XFlush.argtypes = [p]
        L.XQueryPointer.argtypes = [p, ul, ctypes.POINTER(ul), ctypes.POINTER(ul)] + \
            [ctypes.POINTER(i)] * 4 + [ctypes.POINTER(ui)]
        L.XGetGeometry.argtypes = [p, ul, ctypes.POINTER(ul)] + [ctypes.POINTER(i)] * 2 + \
            [ctypes.POINTER(ui)] * 4
        L.XGetClassHint.argtypes = [p, ul, ctypes.POINTER(p * 2)]
        L.XFree.argtypes = [p]
        L.XSetErrorHandler.argtypes = [self._ERROR_HANDLER]
        L.XGetImage.restype = ctypes.POINTER(_XImage)
        L.XGetImage.argtypes = [p, ul, i, i, ui, ui, ul, i]
        L.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        self.tst.XTestFakeMotionEvent.argtypes = [p, i, i, i, ul]
        # A window that went away mid-query must not end the benchmark, as
        # Xlib's default handler would.
        self._ignore = self._ERROR_HANDLER(lambda d, e: 0)
        L.XSetErrorHandler(self._ignore)
        self.dpy = L.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        self.root = L.XDefaultRootWindow(self.dpy)

    def close(self):
        self.lib.XCloseDisplay(self.dpy)

    def move(self, x, y):
        self.tst.XTestFakeMotionEvent(self.dpy, -1, int(x), int(y), 0)
        self.lib.XFlush(self.dpy)

    def pointer(self):
        """(x, y, top-level window under the pointer or 0)."""
        root, child = ctypes.c_ulong(), ctypes.c_ulong()
        rx, ry, wx, wy, mask = ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), ctypes.c_uint()
        self.lib.XQueryPointer(self.dpy, self.root, ctypes.byref(root), ctypes.byref(child), ctypes.byref(rx),
                               ctypes.byref(ry), ctypes.byref(wx), ctypes.byref(wy), ctypes.byref(mask))
        return rx.value, ry.value, child.value

    def geometry(self, window):
        """(left, top, width, height) of a top-level window, or None when it is gone."""
        root = ctypes.c_ulong()
        x, y = ctypes.c_int(), ctypes.c_int()
        w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
        if not self.lib.XGetGeometry(self.dpy, window, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y),
                                     ctypes.byref(w), ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth)):
            return None
        return x.value, y.value, w.value, h.value

    def row(self, left, y, width):
        """Colours (0xRRGGBB) of width pixels of the screen from (left, y): what
        the root shows, which with every window redirected is the composed
        screen, read in one request so that all of it is of one moment."""
        image = self.lib.XGetImage(self.dpy, self.root, int(left), int(y), int(width), 1, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return None
        try:
            im = image.contents
            if im.bits_per_pixel != 32 or im.red_mask != 0xFF0000 or im.blue_mask != 0xFF:
                raise RuntimeError("the screen is not 24-bit RGB in 32-bit pixels")
            data = ctypes.string_at(im.data, 4 * width)
        finally:
            self.lib.XDestroyImage(image)
        return [int.from_bytes(data[k:k + 3], "little") for k in range(0, 4 * width, 4)]

    def class_name(self, window):
        # XClassHint: res_name, res_class, both for XFree.
        hint = (ctypes.c_void_p * 2)()
        if not self.lib.XGetClassHint(self.dpy, window, ctypes.byref(hint)):
            return ""
        name = ctypes.string_at(hint[1]).decode(errors="replace") if hint[1] else ""
        for s in hint:
            if s:
                self.lib.XFree(s)
        return name


def sweep_position(elapsed):
    """Pointer x at elapsed seconds: from CENTRE out to +AMPLITUDE, back through
    CENTRE to -AMPLITUDE, and so on, at SPEED."""
    d = (SPEED * elapsed) % (4 * AMPLITUDE)
    if d < AMPLITUDE:
        return CENTRE[0] + d
    if d < 3 * AMPLITUDE:
        return CENTRE[0] + 2 * AMPLITUDE - d
    return CENTRE[0] - 4 * AMPLITUDE + d


def cpu_ticks(pid):
    """utime + stime of a process, in clock ticks, or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return None
    return int(fields[11]) + int(fields[12])


def rss_anon_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    return None


def rss_anon_range(pid, seconds=1.0, every=0.02):
    """Least and most RssAnon, KiB, read over seconds: a capture pass frees and
    takes again all its pixels, so one reading depends on when it falls."""
    readings = []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        readings.append(rss_anon_kib(pid))
        time.sleep(every)
    return min(readings), max(readings)


def wineserver_pid(prefix):
    """The Wine server of prefix: the wineserver process whose WINEPREFIX it is."""
    want = ("WINEPREFIX=" + prefix).encode()
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % name) as f:
                if not f.read().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % name, "rb") as f:
                if want in f.read().split(b"\0"):
                    return int(name)
        except OSError:
            continue
    return None


def cpu_readings(pids):
    return time.monotonic(), [cpu_ticks(pid) if pid else None for pid in pids]


def cpu_percent(before, after):
    """Percent of one core each pid used between two cpu_readings."""
    seconds, tick = after[0] - before[0], os.sysconf("SC_CLK_TCK")
    return [None if b is None or a is None else 100.0 * (a - b) / tick / seconds
            for b, a in zip(before[1], after[1])]


def percentile(sorted_values, fraction):
    """The value at or below which fraction of the values lie (nearest rank)."""
    rank = max(1, math.ceil(fraction * len(sorted_values)))
    return sorted_values[rank - 1]


CLOCK_PERIOD = 1 << 15  # ms after which a clock colour comes round again


def clock_ms(colour):
    """The milliseconds a clock window's colour tells (FixtureClockColour), or
    None for a colour it never paints: one a multiple of 8 in some channel."""
    channels = (colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF)
    if any(c % 8 == 0 for c in channels):
        return None
    return (channels[0] >> 3 << 10) | (channels[1] >> 3 << 5) | (channels[2] >> 3)


class Run(desktop.Scoped):
    """One scene and Quorvix over it; both end with it."""

    def __init__(self, desk, x, scene, exe):
        self.desk, self.x, self.scene, self.exe = desk, x, scene, exe  # exe: the quorvix.exe to run
        self.fixture = self.quorvix = None
        self.viewer = 0

    def start(self):
        label, count, args = self.scene
        if count:
            log = os.path.join(self.desk.state, "scene.log")
            if os.path.exists(log):
                os.remove(log)
            self.fixture = self.desk.start_program(["qvx_fixture.exe", "--log", "Z:" + log] + args,
                                                   os.path.join(self.desk.state, "scene.out"))
            deadline = time.time() + 120
            while self._ready(log) < count:
                if self.fixture.poll() is not None or time.time() > deadline:
                    raise RuntimeError("the scene '%s' did not open its windows" % label)
                time.sleep(0.1)
            time.sleep(1.0)  # the last paints reach the X server
        self.x.move(*CENTRE)
        self.quorvix = self.desk.start_program([self.exe], os.path.join(self.desk.state, "quorvix.out"))
        deadline = time.time() + 60
        # The viewer opens centred on the pointer: the window under it.
        while True:
            _, _, child = self.x.pointer()
            if child and self.x.class_name(child).lower() == "quorvix.exe":
                self.viewer = child
                break
            if self.quorvix.poll() is not None or time.time() > deadline:
                raise RuntimeError("the viewer did not appear over the '%s' scene" % label)
            time.sleep(0.1)
        time.sleep(2.0)  # start-up done, a few capture passes behind it

    @staticmethod
    def _ready(log):
        try:
            with open(log) as f:
                return sum(1 for line in f if line.startswith("ready "))
        except FileNotFoundError:
            return 0

    def stop(self):
        for p in (self.quorvix, self.fixture):
            desktop.kill_group(p)
        self.quorvix = self.fixture = None

    def view_centre(self):
        g = self.x.geometry(self.viewer)
        return None if g is None else (g[0] + g[2] / 2.0, g[1] + g[3] / 2.0, g)

    @staticmethod
    def _outside(px, py, geometry):
        left, top, w, h = geometry
        return not (left <= px < left + w and top <= py < top + h)

    def follow(self, seconds, xtest=False, lag=True, clock=False, pointer=None):
        """Samples for seconds from now: the pointer (the X pointer, or where
        pointer() says it is) and the view centre (lag), the picture's age
        over the clock window (clock); with xtest, moves the pointer along the
        sweep with XTest meanwhile."""
        samples = Samples()
        used, start = own_cpu_seconds(), time.monotonic()
        end = start + seconds
        next_move = start if xtest else math.inf
        next_sample = start if lag else math.inf
        next_age = start if clock else math.inf
        while True:
            now = time.monotonic()
            if now >= end:
                break
            if now >= next_move:
                self.x.move(sweep_position(now - start), CENTRE[1])
                next_move += MOVE_EVERY
            if now >= next_sample:
                px, py = pointer() if pointer else self.x.pointer()[:2]
                centre = self.view_centre()
                if centre is not None:
                    samples.distances.append(math.hypot(px - centre[0], py - centre[1]))
                    samples.outside += self._outside(px, py, centre[2])
                next_sample += SAMPLE_EVERY
            if now >= next_age:
                self._read_age(samples)
                next_age += AGE_EVERY
            pause = min(next_move, next_sample, next_age, end) - time.monotonic()
            if pause > 0:
                time.sleep(pause)
        if xtest:
            self.x.move(sweep_position(seconds), CENTRE[1])
        if lag or clock:
            samples.own_cpu, samples.elapsed = own_cpu_seconds() - used, time.monotonic() - start
        return samples

    def _read_age(self, samples):
        # Away from the view's frame and cross, and the clock's own colour on
        # the same row, so that one request reads both at one moment.
        g = self.x.geometry(self.viewer)
        if g is None:
            return
        x, y = g[0] + g[2] // 4, g[1] + g[3] // 4
        row = self.x.row(CLOCK_COLUMN, y, x - CLOCK_COLUMN + 1) if x > CLOCK_COLUMN else None
        now, shown = (clock_ms(row[0]), clock_ms(row[-1])) if row else (None, None)
        if now is None or shown is None:
            samples.unreadable += 1
        else:
            # Signed: the view may copy a paint the screen does not show yet.
            samples.ages.append((now - shown + CLOCK_PERIOD // 2) % CLOCK_PERIOD - CLOCK_PERIOD // 2)

    def lost(self):
        """Whether the pointer is outside the view after a pause."""
        time.sleep(PAUSE)
        px, py, _ = self.x.pointer()
        centre = self.view_centre()
        return centre is None or self._outside(px, py, centre[2])

    def sweep(self):
        """The XTest sweep: its samples and whether the view lost the pointer."""
        samples = self.follow(SWEEP_DISTANCE / SPEED, xtest=True)
        return samples, self.lost()

    def inject(self, rate, seconds, pids, clock=False):
        """qvx_inject.exe moving the pointer along the sweep rate times a second
        (0: leaving it at rest) for seconds, sampled as follow does (the lag
        only while moving). Returns the samples, whether the view lost the
        pointer (None at rest), the injector's figures and the CPU of each of
        pids and then of the injector itself over the seconds."""
        out = os.path.join(self.desk.state, "inject.out")
        sweep = ["%d" % CENTRE[0], "%d" % CENTRE[1], "%g" % SPEED, "%d" % AMPLITUDE] if rate else []
        self.x.move(*CENTRE)  # where the sweep begins; the view is there before the injector is
        injector = self.desk.start_program(["qvx_inject.exe", "%d" % rate, "%.3f" % seconds] + sweep, out)
        try:
            deadline = time.time() + 60
            while not _lines(out):
                if injector.poll() is not None or time.time() > deadline:
                    raise RuntimeError("qvx_inject.exe did not start; see " + out)
                time.sleep(0.002)
            started = json.loads(_lines(out)[0])["started"]

            def pointer():
                t = time.clock_gettime(time.CLOCK_MONOTONIC_RAW) - started
                return sweep_position(min(math.floor(t * rate) / rate, seconds)), CENTRE[1]
            pids = list(pids) + [injector.pid]
            before = cpu_readings(pids)
            samples = self.follow(seconds, lag=rate > 0, clock=clock, pointer=pointer)
            cpu = cpu_percent(before, cpu_readings(pids))
            if rate:
                self.x.move(sweep_position(seconds), CENTRE[1])
            lost = self.lost() if rate else None
            injector.wait(timeout=60)
            figures = json.loads(_lines(out)[-1])
        finally:
            desktop.kill_group(injector)
        return samples, lost, figures, cpu


class Samples:
    def __init__(self):
        self.distances = []  # px, pointer to view centre
        self.outside = 0     # distances taken with the pointer outside the view
        self.ages = []       # ms, the picture's age
        self.unreadable = 0  # age readings that found no clock colour
        self.own_cpu = self.elapsed = 0.0  # s: this benchmark's own CPU time while it sampled, and how long


def _lines(path):
    try:
        with open(path) as f:
            return [line for line in f.read().splitlines() if line.startswith("{")]
    except FileNotFoundError:
        return []


def own_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def _percent(value):
    return "%5.1f%%" % value if value is not None else "     -"


def _per_second(figures, counter):
    first, last = figures[counter]
    return "%8.1f" % ((last - first) / figures["seconds"]) if first >= 0 and last >= 0 else "%8s" % "-"


def _lag(samples):
    d = sorted(samples.distances)
    if not d:
        return "%7d %5s %5s %5s %5s %8s" % (0, "-", "-", "-", "-", "-")
    return "%7d %5.0f %5.0f %5.0f %5.0f %7.1f%%" % (
        len(d), percentile(d, 0.5), percentile(d, 0.95), percentile(d, 0.99), d[-1],
        100.0 * samples.outside / len(d))


def _ages(samples):
    a = sorted(samples.ages)
    if not a:
        return "%5s %5s %5s" % ("-", "-", "-")
    return "%5d %5d %5d" % (percentile(a, 0.5), percentile(a, 0.9), a[-1])


def _lost(lost):
    return "-" if lost is None else "yes" if lost else "no"


def arguments(argv):
    """The bin folder and the quorvix.exe files to measure."""
    bin_dir = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(desktop.ROOT, "build", "win", "bin"))
    exes = [os.path.join(a, "quorvix.exe") if os.path.isdir(a) else a for a in map(os.path.abspath, argv[2:])]
    exes = exes or [os.path.join(bin_dir, "quorvix.exe")]
    for exe in [os.path.join(bin_dir, "qvx_fixture.exe"), os.path.join(bin_dir, "qvx_inject.exe")] + exes:
        if not os.path.isfile(exe):
            sys.exit("follow: no %s; build with scripts/test.sh first" % exe)
    return bin_dir, exes


def rest_and_xtest(desk, x, tags, exes, sampled):
    """Every scene at rest, then swept with XTest; returns the display's
    refresh rate as the injector read it."""
    print("XTest sweep, moved every %d ms; CPU (percent of one core), frames drawn and capture passes "
          "a second over %d s with the pointer at rest" % (MOVE_EVERY * 1000, CPU_SECONDS))
    header = "%-30s %7s %5s %5s %5s %5s %8s %-4s %8s %8s %10s %8s %8s"
    print(header % ("scene", "samples", "p50", "p95", "p99", "max", "outside", "lost", "quorvix", "Xvfb",
                    "wineserver", "frames", "passes"))
    print(header % ("", "", "px", "px", "px", "px", "", "", "CPU", "CPU", "CPU", "/s", "/s"))
    server = wineserver_pid(desk.prefix)
    refresh = None
    for scene in SCENES:
        for tag, exe in zip(tags, exes):
            with Run(desk, x, scene, exe) as run:
                _, _, rest, cpu = run.inject(0, CPU_SECONDS, [run.quorvix.pid, desk.xvfb_pid, server])
                refresh = rest["refresh_hz"]
                samples, lost = run.sweep()
            sampled.append(samples)
            print("%-30s %s %-4s %8s %8s %10s %s %s" % (
                scene[0] + tag, _lag(samples), _lost(lost), _percent(cpu[0]), _percent(cpu[1]), _percent(cpu[2]),
                _per_second(rest, "frames"), _per_second(rest, "passes")), flush=True)
    return refresh


def injected(desk, x, tags, exes, sampled, refresh):
    """INJECTED_SCENES swept by qvx_inject.exe at each rate, the clock window
    also at rest."""
    print("SendInput sweep by qvx_inject.exe; the display's refresh rate as Wine reports it "
          "(EnumDisplaySettings dmDisplayFrequency; 0 or 1: the display's default): %s Hz" % refresh)
    print("  moves: made a second; age: the view's picture against the clock window's own colour, read "
          "every %d ms (unread: readings without a clock colour);" % (AGE_EVERY * 1000))
    print("  frames, passes and CPU over the sweep, or over %d s at rest" % CPU_SECONDS)
    header = "%-30s %5s %6s %7s %5s %5s %5s %5s %8s %-4s %5s %5s %5s %6s %8s %8s %8s %8s"
    print(header % ("scene", "input", "moves", "samples", "p50", "p95", "p99", "max", "outside", "lost",
                    "age50", "age90", "max", "unread", "frames", "passes", "quorvix", "injector"))
    print(header % ("", "/s", "/s", "", "px", "px", "px", "px", "", "", "ms", "ms", "ms", "", "/s", "/s",
                    "CPU", "CPU"))
    for scene in INJECTED_SCENES:
        clock = scene is CLOCK_SCENE
        for tag, exe in zip(tags, exes):
            with Run(desk, x, scene, exe) as run:
                for rate in ((0,) if clock else ()) + INJECT_RATES:
                    samples, lost, figures, cpu = run.inject(
                        rate, SWEEP_DISTANCE / SPEED if rate else CPU_SECONDS, [run.quorvix.pid], clock)
                    sampled.append(samples)
                    moves = "%.0f" % (figures["moves"] / figures["seconds"]) if rate else "-"
                    print("%-30s %5s %6s %s %-4s %s %6s %s %s %8s %8s" % (
                        scene[0] + tag, rate or "rest", moves,
                        _lag(samples), _lost(lost), _ages(samples), samples.unreadable if clock else "-",
                        _per_second(figures, "frames"), _per_second(figures, "passes"), _percent(cpu[0]),
                        _percent(cpu[1])), flush=True)


def memory(desk, x, tags, exes):
    for tag, exe in zip(tags, exes):
        with Run(desk, x, MEMORY_SCENE, exe) as run:
            began = time.monotonic()
            first = rss_anon_range(run.quorvix.pid)
            time.sleep(max(0.0, began + MEMORY_SECONDS - 1.0 - time.monotonic()))
            last = rss_anon_range(run.quorvix.pid)
        print("memory of quorvix.exe%s over %s (RssAnon, least..most over 1 s): %.1f..%.1f MiB once started, "
              "%.1f..%.1f MiB %d s later" % (tag, MEMORY_SCENE[0], first[0] / 1024.0, first[1] / 1024.0,
                                             last[0] / 1024.0, last[1] / 1024.0, MEMORY_SECONDS))


def main(argv):
    bin_dir, exes = arguments(argv)
    # Rows name the quorvix.exe they measured only when there are several.
    tags = [" [%d]" % (k + 1) for k in range(len(exes))] if len(exes) > 1 else [""]
    desktop.end_on_sigterm()
    with desktop.Desktop(bin_dir) as desk:
        x = X(desk.display)
        try:
            print("follow: screen %d x %d, load average %s" % (SCREEN[0], SCREEN[1], loadavg()))
            for tag, exe in zip(tags, exes):
                print("  quorvix.exe%s: %s" % (tag, exe))
            print("  sweep: the pointer goes back and forth along x over %d..%d at y %d, %d px/s for %.1f s; "
                  "pointer and view read every %d ms" % (
                      CENTRE[0] - AMPLITUDE, CENTRE[0] + AMPLITUDE, CENTRE[1], SPEED, SWEEP_DISTANCE / SPEED,
                      SAMPLE_EVERY * 1000))
            print("  distance: pointer to the view's centre; outside: samples with the pointer outside the view;")
            print("  lost: the pointer outside the view %d ms after the sweep" % (PAUSE * 1000))
            print()
            sampled = []
            refresh = rest_and_xtest(desk, x, tags, exes, sampled)
            print()
            injected(desk, x, tags, exes, sampled, refresh)
            print("while sampling, this benchmark itself used %.1f%% of one core" % (
                100.0 * sum(s.own_cpu for s in sampled) / max(sum(s.elapsed for s in sampled), 1e-9)))
            print()
            memory(desk, x, tags, exes)
            print("load average at the end: %s" % loadavg())
        finally:
            x.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
