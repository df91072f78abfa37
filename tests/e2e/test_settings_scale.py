"""The settings window at a display scale of 200 %: Wine takes the scale from
LogPixels when its server starts, so the test sets it, restarts the server
as the harness starts it, and puts both back afterwards whatever happens."""
import subprocess

import numpy as np

import qvx

LABELS = (401, 402, 403, 404, 405, 406)  # each beside box id - 100, above track bar id + 500
INK = 200  # darker than this (sum of R, G, B) is text


def set_log_pixels(dpi):
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                    "/t", "REG_DWORD", "/d", str(dpi), "/f"], timeout=60, check=True, **quiet)
    # NOTE: the server keeps the registry and the DPI it read at its start;
    # ended, it writes the registry out, and a new one reads the new scale.
    subprocess.run(["wineserver", "-k"], timeout=60, **quiet)
    subprocess.run(["wineserver", "-w"], timeout=60, **quiet)
    subprocess.run(["wineserver", "-p"], timeout=60, check=True, **quiet)
    # Wine's own services, started apart from any test program's output.
    subprocess.run(["wineboot"], timeout=120, **quiet)


def relative(rect, client):
    return np.array(rect) - np.array([client[0], client[1]] * 2)


class SettingsScale(qvx.TestCase):
    def settings_as_shown(self):
        """Quorvix's settings window as it opens: its rectangle, its client
        area, its controls' and its labels' rectangles within that area."""
        self.start_quorvix(pointer=(1500, 700))
        s = self.open_settings_window(settle=1.0)
        shot = self.screenshot()
        client = s["client"]
        controls = {c["id"]: c["rect"] for c in qvx.probe("children", s["hwnd"])}
        labels = {}
        for label in LABELS:
            # A label's ink, searched from its box's top to its track bar's top,
            # left of the box and right of the container's frame.
            box, bar = controls[label - 100], controls[label + 500]
            container = controls[100 if label < 403 else 200]
            x0, x1, y0, y1 = container[0] + 3, box[0] - 1, box[1], bar[1]
            ink = shot[y0:y1, x0:x1].astype(int).sum(axis=2) < INK
            rows, cols = np.where(ink.any(axis=1))[0], np.where(ink.any(axis=0))[0]
            self.assertTrue(len(rows), "label %d not painted" % label)
            labels[label] = relative([x0 + cols[0], y0 + rows[0], x0 + cols[-1] + 1, y0 + rows[-1] + 1], client)
            self.assertLess(y0 + rows[-1] + 1, bar[1] - 1, "label %d runs into its track bar" % label)
        return {"rect": s["rect"], "client": client, "cursor": qvx.probe("cursor")[0],
                "controls": {i: relative(r, client) for i, r in controls.items()}, "labels": labels}

    def test_at_200_percent_the_window_its_controls_and_labels_are_twice_as_large_and_fit(self):
        at_96 = self.settings_as_shown()
        self.assertEqual(at_96["rect"], [50, 50, 550, 550])
        self.addCleanup(set_log_pixels, 96)
        set_log_pixels(192)
        at_192 = self.settings_as_shown()

        l, t, r, b = at_192["rect"]
        self.assertEqual((r - l, b - t), (1000, 1000))
        self.assertTrue(l >= 0 and t >= 0 and r <= qvx.SCREEN[0] and b <= qvx.SCREEN[1], at_192["rect"])
        self.assertEqual((at_192["cursor"]["x"], at_192["cursor"]["y"]), ((l + r) // 2, (t + b) // 2))
        cw = at_192["client"][2] - at_192["client"][0]
        ch = at_192["client"][3] - at_192["client"][1]
        self.assertEqual(set(at_192["controls"]), set(at_96["controls"]))
        for i, rect in at_192["controls"].items():
            self.assertTrue(rect[0] >= 0 and rect[1] >= 0 and rect[2] <= cw and rect[3] <= ch,
                            "control %d at %s is outside the client area %dx%d" % (i, rect, cw, ch))
            self.assertLessEqual(np.abs(rect - 2 * at_96["controls"][i]).max(), 2,
                                 "control %d: %s at 192 DPI, %s at 96" % (i, rect, at_96["controls"][i]))
        for i, ink in at_192["labels"].items():
            small = at_96["labels"][i]
            self.assertTrue(ink[2] <= cw and ink[3] <= ch, "label %d at %s" % (i, ink))
            self.assertLessEqual(np.abs(ink[:2] - 2 * small[:2]).max(), 4,
                                 "label %d starts at %s at 192 DPI, %s at 96" % (i, ink[:2], small[:2]))
            size, small_size = ink[2:] - ink[:2], small[2:] - small[:2]
            self.assertTrue(np.all(np.abs(size - 2 * small_size) <= 0.15 * 2 * small_size),
                            "label %d is %s at 192 DPI, %s at 96" % (i, size, small_size))


if __name__ == "__main__":
    qvx.main()
