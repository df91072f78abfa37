"""The follow benchmark: how far Quorvix's view falls behind the real pointer
sweeping at 1500 px/s over desktops of many windows, whether it loses the
pointer, the CPU time it uses with the pointer at rest, and its memory over
a minute. Run by hand (bench/run.sh); it prints figures and asserts nothing.

    python3 bench/follow.py [BIN_DIR]     (default: build/win/bin)

BIN_DIR holds quorvix.exe and qvx_fixture.exe, which opens each scene's
windows in a process of their own. Everything runs on a private 3840 x 2160
desktop (bench/desktop.py) that ends with the benchmark.

NOTE: the pointer and the view are both read from the X server. Under Wine,
GetCursorPos answers the position Wine last handled (it asks X itself only
when that is over 100 ms old), and the motion events that carry it are
handled by the thread that owns the window under the pointer: the viewer's
own thread. A sampler asking Wine would see the view's lag shrink to nothing
exactly when that thread falls behind.
"""
import ctypes
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
MOVE_EVERY = 0.005      # s between pointer moves
SAMPLE_EVERY = 0.001    # s between samples
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


def percentile(sorted_values, fraction):
    """The value at or below which fraction of the values lie (nearest rank)."""
    rank = max(1, math.ceil(fraction * len(sorted_values)))
    return sorted_values[rank - 1]


class Run(desktop.Scoped):
    """One scene and Quorvix over it; both end with it."""

    def __init__(self, desk, x, scene):
        self.desk, self.x, self.scene = desk, x, scene
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
        self.quorvix = self.desk.start_program(["quorvix.exe"], os.path.join(self.desk.state, "quorvix.out"))
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

    def sweep(self):
        """Distances between pointer and view centre while sweeping (sorted),
        the fraction of samples with the pointer outside the view, and
        whether it is outside the view after a pause at the end."""
        distances = []
        outside = 0
        start = time.monotonic()
        end = start + SWEEP_DISTANCE / SPEED
        next_move = next_sample = start
        while True:
            now = time.monotonic()
            if now >= end:
                break
            if now >= next_move:
                self.x.move(sweep_position(now - start), CENTRE[1])
                next_move += MOVE_EVERY
            if now >= next_sample:
                px, py, _ = self.x.pointer()
                centre = self.view_centre()
                if centre is not None:
                    distances.append(math.hypot(px - centre[0], py - centre[1]))
                    outside += self._outside(px, py, centre[2])
                next_sample += SAMPLE_EVERY
            pause = min(next_move, next_sample) - time.monotonic()
            if pause > 0:
                time.sleep(pause)
        self.x.move(sweep_position(SWEEP_DISTANCE / SPEED), CENTRE[1])
        time.sleep(PAUSE)
        px, py, _ = self.x.pointer()
        centre = self.view_centre()
        lost = centre is None or self._outside(px, py, centre[2])
        return sorted(distances), outside / max(len(distances), 1), lost

    def cpu_percent(self, seconds, pids):
        """Percent of one core each pid used over seconds with the pointer at rest."""
        before = [cpu_ticks(pid) if pid else None for pid in pids]
        time.sleep(seconds)
        after = [cpu_ticks(pid) if pid else None for pid in pids]
        tick = os.sysconf("SC_CLK_TCK")
        return [None if b is None or a is None else 100.0 * (a - b) / tick / seconds
                for b, a in zip(before, after)]


def own_cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def _percent(value):
    return "%5.1f%%" % value if value is not None else "     -"


def main(argv):
    root = desktop.ROOT
    bin_dir = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(root, "build", "win", "bin"))
    for exe in ("quorvix.exe", "qvx_fixture.exe"):
        if not os.path.exists(os.path.join(bin_dir, exe)):
            sys.exit("follow: no %s in %s; build with scripts/test.sh first" % (exe, bin_dir))
    desktop.end_on_sigterm()
    with desktop.Desktop(bin_dir) as desk:
        x = X(desk.display)
        try:
            server = wineserver_pid(desk.prefix)
            print("follow: screen %d x %d, load average %s" % (SCREEN[0], SCREEN[1], loadavg()))
            print("  sweep: the pointer goes back and forth along x over %d..%d at y %d, %d px/s for %.1f s, "
                  "moved every %d ms; pointer and view read from the X server every %d ms" % (
                      CENTRE[0] - AMPLITUDE, CENTRE[0] + AMPLITUDE, CENTRE[1], SPEED, SWEEP_DISTANCE / SPEED,
                      MOVE_EVERY * 1000, SAMPLE_EVERY * 1000))
            print("  distance: pointer to the view's centre; outside: samples with the pointer outside the view;")
            print("  lost: the pointer outside the view %d ms after the sweep; CPU: percent of one core over %d s "
                  "with the pointer at rest" % (PAUSE * 1000, CPU_SECONDS))
            header = "%-26s %8s %6s %6s %6s %8s  %-4s   %8s %8s %10s"
            print(header % ("scene", "samples", "median", "p99", "max", "outside", "lost", "quorvix", "Xvfb",
                            "wineserver"))
            print(header % ("", "", "px", "px", "px", "", "", "CPU", "CPU", "CPU"))
            sweeping_cpu = sweeping_time = 0.0
            for scene in SCENES:
                with Run(desk, x, scene) as run:
                    cpu = run.cpu_percent(CPU_SECONDS, [run.quorvix.pid, desk.xvfb_pid, server])
                    used, began = own_cpu_seconds(), time.monotonic()
                    distances, outside, lost = run.sweep()
                    sweeping_cpu += own_cpu_seconds() - used
                    sweeping_time += time.monotonic() - began
                if distances:
                    figures = "%8d %6.0f %6.0f %6.0f %7.1f%%" % (
                        len(distances), percentile(distances, 0.5), percentile(distances, 0.99), distances[-1],
                        100.0 * outside)
                else:
                    figures = "%8d %6s %6s %6s %8s" % (0, "-", "-", "-", "-")
                print("%-26s %s  %-4s   %8s %8s %10s" % (scene[0], figures, "yes" if lost else "no",
                                                         _percent(cpu[0]), _percent(cpu[1]), _percent(cpu[2])),
                      flush=True)
            print("while sweeping, this benchmark itself used %.1f%% of one core" % (
                100.0 * sweeping_cpu / max(sweeping_time, 1e-9)))
            with Run(desk, x, MEMORY_SCENE) as run:
                began = time.monotonic()
                first = rss_anon_range(run.quorvix.pid)
                time.sleep(max(0.0, began + MEMORY_SECONDS - 1.0 - time.monotonic()))
                last = rss_anon_range(run.quorvix.pid)
            print("memory of quorvix.exe over %s (RssAnon, least..most over 1 s): %.1f..%.1f MiB once started, "
                  "%.1f..%.1f MiB %d s later" % (MEMORY_SCENE[0], first[0] / 1024.0, first[1] / 1024.0,
                                                 last[0] / 1024.0, last[1] / 1024.0, MEMORY_SECONDS))
            print("load average at the end: %s" % loadavg())
        finally:
            x.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
