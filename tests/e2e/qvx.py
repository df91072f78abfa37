"""End-to-end test support: drives quorvix.exe and the fixture program under
Wine on the build's private Xvfb display, as a user would: the real pointer
and keyboard through xdotool, screenshots of the whole screen, exit codes.

Every process a test starts is killed when the test ends, whatever happens.
"""
import io
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import numpy as np
from PIL import Image

BUILD_DIR = os.environ.get("QUORVIX_BUILD_DIR", os.getcwd())
BIN_DIR = os.path.join(BUILD_DIR, "bin")
SCREEN = (1920, 1080)


def _load_harness_env():
    path = os.path.join(BUILD_DIR, "harness", "env")
    if not os.path.exists(path):
        raise RuntimeError("no harness display; run ctest so that harness.start runs first")
    with open(path) as f:
        for line in f:
            m = re.match(r'export (\w+)=(.*)$', line.strip())
            if m:
                os.environ[m.group(1)] = m.group(2).strip('"')


_load_harness_env()


def run(cmd, timeout=30, check=True):
    """Runs a command and returns its stdout as text."""
    # NOTE: a Wine program that is the first to need the desktop starts
    # Wine's desktop process, which keeps its output open for as long as
    # any other program uses the desktop; read through pipes, the command
    # would seem to run until then. Files are read once it has ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout)
        out.seek(0)
        err.seek(0)
        stdout, stderr = out.read().decode(errors="replace"), err.read().decode(errors="replace")
    if check and done.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (cmd, done.returncode, stderr))
    return stdout


def probe(*args):
    """Runs the window probe under Wine; returns its JSON lines as dicts."""
    out = run(["wine", os.path.join(BIN_DIR, "qvx_probe.exe")] + [str(a) for a in args])
    return [json.loads(line) for line in out.splitlines() if line.startswith("{")]


WM_CLOSE, WM_NCHITTEST = 0x0010, 0x0084


def hit_test(hwnd, x, y):
    """What the window itself answers for a screen point."""
    packed = ((y & 0xFFFF) << 16) | (x & 0xFFFF)
    return probe("send", hwnd, WM_NCHITTEST, 0, packed)[0]["result"]


def xdotool(*args):
    run(["xdotool"] + [str(a) for a in args])


def pointer_position():
    out = run(["xdotool", "getmouselocation", "--shell"])
    pos = dict(line.split("=") for line in out.split())
    return int(pos["X"]), int(pos["Y"])


def screenshot():
    """The whole screen as an HxWx3 uint8 RGB array."""
    png = subprocess.run(["import", "-window", "root", "png:-"], stdin=subprocess.DEVNULL,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30,
                         check=True).stdout
    return np.asarray(Image.open(io.BytesIO(png)).convert("RGB"))


def save_png(img, path):
    Image.fromarray(np.clip(img, 0, 255).astype(np.uint8)).save(path)


def _bilinear(img, x, y):
    """Samples img (HxWx3) at continuous pixel coordinates (pixel centres at
    integers) like GL_LINEAR with a transparent black border outside."""
    h, w = img.shape[:2]
    x0 = np.floor(x).astype(np.int64)
    y0 = np.floor(y).astype(np.int64)
    fx = (x - x0)[..., None]
    fy = (y - y0)[..., None]
    out = np.zeros(x.shape + (3,), dtype=np.float64)
    for dy, wy in ((0, 1 - fy), (1, fy)):
        for dx, wx in ((0, 1 - fx), (1, fx)):
            xi = x0 + dx
            yi = y0 + dy
            inside = (xi >= 0) & (xi < w) & (yi >= 0) & (yi < h)
            vals = np.zeros(x.shape + (3,), dtype=np.float64)
            vals[inside] = img[yi[inside], xi[inside]]
            out += vals * wx * wy
    return out


def lens_reference(desktop, centre, size, k1=0.7, p1=1.7, cx=0.0, cy=0.0):
    """What the viewer shows, computed on the CPU: the radial lens applied to
    the desktop region under a view of size (w, h) centred on centre, with
    the view's normalised coordinates running -1..1 and y up."""
    w, h = size
    left = centre[0] - w // 2
    top = centre[1] - h // 2
    region = np.zeros((h, w, 3), dtype=np.float64)
    sx0, sy0 = max(left, 0), max(top, 0)
    sx1, sy1 = min(left + w, desktop.shape[1]), min(top + h, desktop.shape[0])
    region[sy0 - top:sy1 - top, sx0 - left:sx1 - left] = desktop[sy0:sy1, sx0:sx1]
    i, j = np.meshgrid(np.arange(w), np.arange(h))
    qx = 2.0 * (i + 0.5) / w - 1.0
    qy = 1.0 - 2.0 * (j + 0.5) / h
    dx, dy = qx - cx, qy - cy
    r = np.hypot(dx, dy)
    with np.errstate(divide="ignore", invalid="ignore"):
        rd = k1 * np.power(r, p1)
        a = np.arctan2(dy, dx)
    sx = cx + rd * np.cos(a)
    sy = cy + rd * np.sin(a)
    # Texture coordinates to pixel coordinates of the region (row 0 at the top).
    px = (sx + 1.0) * 0.5 * w - 0.5
    py = (1.0 - (sy + 1.0) * 0.5) * h - 0.5
    return _bilinear(region, px, py)


def expected_view(desktop, viewer, **lens):
    """The viewer's client area as it should look on screen. The frame is laid
    out over the whole window rectangle, but the GL surface is the client area
    with the viewport anchored at its bottom-left corner, so the part of the
    frame above and right of the client area is clipped."""
    l, t, r, b = viewer["rect"]
    w, h = r - l, b - t
    full = lens_reference(desktop, (l + w // 2, t + h // 2), (w, h), **lens)
    cl, ct, cr, cb = viewer["client"]
    top = ct - (cb - h)
    return full[top:top + (cb - ct), 0:cr - cl]


def actual_view(shot, viewer):
    """The viewer's client area cut from a screenshot."""
    cl, ct, cr, cb = viewer["client"]
    return shot[ct:cb, cl:cr].astype(np.float64)


def view_pixel(viewer, vx, vy):
    """Where the frame's pixel (vx, vy) (from the top-left of the whole-window
    frame) lands in the client-area image from actual_view."""
    l, t, r, b = viewer["rect"]
    cl, ct, cr, cb = viewer["client"]
    return vx, vy - (ct - (cb - (b - t)))


def cross_mask(viewer, shape):
    """Pixels away from the green cross and from the image's outer ring, where
    filtering at the border decides the colour. The cross stands 3 px below
    and 2 px left of the frame's centre."""
    h, w = shape[:2]
    l, t, r, b = viewer["rect"]
    cx, cy = view_pixel(viewer, (r - l) // 2 - 2, (b - t) // 2 + 3)
    mask = np.ones((h, w), dtype=bool)
    mask[max(cy - 2, 0):cy + 3, :] = False
    mask[:, max(cx - 2, 0):cx + 3] = False
    mask[:2, :] = mask[-2:, :] = False
    mask[:, :2] = mask[:, -2:] = False
    return mask, (cx, cy)


def match_fraction(actual, expected, tol=12):
    """Fraction of pixels whose every channel is within tol."""
    diff = np.abs(actual.astype(np.float64) - expected.astype(np.float64))
    return float(np.mean(np.all(diff <= tol, axis=-1)))


def centre(rect):
    l, t, r, b = rect
    return (l + r) // 2, (t + b) // 2


class Proc:
    """A Windows program started under Wine."""

    def __init__(self, popen, name):
        self.popen = popen
        self.name = name

    @property
    def pid(self):
        return self.popen.pid

    def alive(self):
        return self.popen.poll() is None

    def kill(self):
        if self.alive():
            try:
                os.killpg(self.popen.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                self.popen.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass

    def memory_kib(self):
        """Anonymous resident memory of the process (its heap and buffers)."""
        with open("/proc/%d/status" % self.popen.pid) as f:
            for line in f:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
        raise RuntimeError("no RssAnon for %d" % self.popen.pid)


class Fixture(Proc):
    """The fixture program and its event log."""

    def __init__(self, popen, log_path):
        super().__init__(popen, "qvx_fixture")
        self.log_path = log_path

    def events(self):
        out = []
        try:
            with open(self.log_path) as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return out
        for line in lines:
            parts = line.split()
            if len(parts) < 2:
                continue
            e = {"kind": parts[0], "name": parts[1], "line": line}
            rest = parts[2:]
            if e["kind"] == "mouse" and rest:
                e["msg"] = rest[0]
                rest = rest[1:]
            for p in rest:
                if "=" in p:
                    k, v = p.split("=", 1)
                    if "," in v:
                        e[k] = tuple(int(n) for n in v.split(","))
                    else:
                        e[k] = int(v, 0)
                elif e["kind"] == "rect" and "," in p:
                    e["rect"] = tuple(int(n) for n in p.split(","))
            out.append(e)
        return out

    def wait_event(self, pred, timeout=5.0, after=0):
        """The first event from index after on that satisfies pred, or None."""
        deadline = time.time() + timeout
        while True:
            evs = self.events()[after:]
            for e in evs:
                if pred(e):
                    return e
            if time.time() > deadline:
                return None
            time.sleep(0.05)

    def window(self, name):
        """Latest known state of a fixture window: hwnd, rect, client."""
        state = {}
        for e in self.events():
            if e["name"] != name:
                continue
            if e["kind"] == "ready":
                state.update(hwnd=e["hwnd"], rect=e["rect"], client=e["client"])
            elif e["kind"] == "rect":
                state["rect"] = e["rect"]
            elif e["kind"] == "destroyed":
                state["destroyed"] = True
        return state


class TestCase(unittest.TestCase):
    """A test that starts Windows programs; they all end with the test."""

    def setUp(self):
        self._procs = []
        self.tmp = tempfile.mkdtemp(prefix="qvx-e2e-")
        xdotool("mousemove", 960, 540)

    def tearDown(self):
        for p in reversed(self._procs):
            p.kill()
        self._wait_gone()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def _wait_gone(self, timeout=10):
        # A killed Wine process lets its windows go once the server notices.
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not probe("list", "MainWindow", "*") and not probe("list", "QvxFixture", "*"):
                return
            time.sleep(0.2)

    def _start(self, args, cwd, name, proc_class=Proc, **extra):
        with open(os.path.join(self.tmp, name + ".out"), "w") as out:
            popen = subprocess.Popen(["wine"] + args, cwd=cwd, stdin=subprocess.DEVNULL,
                                     stdout=out, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        p = proc_class(popen, **extra) if extra else proc_class(popen, name)
        self._procs.append(p)
        return p

    def start_fixture(self, windows, settle=0.4):
        """windows: tuples (name, x, y, w, h, *flags) with flags 'child' or 'hidden'."""
        log = os.path.join(self.tmp, "fixture-%d.log" % len(self._procs))
        args = [os.path.join(BIN_DIR, "qvx_fixture.exe"), "--log", log]
        for w in windows:
            args += ["--window", ",".join(str(v) for v in w)]
        fx = self._start(args, BIN_DIR, "fixture", Fixture, log_path=log)
        names = [w[0] for w in windows]
        deadline = time.time() + 30
        while time.time() < deadline:
            ready = {e["name"] for e in fx.events() if e["kind"] == "ready"}
            if all(n in ready for n in names):
                time.sleep(settle)
                return fx
            if not fx.alive():
                break
            time.sleep(0.1)
        self.fail("fixture did not become ready: %s" % fx.events())

    def start_quorvix(self, pointer=(960, 540), cwd=None, exe=None, wait=True):
        """Puts the pointer at pointer, starts Quorvix and waits for its viewer."""
        self.move(*pointer)
        exe = exe or os.path.join(BIN_DIR, "quorvix.exe")
        q = self._start([exe], cwd or os.path.dirname(exe), "quorvix")
        if wait:
            deadline = time.time() + 30
            while time.time() < deadline:
                v = self.viewer()
                if v and v["visible"]:
                    time.sleep(0.5)
                    return q
                if not q.alive():
                    break
                time.sleep(0.2)
            self.fail("the viewer window did not appear")
        return q

    def wait_for(self, what, pred, timeout=10.0):
        """pred's first true value, asked until timeout; fails the test after."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = pred()
            if value:
                return value
            time.sleep(0.1)
        self.fail("timed out waiting for " + what)

    def viewer(self):
        found = probe("list", "MainWindow", "*")
        return found[0] if found else None

    def settings_window(self):
        found = probe("list", "Settings_Window_Class", "*")
        return found[0] if found else None

    def open_settings_window(self, settle=0.5):
        """Ctrl and a left click where the pointer is (on the viewer), the
        button held a moment as a hand holds it; the window, once its
        controls have painted."""
        xdotool("keydown", "Control_L", "mousedown", 1)
        time.sleep(0.2)
        xdotool("mouseup", 1, "keyup", "Control_L")
        s = self.wait_for("the settings window", self.settings_window)
        time.sleep(settle)
        return s

    def open_settings(self):
        """The settings window, opened as a user does; the viewer stays put."""
        before = self.viewer()["rect"]
        s = self.open_settings_window()
        self.assertEqual(self.viewer()["rect"], before,
                         "the viewer moved when the settings window opened")
        return s

    def close_settings(self, s):
        probe("post", s["hwnd"], WM_CLOSE, 0, 0)
        self.wait_for("the settings window to go", lambda: self.settings_window() is None)
        time.sleep(0.3)

    def controls(self, s):
        return {c["id"]: c for c in probe("children", s["hwnd"])}

    def replace_text(self, control, text):
        """Clicks into a box, selects its text with the keyboard and types over it."""
        self.move(*centre(control["rect"]))
        self.click(1)
        # Typing over a selection: each key applies the text before it, so
        # no shorter piece of the old text is ever applied on the way.
        self.key("End", "shift+Home")
        self.type_text(text)

    def move(self, x, y, settle=0.25):
        xdotool("mousemove", x, y)
        time.sleep(settle)

    def glide(self, x, y, step=60, settle=0.15):
        """Moves the pointer in steps the viewer can follow: it only sees moves
        over itself, and draws a frame for each, so every step waits for it."""
        x0, y0 = pointer_position()
        n = max(1, -(-max(abs(x - x0), abs(y - y0)) // step))
        for i in range(1, n + 1):
            px, py = x0 + (x - x0) * i // n, y0 + (y - y0) * i // n
            self.move(px, py, settle=0.03)
            self.wait_viewer_at(px, py)
        time.sleep(settle)

    def wait_viewer_at(self, x, y, timeout=5.0):
        def centred_rect():
            l, t, r, b = self.viewer()["rect"]
            w, h = r - l, b - t
            return [l, t, r, b], [x - w // 2, y - h // 2, x - w // 2 + w, y - h // 2 + h]
        deadline = time.time() + timeout
        while time.time() < deadline:
            got, want = centred_rect()
            if got == want:
                return
            time.sleep(0.03)
        got, want = centred_rect()
        self.assertEqual(got, want, "the viewer lost the pointer")

    def click(self, button=1, hold=(), settle=0.3):
        args = []
        for k in hold:
            args += ["keydown", k]
        # NOTE: X delivers the key to the window with the X input focus, which
        # may belong to another Wine process than the viewer; the key state
        # the viewer reads at the click follows once that process has passed
        # the key on. A hand holds the key a moment before clicking anyway.
        if hold:
            args += ["sleep", 0.15]
        args += ["click", button]
        for k in reversed(hold):
            args += ["keyup", k]
        xdotool(*args)
        time.sleep(settle)

    def double_click(self, button=1, settle=0.3):
        # NOTE: under Wine a second press about 80 ms after the first is now and
        # then not paired into a double click; 150 ms is well inside the
        # platform's 500 ms and pairs every time.
        xdotool("click", "--repeat", 2, "--delay", 150, button)
        time.sleep(settle)

    def press(self, button=1, settle=0.2):
        xdotool("mousedown", button)
        time.sleep(settle)

    def release(self, button=1, settle=0.3):
        xdotool("mouseup", button)
        time.sleep(settle)

    def key(self, *keys, settle=0.2):
        xdotool("key", *keys)
        time.sleep(settle)

    def type_text(self, text, settle=0.2):
        xdotool("type", "--delay", 40, text)
        time.sleep(settle)

    def screenshot(self):
        return screenshot()

    def wait_exit(self, proc, timeout=10):
        try:
            return proc.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def assertExitCode(self, proc, code, timeout=10):
        got = self.wait_exit(proc, timeout)
        self.assertIsNotNone(got, "%s did not exit within %s s" % (proc.name, timeout))
        self.assertEqual(got, code)

    def assertLooksLike(self, actual, expected, tol=12, min_fraction=0.97, name="image"):
        frac = match_fraction(actual, expected, tol)
        if frac < min_fraction:
            stem = os.path.join(BUILD_DIR, "e2e-failures", "%s-%s" % (self.id(), name))
            os.makedirs(os.path.dirname(stem), exist_ok=True)
            save_png(actual, stem + "-actual.png")
            save_png(expected, stem + "-expected.png")
            self.fail("%s: only %.3f of pixels within %d (need %.3f); saved %s-*.png"
                      % (name, frac, tol, min_fraction, stem))
        return frac


def main():
    unittest.main(verbosity=2)
