"""The keyboard stays with the window you work in through the loupe: a click
through the view gives that window the keyboard, keys typed then reach it,
and the modifier clicks and the settings window's sliders take nothing away.

Keys meant for the foreground window are sent through the system's input
queue (SendInput from the probe), as a keyboard sends them; xdotool's keys
follow the X input focus instead. Escape and Ctrl held at a click come from
xdotool, as a hand holding the key."""
import time

import qvx

CAPTURE_SETTLE = 0.3


def foreground(cls):
    found = qvx.probe("list", cls, "*")
    return bool(found) and found[0]["foreground"] == 1


def has_keyboard(hwnd):
    return qvx.probe("focus")[0]["focus"] == hwnd


class Keyboard(qvx.TestCase):
    def text_of(self, hwnd):
        return qvx.probe("gettext", hwnd)[0]["text"]

    def click_into(self, edit):
        """A click on the edit control, through the view centred on it."""
        cl, ct, cr, cb = edit["client"]
        self.glide((cl + cr) // 2, (ct + cb) // 2)
        self.click(1)
        self.wait_for("the edit control to have the keyboard", lambda: has_keyboard(edit["hwnd"]))

    def test_keys_reach_the_window_clicked_through_the_view(self):
        fx = self.start_fixture([("A", 500, 200, 800, 500, "edit")])
        edit = fx.window("A.edit")
        cl, ct, cr, cb = edit["client"]
        q = self.start_quorvix(pointer=((cl + cr) // 2, (ct + cb) // 2))
        time.sleep(CAPTURE_SETTLE)
        self.assertFalse(foreground("MainWindow"), "the viewer took the keyboard when it appeared")

        self.click_into(edit)
        qvx.probe("type", "Hello 42")
        self.wait_for("the typed text in the edit control",
                      lambda: self.text_of(edit["hwnd"]) == "Hello 42")
        # The capture passes that keep the viewer in front take nothing back.
        time.sleep(0.5)
        self.assertTrue(foreground("QvxFixture"))
        qvx.probe("type", "!")
        self.wait_for("a later key", lambda: self.text_of(edit["hwnd"]) == "Hello 42!")

        # Ctrl-click opens the settings window while the fixture has the keyboard.
        self.click(1, hold=["Control_L"])
        s = self.wait_for("the settings window", self.settings_window)
        self.wait_for("the settings window in the foreground",
                      lambda: foreground("Settings_Window_Class"))

        # Dragging a slider resizes the view and leaves the keyboard where it is.
        bar = {c["id"]: c for c in qvx.probe("children", s["hwnd"])}[901]
        bl, bt = bar["rect"][0], bar["rect"][1]
        before = self.viewer()["rect"]
        self.move(bl + 141, bt + 12)
        self.press(1)
        self.move(bl + 181, bt + 12, settle=0.4)
        self.release(1)
        after = self.viewer()["rect"]
        self.assertGreater(after[2] - after[0], before[2] - before[0], "the slider did not move")
        self.assertTrue(foreground("Settings_Window_Class"), "the slider drag took the keyboard")
        self.assertFalse(foreground("MainWindow"))

        # Closed, it hands the keyboard back to the fixture, not to the viewer.
        l, t, r, b = s["rect"]
        self.move(r - 14, t + 12)
        self.click(1)
        self.wait_for("the settings window to close", lambda: self.settings_window() is None)
        self.wait_for("the edit control to have the keyboard", lambda: has_keyboard(edit["hwnd"]))
        qvx.probe("type", "?")
        self.wait_for("a key after closing", lambda: self.text_of(edit["hwnd"]) == "Hello 42!?")

        # Escape-click ends Quorvix while the fixture has the keyboard.
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)
        self.assertEqual(self.text_of(edit["hwnd"]), "Hello 42!?", "the clicks typed nothing")


if __name__ == "__main__":
    qvx.main()
