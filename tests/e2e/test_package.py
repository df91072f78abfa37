"""The release as a Windows user gets it: the zip that the package target
builds, unpacked into a folder of its own. Quorvix started from there shows
the desktop through the lens and ends with an Escape-click; started from
another folder it still finds its layout file; its exe carries the project's
version, its icon and its DPI manifest."""
import os
import xml.etree.ElementTree as ET
import zipfile

import qvx

VERSION = os.environ["QUORVIX_VERSION"]
PACKAGE = os.path.join(qvx.BUILD_DIR, "quorvix-%s-win64.zip" % VERSION)
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


class Package(qvx.TestCase):
    def unpack(self):
        """The package's quorvix.exe, unpacked into an empty folder."""
        folder = os.path.join(self.tmp, "quorvix")
        with zipfile.ZipFile(PACKAGE) as z:
            self.assertEqual(sorted(z.namelist()),
                             ["LICENSE.txt", "README.md", "quorvix.exe", "settings_gui_layout.csv"])
            z.extractall(folder)
        return os.path.join(folder, "quorvix.exe")

    def test_unpacked_it_shows_the_desktop_through_the_lens_and_ends_on_escape_click(self):
        exe = self.unpack()
        self.start_fixture([("A", 450, 150, 1100, 800)])
        self.move(100, 100)
        desktop = self.screenshot()
        q = self.start_quorvix(pointer=(1000, 500), exe=exe)
        viewer = self.viewer()
        actual = qvx.actual_view(self.screenshot(), viewer)
        expected = qvx.expected_view(desktop, viewer)
        mask, _ = qvx.cross_mask(viewer, actual.shape)
        fit = self.assertLooksLike(actual[mask][None], expected[mask][None], tol=14,
                                   min_fraction=0.97, name="lens")
        print("%.3f of view pixels as the lens gives" % fit)
        self.click(1, hold=["Escape"])
        self.assertExitCode(q, 0, timeout=15)

    def test_started_from_another_folder_its_settings_window_has_its_controls(self):
        exe = self.unpack()
        elsewhere = os.path.join(self.tmp, "elsewhere")
        os.makedirs(elsewhere)
        self.start_quorvix(pointer=(1000, 500), cwd=elsewhere, exe=exe)
        self.click(1, hold=["Control_L"], settle=1.0)
        s = self.settings_window()
        self.assertIsNotNone(s, "Ctrl+click opened no settings window")
        ids = {c["id"] for c in qvx.probe("children", s["hwnd"])}
        self.assertTrue(set(range(301, 307)) | set(range(901, 907)) <= ids,
                        "the layout's boxes and sliders: %s" % sorted(ids))

    def test_its_exe_carries_version_icon_and_dpi_manifest(self):
        exe = self.unpack()
        info = qvx.probe("version", "Z:" + exe)[0]
        numbers = ".".join((VERSION.split(".") + ["0"] * 4)[:4])
        self.assertEqual((info["file_version"], info["product_version"]), (numbers, numbers))
        self.assertEqual((info["FileVersion"], info["ProductVersion"]), (VERSION, VERSION))
        self.assertEqual(info["ProductName"], "Quorvix")
        self.assertIn("Quorvix", info["FileDescription"])
        # Sizes of the first icon group; 0 stands for 256.
        self.assertEqual(sorted(info["icon_sizes"]), [0, 16, 32, 48])
        self.assertIsNotNone(info["manifest"], "no manifest resource 1")
        manifest = ET.fromstring(info["manifest"])
        self.assertEqual([e.text for e in manifest.iter(SETTINGS_2005 + "dpiAware")], ["true/pm"])
        self.assertEqual([e.text for e in manifest.iter(SETTINGS_2016 + "dpiAwareness")],
                         ["PerMonitorV2, PerMonitor"])


if __name__ == "__main__":
    qvx.main()
