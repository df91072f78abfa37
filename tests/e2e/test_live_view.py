"""The live distorted view, as a user sees it: the viewer over a fixture
window shows that window through the lens, follows the pointer, hides it,
and keeps its memory flat while it refreshes."""
import time

import numpy as np

import qvx

QVX_COUNTERS = 0x800A  # the viewer answers its frames (0) and capture passes (1)


class LiveView(qvx.TestCase):
    def setUp(self):
        super().setUp()
        # One large window under every place the viewer goes in these tests.
        self.fx = self.start_fixture([("A", 450, 150, 1100, 800)])

    def test_view_is_the_lens_over_the_desktop_and_follows_the_pointer(self):
        self.move(100, 100)
        desktop = self.screenshot()
        self.start_quorvix(pointer=(1000, 500))
        for x, y in ((1000, 500), (900, 450), (1120, 580)):
            self.glide(x, y, settle=0.6)
            shot = self.screenshot()
            viewer = self.viewer()
            self.assertEqual(viewer["rect"], [x - 200, y - 200, x + 200, y + 200])
            actual = qvx.actual_view(shot, viewer)
            expected = qvx.expected_view(desktop, viewer)
            mask, (cx, cy) = qvx.cross_mask(viewer, actual.shape)
            self.assertLooksLike(actual[mask][None], expected[mask][None], tol=14,
                                 min_fraction=0.97, name="lens-%d-%d" % (x, y))
            # The cross: green where it stands, drawn over the image.
            row = actual[cy, 20:180]
            self.assertTrue(np.all(row[:, 1] > 200) and np.all(row[:, 0] < 60),
                            "the horizontal marker is green")
            green_cols = [c for c in range(cx - 1, cx + 2)
                          if np.all(actual[20:180, c, 1] > 200) and np.all(actual[20:180, c, 2] < 60)]
            self.assertEqual(len(green_cols), 1, "one green column for the vertical marker")

    def test_view_shows_the_magnified_centre(self):
        # The lens magnifies about the centre: neighbouring view pixels near
        # the centre come from almost the same desktop pixel.
        self.move(100, 100)
        self.start_quorvix(pointer=(1000, 500))
        actual = qvx.actual_view(self.screenshot(), self.viewer())
        # Fixture red is x mod 256 across the client: the view's centre span of
        # 20 pixels covers far fewer than 20 desktop columns, all of them
        # within a few pixels of the pointer.
        span = actual[180, 170:190, 0]
        self.assertLess(np.ptp(span), 10)
        red_at_pointer = (1000 - self.fx.window("A")["client"][0]) % 256
        self.assertLess(abs(np.mean(span) - red_at_pointer), 6,
                        "the centre shows red %.0f, the desktop %d" % (np.mean(span), red_at_pointer))

    def test_pointer_over_the_view_is_that_of_the_window_beneath(self):
        # The pointer goes through the view: the window beneath is asked for
        # it, as it is without the loupe.
        fx = self.start_fixture([("A", 600, 200, 800, 600)])
        self.start_quorvix(pointer=(1000, 500))
        mark = len(fx.events())
        self.move(1010, 505)
        e = fx.wait_event(lambda e: e["kind"] == "setcursor", after=mark, timeout=3.0)
        self.assertIsNotNone(e, "the window beneath was never asked for its pointer")
        self.assertEqual(e["hit"], 1)

    def counters(self, viewer):
        return [qvx.probe("send", viewer["hwnd"], QVX_COUNTERS, which, 0)[0]["result"] for which in (0, 1)]

    def test_at_rest_it_draws_nothing_until_a_window_beneath_changes(self):
        fx = self.start_fixture([("A", 600, 250, 600, 400, "edit")])
        e = fx.window("A.edit")
        ex, ey = (e["rect"][0] + e["rect"][2]) // 2, (e["rect"][1] + e["rect"][3]) // 2
        self.start_quorvix(pointer=(ex, ey))
        viewer = self.viewer()
        frames, passes = self.counters(viewer)
        time.sleep(1.5)
        frames_later, passes_later = self.counters(viewer)
        self.assertEqual(frames_later, frames, "frames drawn while nothing changed")
        self.assertGreaterEqual(passes_later - passes, 10, "the capture stopped at rest")
        before = qvx.actual_view(self.screenshot(), viewer)
        ms = qvx.probe("change", e["hwnd"], "MMMMMMMMMMMMMMMMMMMMMMMM", 2000)[0]["ms"]
        self.assertGreaterEqual(ms, 0, "the change never showed")
        self.assertLessEqual(ms, 250, "the change took %d ms to show" % ms)
        after = qvx.actual_view(self.screenshot(), viewer)
        self.assertLess(qvx.match_fraction(after, before), 0.99, "the frame did not show the new text")

    def test_a_stream_of_moves_keeps_the_capture_going_and_frames_paced(self):
        self.start_fixture([("A", 500, 200, 900, 600)])
        self.start_quorvix(pointer=(900, 500))
        got = qvx.probe("stream", 2000)[0]
        self.assertGreater(got["moves"], 1000, got)
        self.assertGreaterEqual(got["passes"] / got["seconds"], 8, got)
        self.assertLessEqual(got["frames"] / got["seconds"], (got["hz"] or 60) + 1, got)
        self.assertGreater(got["frames"], 0, got)
        x, y = qvx.pointer_position()
        self.wait_viewer_at(x, y, timeout=1.0)

    def test_memory_stays_flat_over_a_minute(self):
        q = self.start_quorvix(pointer=(1000, 500))
        time.sleep(10)
        first = q.memory_kib()
        for i in range(10):
            time.sleep(5)
            self.move(1000 + (i % 2) * 20, 500)
        last = q.memory_kib()
        print("memory after 10 s: %d KiB, after 60 s: %d KiB" % (first, last))
        self.assertLess(last - first, 8 * 1024, "memory grew by more than 8 MiB in 50 s")

    def test_escape_click_ends_it(self):
        q = self.start_quorvix(pointer=(1000, 500))
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)


if __name__ == "__main__":
    qvx.main()
