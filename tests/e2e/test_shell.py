"""The viewer window as a user meets it: where it appears, how it ends."""
import time

import qvx

WS_POPUP = 0x80000000
WS_BORDER = 0x00800000
WS_CAPTION = 0x00C00000
WS_EX_TOPMOST = 0x00000008
WS_EX_DLGMODALFRAME = 0x00000001


class ViewerShell(qvx.TestCase):
    def test_viewer_is_centred_topmost_and_titleless(self):
        self.start_quorvix(pointer=(1000, 500))
        v = self.viewer()
        self.assertEqual(v["rect"], [800, 300, 1200, 700])
        self.assertEqual(v["text"], "")
        self.assertTrue(v["style"] & WS_POPUP)
        self.assertTrue(v["style"] & WS_BORDER)
        self.assertNotEqual(v["style"] & WS_CAPTION, WS_CAPTION, "the viewer has no title bar")
        self.assertTrue(v["exstyle"] & WS_EX_TOPMOST)
        self.assertTrue(v["exstyle"] & WS_EX_DLGMODALFRAME)

    def test_escape_click_ends_with_exit_code_0(self):
        q = self.start_quorvix(pointer=(1000, 500))
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)
        self.assertIsNone(self.viewer())

    def test_ctrl_click_does_not_end(self):
        q = self.start_quorvix(pointer=(1000, 500))
        self.click(1, hold=["Control_L"])
        time.sleep(1.0)
        self.assertTrue(q.alive(), "a Ctrl-click must not end Quorvix")
        self.assertIsNotNone(self.viewer())
        # Ctrl-click opens the settings window; close it to hand the viewer its timers back.
        s = self.settings_window()
        self.assertIsNotNone(s, "Ctrl-click opens the settings window")
        qvx.probe("post", s["hwnd"], 0x0010, 0, 0)  # WM_CLOSE
        time.sleep(0.5)
        v = self.viewer()
        l, t, r, b = v["rect"]
        self.move((l + r) // 2, (t + b) // 2)
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)

    def test_viewer_follows_the_pointer(self):
        self.start_quorvix(pointer=(1000, 500))
        for x, y in ((1050, 520), (1100, 560), (1150, 600)):
            self.move(x, y, settle=0.4)
            self.assertEqual(self.viewer()["rect"], [x - 200, y - 200, x + 200, y + 200])

    def test_view_catches_up_with_a_pointer_jump(self):
        # A jump lands off the view, where no mouse move reaches it.
        q = self.start_quorvix(pointer=(960, 540))
        x, y = 960, 540
        for dx, dy in ((300, 0), (0, 300), (-300, 0), (0, -300)):
            x, y = x + dx, y + dy
            ms = qvx.probe("jump", x, y, 2000)[0]["ms"]
            self.assertGreaterEqual(ms, 0, "the view never came to the pointer at %d,%d" % (x, y))
            self.assertLessEqual(ms, 300, "the view took %d ms to reach %d,%d" % (ms, x, y))
        # The same with the real pointer, and the view still ends with Escape-click.
        self.move(x + 300, y, settle=0.3)
        self.assertEqual(self.viewer()["rect"], [x + 100, y - 200, x + 500, y + 200])
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)


if __name__ == "__main__":
    qvx.main()
