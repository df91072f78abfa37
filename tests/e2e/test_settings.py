"""The settings window as a user meets it: Ctrl and a left click on the viewer
open it, its boxes and track bars change the lens and the view size while the
view stands still, and closing it hands the view back its life."""
import os
import shutil
import time

import numpy as np

import qvx

WM_CLOSE = 0x0010
TBM_GETPOS = 0x0400
VIEW = 400  # default view size


def centre(rect):
    l, t, r, b = rect
    return (l + r) // 2, (t + b) // 2


class Settings(qvx.TestCase):
    # -- helpers ---------------------------------------------------------

    def pattern(self):
        """One large patterned window under every place the viewer goes here."""
        return self.start_fixture([("A", 450, 150, 1100, 800)])

    def open_settings(self):
        before = self.viewer()["rect"]
        s = self.open_settings_window()  # its controls paint, and with them the view
        self.assertEqual(self.viewer()["rect"], before,
                         "the viewer moved when the settings window opened")
        return s

    def close_settings(self, s):
        qvx.probe("post", s["hwnd"], WM_CLOSE, 0, 0)
        self.wait_for("the settings window to go", lambda: self.settings_window() is None)
        time.sleep(0.3)

    def controls(self, s):
        return {c["id"]: c for c in qvx.probe("children", s["hwnd"])}

    def position(self, control):
        """A track bar's thumb position, asked across processes."""
        return qvx.probe("send", control["hwnd"], TBM_GETPOS, 0, 0)[0]["result"]

    def cursor(self):
        c = qvx.probe("cursor")[0]
        return c["x"], c["y"]

    def viewer_image(self, shot):
        l, t, r, b = self.viewer()["rect"]
        return shot[t:b, l:r].astype(np.float64)

    def replace_text(self, control, text):
        """Clicks into a box, selects its text with the keyboard and types over it."""
        self.move(*centre(control["rect"]))
        self.click(1)
        # Typing over a selection: each key applies the text before it, so
        # no shorter piece of the old text is ever applied on the way.
        self.key("End", "shift+Home")
        self.type_text(text)

    def lens_fit(self, desktop, k1):
        """Fraction of view pixels that match the lens with K1 = k1."""
        viewer = self.viewer()
        actual = qvx.actual_view(self.screenshot(), viewer)
        expected = qvx.expected_view(desktop, viewer, k1=k1)
        mask, _ = qvx.cross_mask(viewer, actual.shape)
        return qvx.match_fraction(actual[mask], expected[mask], tol=14), actual, expected, mask

    def assertLens(self, desktop, k1, name, other_k1=None):
        """The view is the lens with K1 = k1, and clearly not with other_k1."""
        fit, actual, expected, mask = self.lens_fit(desktop, k1)
        self.assertLooksLike(actual[mask][None], expected[mask][None], tol=14,
                             min_fraction=0.97, name=name)
        if other_k1 is not None:
            other, _, _, _ = self.lens_fit(desktop, other_k1)
            self.assertLess(other, fit - 0.2, "%s: K1 %s fits as well as %s" % (name, other_k1, k1))

    # -- tests -----------------------------------------------------------

    def test_ctrl_click_opens_it_freezes_the_view_and_closing_revives_it(self):
        self.pattern()
        q = self.start_quorvix(pointer=(1000, 500))
        before = self.viewer_image(self.screenshot())
        s = self.open_settings()

        self.assertEqual(s["text"], "Quorvix: Settings")
        self.assertEqual(s["rect"], [50, 50, 550, 550])
        self.assertTrue(s["visible"])
        controls = self.controls(s)
        for box in range(301, 307):
            self.assertEqual(controls[box]["class"].lower(), "edit", box)
            self.assertEqual(controls[box + 600]["class"], "msctls_trackbar32", box + 600)
        # The current parameters: K1 0.7 and the width 400 in steps of 0.01 and 1.
        self.assertEqual(self.position(controls[903]), 70)
        self.assertEqual(self.position(controls[901]), 400)
        self.assertEqual(self.cursor(), (300, 300))

        # Both viewer timers are stopped: a window that appears beneath the
        # view is not captured and the view does not redraw. Only the view's
        # ring around that window is compared: the new window itself may be
        # stacked above the frozen view on this X display.
        self.start_fixture([("B", 850, 350, 300, 300)], settle=1.0)
        ring = np.ones((VIEW, VIEW), dtype=bool)
        ring[50:350, 50:350] = False
        frozen = self.viewer_image(self.screenshot())
        self.assertGreater(qvx.match_fraction(frozen[ring], before[ring], tol=6), 0.99,
                           "the view changed while the settings window was open")
        self.assertEqual(self.viewer()["rect"], [800, 300, 1200, 700])

        # A second Ctrl-click on the viewer while it is open does nothing.
        self.move(1000, 500)
        self.click(1, hold=["Control_L"])
        time.sleep(0.8)
        found = qvx.probe("list", "Settings_Window_Class", "*")
        self.assertEqual(len(found), 1)
        self.assertEqual(found[0]["hwnd"], s["hwnd"])

        # Its close button: the pointer goes to the view centre, the view
        # refreshes (it shows B through the lens) and follows the pointer again.
        l, t, r, b = s["rect"]
        self.move(r - 14, t + 12)
        self.click(1)
        self.wait_for("the settings window to close", lambda: self.settings_window() is None)
        self.assertTrue(q.alive(), "closing the settings window never ends Quorvix")
        self.assertEqual(self.cursor(), (1000, 500))
        time.sleep(0.8)
        revived = self.viewer_image(self.screenshot())
        self.assertLess(qvx.match_fraction(revived[ring], before[ring], tol=6), 0.5,
                        "the view did not refresh after the settings window closed")
        self.move(1060, 530, settle=0.5)
        self.assertEqual(self.viewer()["rect"], [860, 330, 1260, 730])

    def test_typing_k1_changes_the_lens_and_bad_text_changes_nothing(self):
        self.pattern()
        self.move(100, 100)
        desktop = self.screenshot()
        self.start_quorvix(pointer=(1000, 500))
        self.assertLens(desktop, 0.7, "default", other_k1=1.25)
        s = self.open_settings()
        controls = self.controls(s)

        # 1.257 is cut to the track bar's step (125) and comes back as 1.25.
        self.replace_text(controls[303], "1.257")
        self.key("Return", settle=0.8)
        self.assertEqual(self.position(controls[903]), 125)
        self.assertLens(desktop, 1.25, "k1-1.25", other_k1=0.7)

        self.replace_text(controls[303], "abc")
        self.key("Return", settle=0.8)
        self.assertLens(desktop, 1.25, "k1-after-bad-text", other_k1=0.7)

        # The lens keeps the new value after closing, and a new window shows it.
        self.close_settings(s)
        self.move(1000, 500, settle=0.8)
        self.assertLens(desktop, 1.25, "k1-after-close", other_k1=0.7)
        s = self.open_settings()
        self.assertEqual(self.position(self.controls(s)[903]), 125)

    def test_dragging_the_width_track_bar_resizes_the_view_live(self):
        self.start_quorvix(pointer=(1000, 500))
        s = self.open_settings()
        bar = self.controls(s)[901]
        # The thumb of 400 in 50..1200 on this 448-pixel bar: 8 + 421 * 350 / 1150
        # = 136 pixels from its left edge, 11 wide, from y 2 to 23.
        bl, bt = bar["rect"][0], bar["rect"][1]
        thumb = (bl + 141, bt + 12)
        self.move(*thumb)
        self.press(1)
        seen = []
        for dx in (20, 40, 60, 80):
            self.move(thumb[0] + dx, thumb[1], settle=0.4)
            v = self.viewer()["rect"]
            seen.append(v)
            self.assertEqual(v[:2], [800, 300], "the view keeps its top-left corner")
        self.release(1)
        widths = [r - l for l, _, r, _ in seen]
        heights = [b - t for _, t, _, b in seen]
        self.assertTrue(all(w2 > w1 for w1, w2 in zip(widths, widths[1:])),
                        "the width follows the thumb while it is dragged: %s" % widths)
        self.assertGreater(widths[-1], 550)
        self.assertEqual(set(heights), {VIEW})
        final = self.viewer()["rect"]
        width = final[2] - final[0]
        self.assertEqual(self.position(self.controls(s)[901]), width)

        # Closing keeps the size, puts the pointer in the middle of the view,
        # and the next opening shows the width.
        self.close_settings(s)
        self.assertEqual(self.cursor(), (800 + width // 2, 300 + VIEW // 2))
        self.assertEqual(self.viewer()["rect"][2] - self.viewer()["rect"][0], width)
        s = self.open_settings()
        self.assertEqual(self.position(self.controls(s)[901]), width)

    def layout_run(self, csv_text):
        """Quorvix from a folder of its own holding the given layout (None: no file)."""
        work = os.path.join(self.tmp, "run")
        os.makedirs(work)
        exe = os.path.join(work, "quorvix.exe")
        shutil.copy(os.path.join(qvx.BIN_DIR, "quorvix.exe"), exe)
        if csv_text is not None:
            with open(os.path.join(work, "settings_gui_layout.csv"), "wb") as f:
                f.write(csv_text.encode("ascii"))
        return self.start_quorvix(pointer=(1000, 500), cwd=work, exe=exe)

    def test_without_a_layout_file_it_opens_empty(self):
        q = self.layout_run(None)
        s = self.open_settings()
        self.assertEqual(self.controls(s), {})
        self.close_settings(s)
        self.assertTrue(q.alive())
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)

    def test_a_broken_layout_opens_with_the_rows_before_the_fault(self):
        header = "".join("h" + "," * 21 + "\r\n" for _ in range(10))
        rows = ("Write,303,0,300,20,80,24,,D,,0.7,,,0,0,0,0,,,,903,0\r\n"
                "Trackbar,903,0,20,60,400,28,,D,,0.7,,,0,0,0,0,0,2,0.01,0,303\r\n"
                "Write,304,0,300,x,80,24,,D,,1.7,,,0,0,0,0,,,,0,0\r\n"
                "Write,305,0,300,140,80,24,,D,,0,,,0,0,0,0,,,,0,0\r\n")
        q = self.layout_run(header + rows)
        s = self.open_settings()
        controls = self.controls(s)
        self.assertIn(303, controls)
        self.assertIn(903, controls)
        self.assertNotIn(305, controls)
        # Typing into what is there does no harm.
        self.replace_text(controls[303], "1.5")
        self.key("Return", settle=0.5)
        self.close_settings(s)
        self.assertTrue(q.alive())

    def test_fifty_openings_keep_memory_and_windows_flat(self):
        # No window beneath: a capture's buffers would come and go with every
        # refresh and hide what the openings leave behind.
        q = self.start_quorvix(pointer=(1000, 500))
        viewer = self.viewer()["hwnd"]

        def cycle():
            self.click(1, hold=["Control_L"], settle=0.1)
            s = self.wait_for("the settings window", self.settings_window)
            time.sleep(0.2)
            self.close_settings(s)

        for _ in range(10):
            cycle()
        windows = qvx.probe("count-windows", viewer)[0]["count"]
        memory = q.memory_kib()
        for _ in range(40):
            cycle()
        windows_after = qvx.probe("count-windows", viewer)[0]["count"]
        memory_after = q.memory_kib()
        print("windows %d -> %d, memory %d KiB -> %d KiB over 40 openings"
              % (windows, windows_after, memory, memory_after))
        self.assertEqual(windows_after, windows)
        self.assertLess(memory_after - memory, 2 * 1024, "memory grew by more than 2 MiB")
        self.assertTrue(q.alive())


if __name__ == "__main__":
    qvx.main()
