"""Starting Quorvix as a user does: while another program has the layout file
open, and a second time while it runs."""
import os
import shutil

import qvx

LAYOUT = "settings_gui_layout.csv"


class Start(qvx.TestCase):
    def folders(self):
        """An installed Quorvix (the exe and its shipped layout) and a working
        folder of its own whose layout holds one button, 777, that the
        shipped one has not."""
        installed = os.path.join(self.tmp, "installed")
        work = os.path.join(self.tmp, "work")
        os.makedirs(installed)
        os.makedirs(work)
        for name in ("quorvix.exe", LAYOUT):
            shutil.copy(os.path.join(qvx.BIN_DIR, name), installed)
        header = "".join("h" + "," * 21 + "\r\n" for _ in range(10))
        with open(os.path.join(work, LAYOUT), "wb") as f:
            f.write((header + "Button,777,0,20,20,200,30,Held open,,,,,,0,0,0,0,,,,0,0\r\n").encode("ascii"))
        return os.path.join(installed, "quorvix.exe"), work

    def hold(self, work, share):
        """Another program holds the working folder's layout open for reading
        and writing, with the given share mode."""
        holder = self._start([os.path.join(qvx.BIN_DIR, "qvx_probe.exe"), "hold", LAYOUT, str(share), "120000"],
                             work, "holder")
        out = os.path.join(self.tmp, "holder.out")

        def held():
            if not os.path.exists(out):
                return False
            with open(out) as f:
                return '"held": 1' in f.read()
        self.wait_for("the file to be held", held, timeout=20)
        return holder

    def settings_controls(self):
        s = self.open_settings_window()
        return {c["id"] for c in qvx.probe("children", s["hwnd"])}

    def test_a_layout_file_open_in_a_spreadsheet_is_read(self):
        exe, work = self.folders()
        # A spreadsheet keeps the file it shows open and lets others only read it.
        holder = self.hold(work, 1)  # FILE_SHARE_READ
        self.start_quorvix(pointer=(1000, 500), cwd=work, exe=exe)
        self.assertEqual(self.settings_controls(), {777}, "the held file's controls, not the shipped ones")
        self.assertTrue(holder.alive(), "the file was held all along")

    def test_a_layout_file_that_cannot_be_read_is_not_replaced(self):
        exe, work = self.folders()
        holder = self.hold(work, 0)  # no sharing at all: nobody can read it
        self.start_quorvix(pointer=(1000, 500), cwd=work, exe=exe)
        self.assertEqual(self.settings_controls(), set(), "not the copy beside the exe")
        self.assertTrue(holder.alive())

    def test_a_second_start_ends_at_once_and_leaves_the_first_as_it_is(self):
        first = self.start_quorvix(pointer=(1000, 500))
        viewer = self.viewer()
        second = self.start_quorvix(pointer=(1000, 500), wait=False)
        self.assertExitCode(second, 0, timeout=10)
        self.assertTrue(first.alive())
        viewers = qvx.probe("list", "MainWindow", "*")
        self.assertEqual([v["hwnd"] for v in viewers], [viewer["hwnd"]])
        # The first one still follows the pointer and ends as usual.
        self.glide(1100, 560)
        self.click(1, hold=["Escape"])
        self.assertExitCode(first, 0, timeout=15)


if __name__ == "__main__":
    qvx.main()
