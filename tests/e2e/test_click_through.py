"""Click-through as a user meets it: real clicks on the viewer reach the
fixture window the view shows at its centre, as client input or as the
window action of the part hit there (caption, edges, corners, buttons).

With the default lens the point shown at the centre is the pointer itself,
so "clicking a part through the loupe" is putting the pointer on it."""
import time

import qvx

WM_CLOSE = 0x0010
HTCLIENT, HTCAPTION, HTMINBUTTON, HTMAXBUTTON = 1, 2, 8, 9
HTLEFT, HTRIGHT, HTTOP, HTTOPLEFT, HTTOPRIGHT = 10, 11, 12, 13, 14
HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT, HTCLOSE = 15, 16, 17, 20
SC_SIZE, SC_MOVE = 0xF000, 0xF010
SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, SC_RESTORE = 0xF020, 0xF030, 0xF060, 0xF120
MK_LBUTTON, MK_RBUTTON = 0x1, 0x2
WHEEL_UP, WHEEL_DOWN = 0x00780000, 0xFF880000

# The capture pass runs every 100 ms; a window is searchable once it has run.
CAPTURE_SETTLE = 0.3


hit_test = qvx.hit_test


def live_window(title):
    """Current rect, client rect and state of a fixture window, from the system."""
    found = qvx.probe("list", "QvxFixture", title)
    return found[0] if found else None


def button_events(fx, after):
    """Mouse button and wheel events (moves left out) logged since index after."""
    return [e for e in fx.events()[after:] if e["kind"] == "mouse" and e["msg"] != "WM_MOUSEMOVE"]


class ClickThrough(qvx.TestCase):
    def start(self, pointer):
        q = self.start_quorvix(pointer=pointer)
        time.sleep(CAPTURE_SETTLE)
        return q

    def wait_buttons(self, fx, after, count, timeout=5.0):
        deadline = time.time() + timeout
        while True:
            evs = button_events(fx, after)
            if len(evs) >= count or time.time() > deadline:
                return evs
            time.sleep(0.05)

    def assertMouse(self, e, name, msg, wparam, x, y):
        self.assertEqual((e["name"], e["msg"], e["wparam"], e["x"], e["y"]),
                         (name, msg, wparam, x, y), e["line"])

    def wait_rect(self, fx, name, rect, timeout=5.0):
        deadline = time.time() + timeout
        while fx.window(name).get("rect") != rect and time.time() < deadline:
            time.sleep(0.05)
        self.assertEqual(fx.window(name).get("rect"), rect)

    def wait_syscommand(self, fx, name, after, timeout=5.0):
        """The first window command after index after, leaving out the move and
        size loops that a press on a caption starts, as it does on the desktop."""
        e = fx.wait_event(lambda e: e["kind"] == "syscommand" and e["name"] == name
                          and e["wparam"] & 0xFFF0 not in (SC_MOVE, SC_SIZE),
                          timeout=timeout, after=after)
        return e["wparam"] if e else None

    def click_command(self, fx, name, point, double=False):
        """Clicks (or double clicks) at point: the system command window name
        gets, and the event count before the click."""
        mark = len(fx.events())
        self.glide(*point)
        (self.double_click if double else self.click)(1)
        return self.wait_syscommand(fx, name, mark), mark

    def find_buttons(self, title):
        """Centres of the minimise, maximise and close buttons, found by asking the
        window along its caption row from the right."""
        w = live_window(title)
        l, t, r, b = w["rect"]
        cy = (t + w["client"][1]) // 2
        runs = {}
        for x in range(w["client"][2] - 1, w["client"][2] - 90, -2):
            code = hit_test(w["hwnd"], x, cy)
            if code in (HTMINBUTTON, HTMAXBUTTON, HTCLOSE):
                runs.setdefault(code, []).append(x)
            if HTMINBUTTON in runs and code != HTMINBUTTON:
                break
        self.assertEqual(sorted(runs), [HTMINBUTTON, HTMAXBUTTON, HTCLOSE], runs)
        return {code: ((xs[0] + xs[-1]) // 2, cy) for code, xs in runs.items()}

    def caption_point(self, title):
        w = live_window(title)
        l, t, r, b = w["rect"]
        p = ((l + r) // 2 - 60, (t + w["client"][1]) // 2)
        self.assertEqual(hit_test(w["hwnd"], *p), HTCAPTION)
        return p

    def test_buttons_and_wheel_reach_the_window_under_the_centre(self):
        fx = self.start_fixture([("A", 600, 200, 700, 500, "child")])
        cl, ct = fx.window("A")["client"][:2]
        p = (cl + 300, ct + 250)
        self.start(p)
        cx, cy = p[0] - cl, p[1] - ct

        mark = len(fx.events())
        self.click(1)
        self.click(3)
        self.click(4)
        self.click(5)
        evs = self.wait_buttons(fx, mark, 6)
        self.assertEqual(len(evs), 6, [e["line"] for e in evs])
        self.assertMouse(evs[0], "A", "WM_LBUTTONDOWN", MK_LBUTTON, cx, cy)
        self.assertMouse(evs[1], "A", "WM_LBUTTONUP", 0, cx, cy)
        self.assertMouse(evs[2], "A", "WM_RBUTTONDOWN", MK_RBUTTON, cx, cy)
        self.assertMouse(evs[3], "A", "WM_RBUTTONUP", 0, cx, cy)
        # The wheel carries screen coordinates.
        self.assertMouse(evs[4], "A", "WM_MOUSEWHEEL", WHEEL_UP, p[0], p[1])
        self.assertMouse(evs[5], "A", "WM_MOUSEWHEEL", WHEEL_DOWN, p[0], p[1])

        mark = len(fx.events())
        self.double_click(1)
        evs = self.wait_buttons(fx, mark, 4)
        self.assertEqual([e["msg"] for e in evs],
                         ["WM_LBUTTONDOWN", "WM_LBUTTONUP", "WM_LBUTTONDBLCLK", "WM_LBUTTONUP"])
        self.assertMouse(evs[2], "A", "WM_LBUTTONDBLCLK", MK_LBUTTON, cx, cy)

        # Over the child, the child gets the input, in its own client coordinates.
        kl, kt = fx.window("A.child")["client"][:2]
        k = (kl + 30, kt + 20)
        self.glide(*k)
        mark = len(fx.events())
        self.click(1)
        self.click(3)
        self.click(4)
        evs = self.wait_buttons(fx, mark, 5)
        self.assertEqual(len(evs), 5, [e["line"] for e in evs])
        self.assertMouse(evs[0], "A.child", "WM_LBUTTONDOWN", MK_LBUTTON, 30, 20)
        self.assertMouse(evs[1], "A.child", "WM_LBUTTONUP", 0, 30, 20)
        self.assertMouse(evs[2], "A.child", "WM_RBUTTONDOWN", MK_RBUTTON, 30, 20)
        self.assertMouse(evs[3], "A.child", "WM_RBUTTONUP", 0, 30, 20)
        self.assertMouse(evs[4], "A.child", "WM_MOUSEWHEEL", WHEEL_UP, k[0], k[1])

    def test_caption_press_and_moves_drag_by_the_pointer_displacement(self):
        fx = self.start_fixture([("A", 500, 300, 600, 400)])
        l, t, r, b = fx.window("A")["rect"]
        sx, sy = self.caption_point("Fixture A")
        self.start((sx, sy))

        self.press(1)
        for dx, dy in ((60, 40), (150, 95), (-70, 180)):
            self.glide(sx + dx, sy + dy, step=40)
            self.wait_rect(fx, "A", (l + dx, t + dy, r + dx, b + dy))
        self.release(1)
        # Released: further moves leave the window where it is.
        self.glide(sx - 100, sy + 100)
        time.sleep(0.3)
        self.assertEqual(fx.window("A")["rect"], (l - 70, t + 180, r - 70, b + 180))
        self.assertEqual(live_window("Fixture A")["rect"], [l - 70, t + 180, r - 70, b + 180])

    def test_edges_and_corners_resize_by_their_rows(self):
        fx = self.start_fixture([("A", 700, 300, 500, 400)])
        w = fx.window("A")
        l, t, r, b = w["rect"]
        self.start(((l + r) // 2, (t + b) // 2))
        hwnd = w["hwnd"]
        # Each part: where to grab it, and how far to pull it.
        for code, pull in ((HTLEFT, (-40, 25)), (HTRIGHT, (45, -20)), (HTTOP, (30, -35)),
                           (HTBOTTOM, (-25, 40)), (HTTOPLEFT, (-30, -30)),
                           (HTTOPRIGHT, (35, -25)), (HTBOTTOMLEFT, (-35, 30)),
                           (HTBOTTOMRIGHT, (40, 45)), (HTTOP, (0, 60))):
            l, t, r, b = fx.window("A")["rect"]
            gx = l + 1 if code in (HTLEFT, HTTOPLEFT, HTBOTTOMLEFT) else \
                r - 2 if code in (HTRIGHT, HTTOPRIGHT, HTBOTTOMRIGHT) else (l + r) // 2
            gy = t + 1 if code in (HTTOP, HTTOPLEFT, HTTOPRIGHT) else \
                b - 2 if code in (HTBOTTOM, HTBOTTOMLEFT, HTBOTTOMRIGHT) else (t + b) // 2
            self.assertEqual(hit_test(hwnd, gx, gy), code, (gx, gy))
            self.glide(gx, gy)
            self.press(1)
            mx, my = gx + pull[0], gy + pull[1]
            self.glide(mx, my, step=20)
            self.release(1)
            # As on the desktop itself, the grabbed edges move with the pointer;
            # the others stay.
            dx, dy = mx - gx, my - gy
            want = {
                HTLEFT: (l + dx, t, r, b), HTRIGHT: (l, t, r + dx, b),
                HTTOP: (l, t + dy, r, b), HTBOTTOM: (l, t, r, b + dy),
                HTTOPLEFT: (l + dx, t + dy, r, b), HTTOPRIGHT: (l, t + dy, r + dx, b),
                HTBOTTOMLEFT: (l + dx, t, r, b + dy), HTBOTTOMRIGHT: (l, t, r + dx, b + dy),
            }[code]
            self.wait_rect(fx, "A", want)

    def test_window_buttons_act_when_press_and_release_match(self):
        fx = self.start_fixture([("A", 500, 250, 600, 400), ("B", 1200, 300, 400, 300)])
        cl, ct, cr, cb = fx.window("A")["client"]
        self.start(((cl + cr) // 2, (ct + cb) // 2))
        buttons = self.find_buttons("Fixture A")

        # A close press released on the client area, or on another kind of
        # button, closes nothing.
        mark = len(fx.events())
        self.glide(*buttons[HTCLOSE])
        self.press(1)
        self.glide((cl + cr) // 2, (ct + cb) // 2)
        self.release(1)
        self.glide(*buttons[HTCLOSE])
        self.press(1)
        self.glide(*buttons[HTMAXBUTTON], step=10)
        self.release(1)
        self.glide(*buttons[HTMINBUTTON], step=10)
        self.press(1)
        self.glide(*buttons[HTCLOSE], step=10)
        self.release(1)
        time.sleep(0.3)
        self.assertEqual([e["line"] for e in fx.events()[mark:]
                          if e["kind"] in ("syscommand", "destroyed", "size")], [])
        self.assertIsNotNone(live_window("Fixture A"))

        # Maximise button, then a caption double click restores, another
        # maximises, and the button restores again.
        command, mark = self.click_command(fx, "A", buttons[HTMAXBUTTON])
        self.assertEqual(command, SC_MAXIMIZE)
        self.assertEqual(fx.wait_event(lambda e: e["kind"] == "size" and e["name"] == "A",
                                       after=mark)["type"], 2)
        self.assertTrue(live_window("Fixture A")["zoomed"])
        time.sleep(CAPTURE_SETTLE)
        command, mark = self.click_command(fx, "A", self.caption_point("Fixture A"), double=True)
        self.assertEqual(command, SC_RESTORE)
        time.sleep(0.3)
        self.assertFalse(live_window("Fixture A")["zoomed"])
        self.assertEqual(button_events(fx, mark), [], "caption clicks are no client input")
        time.sleep(CAPTURE_SETTLE)
        command, mark = self.click_command(fx, "A", self.caption_point("Fixture A"), double=True)
        self.assertEqual(command, SC_MAXIMIZE)
        time.sleep(0.3 + CAPTURE_SETTLE)
        self.assertTrue(live_window("Fixture A")["zoomed"])
        command, mark = self.click_command(fx, "A", self.find_buttons("Fixture A")[HTMAXBUTTON])
        self.assertEqual(command, SC_RESTORE)
        time.sleep(0.3)
        self.assertFalse(live_window("Fixture A")["zoomed"])
        time.sleep(CAPTURE_SETTLE)

        # Minimise.
        command, mark = self.click_command(fx, "A", buttons[HTMINBUTTON])
        self.assertEqual(command, SC_MINIMIZE)
        self.assertEqual(fx.wait_event(lambda e: e["kind"] == "size" and e["name"] == "A",
                                       after=mark)["type"], 1)

        # Close, on the other window; the first one stays.
        command, mark = self.click_command(fx, "B", self.find_buttons("Fixture B")[HTCLOSE])
        self.assertEqual(command, SC_CLOSE)
        self.assertIsNotNone(fx.wait_event(lambda e: e["kind"] == "destroyed" and e["name"] == "B",
                                           after=mark))
        self.assertIsNone(live_window("Fixture B"))
        self.assertIsNotNone(live_window("Fixture A"))
        self.assertIsNone(fx.wait_event(lambda e: e["kind"] == "syscommand" and e["name"] == "A",
                                        timeout=0.2, after=mark))

    def test_modifier_clicks_never_reach_the_window_beneath(self):
        fx = self.start_fixture([("A", 600, 200, 700, 500)])
        cl, ct = fx.window("A")["client"][:2]
        q = self.start((cl + 300, ct + 250))

        mark = len(fx.events())
        self.click(1, hold=["Control_L"])
        time.sleep(0.5)
        settings = self.settings_window()
        self.assertIsNotNone(settings, "Ctrl-click opens the settings window")
        qvx.probe("post", settings["hwnd"], WM_CLOSE, 0, 0)
        time.sleep(0.5)
        presses = [e["line"] for e in button_events(fx, mark)
                   if e["msg"] in ("WM_LBUTTONDOWN", "WM_LBUTTONDBLCLK")]
        self.assertEqual(presses, [], "a Ctrl-click press reached the window")

        # Closing the settings window put the pointer back on the viewer.
        mark = len(fx.events())
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)
        presses = [e["line"] for e in button_events(fx, mark)
                   if e["msg"] in ("WM_LBUTTONDOWN", "WM_LBUTTONDBLCLK")]
        self.assertEqual(presses, [], "an Escape-click press reached the window")
        self.assertIsNotNone(live_window("Fixture A"))


if __name__ == "__main__":
    qvx.main()
