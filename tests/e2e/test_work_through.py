"""Working through the view as a user does: menus, scroll bars, selection
drags, hover and tooltips, drag and drop; and programs that stop answering
cannot freeze the loupe. With the default lens the point shown at the centre
is the pointer itself, so working "through the loupe" is putting the pointer
on the part shown there."""
import time

import qvx

HTMENU, HTVSCROLL = 5, 7
EM_GETSEL, EM_GETFIRSTVISIBLELINE = 0x00B0, 0x00CE
MK_LBUTTON = 0x1
MARK_ID = 101


def visible_windows(cls):
    return [w for w in qvx.probe("list", cls, "*") if w["visible"]]


def first_visible_line(hwnd):
    return qvx.probe("send", hwnd, EM_GETFIRSTVISIBLELINE, 0, 0)[0]["result"]


class WorkThrough(qvx.TestCase):
    def start(self, pointer):
        q = self.start_quorvix(pointer=pointer)
        time.sleep(0.3)  # a capture pass has listed the windows
        return q

    def wait_log(self, fx, kind, name, after, timeout=5.0):
        return fx.wait_event(lambda e: e["kind"] == kind and e["name"] == name, timeout=timeout, after=after)

    def jump_within(self, x, y, ms):
        """The probe puts the pointer at x, y; the view must be centred there in time."""
        took = qvx.probe("jump", x, y, 3000)[0]["ms"]
        self.assertGreaterEqual(took, 0, "the view never reached %d,%d" % (x, y))
        self.assertLessEqual(took, ms, "the view took %d ms to reach %d,%d" % (took, x, y))

    def find_part(self, hwnd, code, xs, ys):
        """The first screen point along xs x ys where the window answers code."""
        for y in ys:
            for x in xs:
                if qvx.hit_test(hwnd, x, y) == code:
                    return x, y
        self.fail("no part %d found" % code)

    def test_menu_bar_opens_its_menu_and_an_item_acts(self):
        fx = self.start_fixture([("A", 500, 200, 600, 400, "menu")])
        a = fx.window("A")
        l, t = a["rect"][:2]
        bar = [y for y in range(t, a["client"][1]) if qvx.hit_test(a["hwnd"], l + 20, y) == HTMENU]
        self.assertTrue(bar, "no menu bar")
        file_item = (l + 20, (bar[0] + bar[-1]) // 2)
        self.start((a["client"][0] + 300, a["client"][1] + 200))
        self.glide(*file_item)
        self.click(1)
        menu = self.wait_for("the File menu", lambda: visible_windows("#32768"))[0]
        ml, mt, mr, mb = menu["rect"]
        # The first item, "Mark", in the menu that opened below "File".
        self.glide((ml + mr) // 2, mt + 10, step=20)
        mark = len(fx.events())
        self.click(1)
        e = self.wait_log(fx, "command", "A", mark)
        self.assertIsNotNone(e, "choosing Mark reached nothing")
        self.assertEqual(e["id"], MARK_ID)
        self.assertEqual(visible_windows("#32768"), [], "the menu closed")

    def test_escape_click_ends_it_while_a_context_menu_is_open(self):
        fx = self.start_fixture([("A", 500, 200, 700, 500, "menu")])
        cl, ct = fx.window("A")["client"][:2]
        q = self.start((cl + 200, ct + 150))
        mark = len(fx.events())
        self.click(3)
        self.assertIsNotNone(self.wait_log(fx, "contextmenu", "A", mark))
        self.wait_for("the context menu", lambda: visible_windows("#32768"))
        # The open menu holds the pointer; the view still follows it.
        for x, y in ((cl + 320, ct + 150), (cl + 320, ct + 300), (cl + 100, ct + 300)):
            self.move(x, y, settle=0.05)
            self.wait_viewer_at(x, y, timeout=1.0)
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)
        self.assertIsNone(fx.wait_event(lambda e: e["kind"] == "command", timeout=0.3, after=mark),
                          "the Escape-click chose an item")

    def test_scroll_bar_of_a_child_scrolls_by_its_arrow_and_its_thumb(self):
        fx = self.start_fixture([("A", 500, 150, 500, 400, "list")])
        lst = fx.window("A.list")
        hwnd = lst["hwnd"]
        l, t, r, b = lst["rect"]
        xs = range(r - 3, r - 25, -2)
        down_arrow = self.find_part(hwnd, HTVSCROLL, xs, range(b - 4, b - 12, -1))
        self.start(down_arrow)
        self.assertEqual(first_visible_line(hwnd), 0)
        for _ in range(3):
            self.click(1, settle=0.15)
        self.wait_for("the arrow to scroll", lambda: first_visible_line(hwnd) >= 3)
        # The thumb sits just below the up arrow: drag it most of the way down.
        thumb = (down_arrow[0], t + 26)
        self.assertEqual(qvx.hit_test(hwnd, *thumb), HTVSCROLL)
        self.glide(*thumb)
        self.press(1)
        self.glide(thumb[0], b - 40, step=20)
        self.release(1)
        self.wait_for("the thumb drag to scroll far", lambda: first_visible_line(hwnd) > 100)

    def test_press_move_release_selects_and_the_window_gets_every_move(self):
        fx = self.start_fixture([("A", 400, 150, 500, 400, "list"),
                                 ("B", 1000, 300, 500, 400, "capture")])
        ll, lt = fx.window("A.list")["client"][:2]
        hwnd = fx.window("A.list")["hwnd"]
        self.start((ll + 4, lt + 4))
        self.press(1)
        self.glide(ll + 154, lt + 60, step=15)
        self.release(1)
        sel = qvx.probe("send", hwnd, EM_GETSEL, 0, 0)[0]["result"]
        start, end = sel & 0xFFFF, (sel >> 16) & 0xFFFF
        self.assertLessEqual(start, 1)
        self.assertGreater(end, 20, "the drag selected nothing")

        # A window of its own, which takes the capture as a drag does: it
        # gets the moves in its client coordinates with the button held, also
        # once the pointer has left it, and the release.
        cl, ct, cr, cb = fx.window("B")["client"]
        p = (cl + 100, ct + 100)
        self.glide(*p)
        mark = len(fx.events())
        self.press(1)
        self.glide(p[0] + 150, p[1], step=15)
        self.glide(cl - 60, p[1] + 40, step=30)
        self.release(1)
        evs = [e for e in fx.events()[mark:] if e["kind"] == "mouse" and e["name"] == "B"]
        moves = [e for e in evs if e["msg"] == "WM_MOUSEMOVE" and e["wparam"] & MK_LBUTTON]
        self.assertTrue(any(e["x"] == 250 and e["y"] == 100 for e in moves), [e["line"] for e in evs])
        self.assertTrue(any(e["x"] < 0 for e in moves), "no move once the pointer left the window")
        ups = [e for e in evs if e["msg"] == "WM_LBUTTONUP"]
        self.assertEqual([(e["x"], e["y"]) for e in ups], [(-60, 140)])

    def test_hover_and_a_tooltip_show_while_the_pointer_rests(self):
        fx = self.start_fixture([("A", 500, 200, 600, 400, "tooltip")])
        cl, ct = fx.window("A")["client"][:2]
        self.start((cl - 150, ct + 100))
        mark = len(fx.events())
        self.glide(cl + 200, ct + 150, step=40)
        moves = [e for e in fx.events()[mark:] if e["kind"] == "mouse" and e["msg"] == "WM_MOUSEMOVE"]
        self.assertTrue(any(e["x"] == 200 and e["y"] == 150 for e in moves), "no move at the rest point")
        self.assertIsNotNone(self.wait_log(fx, "hover", "A", mark, timeout=3.0), "no hover while resting")
        tip = self.wait_for("the tooltip", lambda: visible_windows("tooltips_class32"), timeout=5.0)
        self.assertEqual(qvx.probe("gettext", tip[0]["hwnd"])[0]["text"], "Fixture tip")

    def test_drag_and_drop_within_a_window(self):
        fx = self.start_fixture([("A", 500, 200, 600, 400, "drag")])
        cl, ct = fx.window("A")["client"][:2]
        self.start((cl + 100, ct + 100))
        mark = len(fx.events())
        self.press(1)
        self.glide(cl + 250, ct + 200, step=20)
        self.release(1)
        e = self.wait_log(fx, "drop", "A", mark)
        self.assertIsNotNone(e, "nothing dropped: %s" % [x["line"] for x in fx.events()[mark:]][-8:])
        self.assertEqual((e["x"], e["y"]), (250, 200))

    def test_a_program_that_stops_answering_cannot_freeze_it(self):
        fx = self.start_fixture([("A", 400, 200, 600, 400, "hang")])
        cl, ct = fx.window("A")["client"][:2]
        q = self.start((cl + 200, ct + 150))
        mark = len(fx.events())
        self.click(1)
        self.assertIsNotNone(self.wait_log(fx, "hanging", "A", mark))
        # Another click on the window whose program no longer answers.
        self.click(1)
        self.jump_within(cl + 500, ct + 150, 400)
        self.jump_within(cl + 500, ct + 450, 400)
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)
        self.assertIsNone(self.wait_log(fx, "answering", "A", mark, timeout=0.1), "it was not hung")

    def test_a_modal_dialog_from_a_close_button_cannot_freeze_it(self):
        fx = self.start_fixture([("A", 400, 200, 600, 400, "confirm")])
        a = fx.window("A")
        l, t, r = a["rect"][:3]
        close = self.find_part(a["hwnd"], 20, range(r - 6, r - 40, -2), [(t + a["client"][1]) // 2])
        q = self.start(close)
        mark = len(fx.events())
        self.click(1)
        self.assertIsNotNone(self.wait_log(fx, "confirm", "A", mark), "the close button did nothing")
        self.jump_within(close[0] - 300, close[1] + 300, 400)
        self.jump_within(close[0] - 300, close[1] + 600, 400)
        self.assertIsNone(self.wait_log(fx, "confirmed", "A", mark, timeout=0.1), "the dialog was answered")
        # The Escape of the click answers the dialog, as it would any dialog in front.
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)


if __name__ == "__main__":
    qvx.main()
