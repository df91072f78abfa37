"""A private 3840 x 2160 desktop for the benchmarks: an Xvfb display with
every top-level window redirected to its own image (as the test harness and
the Windows desktop compositor do), the benchmarks' own Wine prefix, and a
Wine server on them. Everything it starts ends with it, whatever happens.

As a command, runs one program on a fresh desktop:

    python3 bench/desktop.py BIN_DIR -- COMMAND [ARGS...]

BIN_DIR is the build's bin folder; the prefix lives beside it in
BIN_DIR/../bench/wineprefix, and COMMAND runs in BIN_DIR.
"""
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZE = (3840, 2160)


def end_on_sigterm():
    """A SIGTERM or SIGHUP unwinds like an exception, so cleanup runs."""
    def handler(signum, frame):
        raise SystemExit(128 + signum)
    signal.signal(signal.SIGTERM, handler)
    signal.signal(signal.SIGHUP, handler)


def kill_group(popen):
    """Ends a process started in a session of its own, and its group: politely
    first, so that Xvfb removes its lock and socket, then for certain."""
    if popen is None or popen.poll() is not None:
        return
    for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 10)):
        try:
            os.killpg(popen.pid, sig)
        except ProcessLookupError:
            return
        try:
            popen.wait(timeout=wait)
            return
        except subprocess.TimeoutExpired:
            pass


class Scoped:
    """A with-block over start() and stop(); a start that fails stops what it began."""

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False


class Desktop(Scoped):
    def __init__(self, bin_dir):
        self.bin_dir = os.path.abspath(bin_dir)
        self.state = os.path.join(os.path.dirname(self.bin_dir), "bench")
        self.prefix = os.path.join(self.state, "wineprefix")
        self.env = None
        self.display = None
        self._xvfb = None
        self._composite = None
        self._server_started = False

    def start(self):
        os.makedirs(self.state, exist_ok=True)
        subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix.sh"), self.prefix], check=True,
                       stdin=subprocess.DEVNULL)
        # Xvfb picks a free display number itself and writes it to the pipe
        # once it accepts connections: no race with other displays starting.
        read_end, write_end = os.pipe()
        with open(os.path.join(self.state, "xvfb.log"), "w") as log:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % SIZE,
                 "-nolisten", "tcp", "-noreset"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start; see %s/xvfb.log" % self.state)
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")

        composite_log = os.path.join(self.state, "composite.log")
        with open(composite_log, "w") as log:
            self._composite = subprocess.Popen(
                ["/usr/bin/python3", os.path.join(ROOT, "tests", "harness", "composite-desktop.py")],
                env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                start_new_session=True)
        deadline = time.time() + 10
        while "redirected" not in open(composite_log).read():
            if time.time() > deadline or self._composite.poll() is not None:
                raise RuntimeError("composite redirection failed; see " + composite_log)
            time.sleep(0.05)

        # A persistent server and Wine's own services, started before any
        # measured program so that none of them pays for their start-up.
        self._server_started = True
        self.run(["wineserver", "-p"])
        self.run(["wineboot"], timeout=120)

    @property
    def xvfb_pid(self):
        return self._xvfb.pid if self._xvfb else None

    def run(self, cmd, timeout=60):
        return subprocess.run(cmd, env=self.env, cwd=self.bin_dir, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)

    def start_program(self, args, out_path):
        """Starts a Windows program under Wine in its own session; output to out_path."""
        with open(out_path, "w") as out:
            return subprocess.Popen(["wine"] + args, env=self.env, cwd=self.bin_dir,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)

    def end_programs(self):
        """Ends every Wine process of the prefix, its services included."""
        if self._server_started:
            for cmd in (["wineserver", "-k"], ["wineserver", "-w"]):
                try:
                    self.run(cmd, timeout=30)
                except subprocess.TimeoutExpired:
                    pass

    def stop(self):
        self.end_programs()
        self._server_started = False
        kill_group(self._composite)
        kill_group(self._xvfb)
        self._composite = self._xvfb = None


def main(argv):
    if "--" not in argv or argv.index("--") != 2 or len(argv) < 4:
        sys.exit("usage: desktop.py BIN_DIR -- COMMAND [ARGS...]")
    end_on_sigterm()
    with Desktop(argv[1]) as desktop:
        command = None
        try:
            command = subprocess.Popen(argv[3:], env=desktop.env, cwd=desktop.bin_dir, stdin=subprocess.DEVNULL,
                                       start_new_session=True)
            return command.wait()
        finally:
            kill_group(command)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
