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

import qvx

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PREFIX = os.path.join(ROOT, ".deps", "wineprefix")


class RunCommand(qvx.TestCase):
    def setUp(self):
        started = subprocess.run([os.path.join(ROOT, "scripts", "start-display.sh"), os.devnull],
                                 stdin=subprocess.DEVNULL, capture_output=True, text=True, check=True)
        self.display, pid = started.stdout.split()
        self.xvfb_pid = int(pid)
        # The probe and xdotool work on this display, in run.sh's prefix.
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
            # Not killed: it removes its lock and socket on the way out.
            os.kill(self.xvfb_pid, signal.SIGTERM)
            deadline = time.time() + 10
            while os.path.exists("/tmp/.X%s-lock" % self.display[1:]) and time.time() < deadline:
                time.sleep(0.1)
            os.environ.update(self.saved_env)

    def _wait_gone(self):
        pass  # run.sh ends its own programs; a probe now would start the prefix again

    def leftovers(self):
        """Processes on this display or in Quorvix's prefix, but for the display itself."""
        marks = {("DISPLAY=" + self.display).encode(), ("WINEPREFIX=" + PREFIX).encode()}
        found = []
        for pid in set(filter(str.isdigit, os.listdir("/proc"))) - {str(os.getpid()), str(self.xvfb_pid)}:
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if marks & set(f.read().split(b"\0")):
                        found.append(open("/proc/%s/cmdline" % pid, "rb").read().replace(b"\0", b" "))
            except OSError:
                pass
        return found

    def test_on_a_bare_display_it_shows_its_samples_and_leaves_nothing_behind(self):
        log = os.path.join(self.tmp, "run.log")
        with open(log, "w") as out:
            self.run_sh = subprocess.Popen([os.path.join(ROOT, "scripts", "run.sh")],
                                           stdin=subprocess.DEVNULL, stdout=out,
                                           stderr=subprocess.STDOUT, start_new_session=True)
        output = lambda: open(log).read()
        # run.sh builds first, then starts the samples and Quorvix.
        deadline = time.time() + 800
        while "Quorvix is running" not in output() or not (self.viewer() or {}).get("visible"):
            self.assertIsNone(self.run_sh.poll(), "run.sh ended early:\n" + output())
            self.assertLess(time.time(), deadline, "no viewer from run.sh:\n" + output())
            time.sleep(1)
        self.assertIn("No compositing manager on %s" % self.display, output())
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
        self.assertGreater(actual[mask].mean(), 128, "the view is dark")
        fit = self.assertLooksLike(actual[mask][None], qvx.expected_view(desktop, viewer)[mask][None],
                                   tol=14, min_fraction=0.97, name="samples")
        print("view over the sample text: mean brightness %.1f, %.3f of pixels as the lens gives"
              % (actual[mask].mean(), fit))

        self.assertTrue(self.leftovers(), "run.sh's processes are not found at all")
        self.click(1, hold=["Escape"])
        self.assertEqual(self.run_sh.wait(timeout=60), 0, output())
        deadline = time.time() + 10
        while self.leftovers() and time.time() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.leftovers(), [])

    def test_a_composited_display_is_left_alone(self):
        # A compositing manager's mark: an owner of the _NET_WM_CM_S0 selection.
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XDefaultRootWindow.restype = x11.XInternAtom.restype = ctypes.c_ulong
        d = ctypes.c_void_p(x11.XOpenDisplay(self.display.encode()))
        self.assertTrue(d.value)
        atom = x11.XInternAtom(d, b"_NET_WM_CM_S0", 0)
        x11.XSetSelectionOwner(d, ctypes.c_ulong(atom), ctypes.c_ulong(x11.XDefaultRootWindow(d)), 0)
        x11.XSync(d, 0)
        keeper = os.path.join(ROOT, "tests", "harness", "composite-desktop.py")
        done = subprocess.run(["/usr/bin/python3", keeper, "--unless-composited"], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=10)
        x11.XCloseDisplay(d)
        self.assertEqual((done.returncode, done.stdout), (0, "composited\n"), done.stderr)


if __name__ == "__main__":
    qvx.main()
