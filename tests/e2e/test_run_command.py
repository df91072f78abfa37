"""scripts/run.sh on a desktop that is already there: a display of this
test's own with no compositing manager, as a bare X server or a tiling window
manager gives. The run command starts its sample programs in Quorvix's prefix
and keeps the windows' images, so the view shows the samples, not black; an
Escape-click ends Quorvix and everything the command started. A composited
desktop is left as it is."""
import ctypes
import os
import signal
import subprocess
import time

import numpy as np

import qvx

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PREFIX = os.path.join(ROOT, ".deps", "wineprefix")
KEEPER = os.path.join(ROOT, "tests", "harness", "composite-desktop.py")


class RunCommand(qvx.TestCase):
    def setUp(self):
        n = 90
        while os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            n += 1
        self.display = ":%d" % n
        self.xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1920x1080x24",
                                      "-nolisten", "tcp"], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.exists("/tmp/.X11-unix/X%d" % n) and time.time() < deadline:
            time.sleep(0.1)
        # The probe and xdotool work on this display and run.sh's prefix.
        self.saved_env = {k: os.environ[k] for k in ("DISPLAY", "WINEPREFIX")}
        os.environ.update(DISPLAY=self.display, WINEPREFIX=PREFIX)
        self.run_sh = None
        super().setUp()

    def tearDown(self):
        try:
            super().tearDown()
            if self.run_sh and self.run_sh.poll() is None:
                # Told to stop, run.sh ends what it started; failing that, its group and prefix go.
                os.killpg(self.run_sh.pid, signal.SIGTERM)
                try:
                    self.run_sh.wait(timeout=60)
                except subprocess.TimeoutExpired:
                    os.killpg(self.run_sh.pid, signal.SIGKILL)
                    subprocess.run(["wineserver", "-k"], timeout=30)
        finally:
            self.xvfb.terminate()  # not killed: it removes its lock and socket on the way out
            self.xvfb.wait()
            os.environ.update(self.saved_env)

    def _wait_gone(self):
        # run.sh ends its own programs; a probe now would start the prefix again.
        pass

    def leftovers(self):
        """Processes on this display or in Quorvix's prefix, but for the display itself."""
        marks = [("DISPLAY=" + self.display).encode(), ("WINEPREFIX=" + PREFIX).encode()]
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            if int(pid) in (os.getpid(), self.xvfb.pid):
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    env = f.read().split(b"\0")
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmd = f.read().replace(b"\0", b" ").decode(errors="replace")
            except OSError:
                continue
            if any(m in env for m in marks):
                found.append("%s %s" % (pid, cmd))
        return found

    def test_on_a_bare_display_it_shows_its_samples_and_leaves_nothing_behind(self):
        log_path = os.path.join(self.tmp, "run.log")
        with open(log_path, "w") as log:
            self.run_sh = subprocess.Popen([os.path.join(ROOT, "scripts", "run.sh")],
                                           stdin=subprocess.DEVNULL, stdout=log,
                                           stderr=subprocess.STDOUT, start_new_session=True)

        def output():
            with open(log_path) as f:
                return f.read()

        # run.sh builds first, then starts the samples and Quorvix.
        deadline = time.time() + 800
        while "Quorvix is running" not in output():
            self.assertIsNone(self.run_sh.poll(), "run.sh ended early:\n" + output())
            self.assertLess(time.time(), deadline, "run.sh started no Quorvix:\n" + output())
            time.sleep(1)
        self.assertIn("No compositing manager on %s" % self.display, output())
        deadline = time.time() + 30
        while not (self.viewer() or {}).get("visible") and time.time() < deadline:
            time.sleep(0.3)
        self.assertIsNotNone(self.viewer(), "the viewer did not appear")
        time.sleep(1.0)
        classes = {w["class"] for w in qvx.probe("list", "*", "*") if w["visible"]}
        self.assertLessEqual({"Notepad", "WineMine"}, classes)

        # The desktop beneath the sample text, with the view away from it.
        self.glide(1500, 800)
        desktop = self.screenshot()
        self.glide(740, 416, settle=0.8)
        viewer = self.viewer()
        actual = qvx.actual_view(self.screenshot(), viewer)
        mask, _ = qvx.cross_mask(viewer, actual.shape)
        print("view over the sample text: mean brightness %.1f" % actual[mask].mean())
        self.assertGreater(actual[mask].mean(), 128, "the view is dark")
        self.assertLooksLike(actual[mask][None], qvx.expected_view(desktop, viewer)[mask][None],
                             tol=14, min_fraction=0.97, name="samples")

        self.assertTrue(self.leftovers(), "run.sh's processes are not found at all")
        self.click(1, hold=["Escape"])
        self.assertEqual(self.run_sh.wait(timeout=60), 0, output())
        deadline = time.time() + 10
        while self.leftovers() and time.time() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.leftovers(), [])

    def test_a_composited_display_is_left_alone(self):
        # Stands in for a compositing manager: the owner of _NET_WM_CM_S0.
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 2 + \
            [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        d = x11.XOpenDisplay(self.display.encode())
        self.assertTrue(d)
        try:
            owner = x11.XCreateSimpleWindow(d, x11.XDefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0)
            x11.XSetSelectionOwner(d, x11.XInternAtom(d, b"_NET_WM_CM_S0", 0), owner, 0)
            x11.XSync(d, 0)
            done = subprocess.run(["/usr/bin/python3", KEEPER, "--unless-composited"],
                                  stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=10)
            self.assertEqual((done.returncode, done.stdout), (0, "composited\n"), done.stderr)
        finally:
            x11.XCloseDisplay(d)


if __name__ == "__main__":
    qvx.main()
