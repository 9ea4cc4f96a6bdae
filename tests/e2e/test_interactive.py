"""Interactive runs under Wine on a virtual display, driven by zui.exe the way a person clicks: the welcome
page, the destination folder page with its folder browser, the cancel question and the progress dialog."""

import unittest

from harness import DEFAULT_HOME, RUNTIME_KEY, Machine, Scenario

WELCOME, FOLDER, PROGRESS = 110, 113, 4003
OK, CANCEL, YES, NO = 1, 2, 6, 7
CHANGE_BOX, CHANGE, BACK, FOLDER_TEXT, STATUS, BAR, HEADING = 1025, 1028, 1029, 1034, 4006, 4005, 1016
BOX_TEXT = 65535  # the text of a message box
# The bar's position where chunk 7, the last operation the package posts, begins: 130 of 135 seconds.
LAST_CHUNK = round(130 / 135 * 1000)


def values(pairs, name):
    return [value for key, value in pairs if key == name]


class Interactive(Scenario):
    def setUp(self):
        self.machine = Machine(screen=True)
        self.addCleanup(self.machine.close)

    def install_status(self):
        return self.machine.reg_query("HKLM\\SOFTWARE\\Mendara", "InstallStatus")

    def assertProgressFollowedThePackage(self, pairs):
        self.assertEqual(values(pairs, "text")[-1], "Status:    Installing Zarn")
        samples = [int(p) for p in values(pairs, "samples")[0].split()]
        self.assertEqual(samples, sorted(samples), "the bar only moves forward")
        self.assertGreaterEqual(samples[-1], LAST_CHUNK, samples)

    def test_install_from_the_welcome_page(self):
        installer = self.machine.start_installer()
        pairs = self.machine.zui("wait-dialog", WELCOME, "title", "modules", "tab-order", "click", OK,
                                 "wait-dialog", PROGRESS, 60000, "text", STATUS, "sample", BAR, 20)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Welcome"])
        # The links need common controls 6, from the side-by-side folder the manifest names.
        self.assertIn("\\winsxs\\", values(pairs, "module")[0].lower())
        # From Install, Tab visits the links, the box, Cancel, and Install again.
        self.assertEqual(values(pairs, "tab"), ["1 487001 487002 1025 2"])
        self.assertProgressFollowedThePackage(pairs)
        result = self.machine.finish(installer)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledAt(DEFAULT_HOME)
        self.assertEqual(self.messages()[-1], "Wrapper exit code: 0")

    def test_back_to_the_welcome_and_a_cancelled_browse_keep_the_folder(self):
        home = "C:\\ZarnTest\\"
        installer = self.machine.start_installer("INSTALLDIR=" + home)
        pairs = self.machine.zui(
            "wait-dialog", WELCOME, "tick", CHANGE_BOX, "click", OK,
            "wait-dialog", FOLDER, "text", FOLDER_TEXT, "tab-order", "click", BACK,
            "wait-dialog", WELCOME, "checked", CHANGE_BOX, "click", OK,
            "wait-dialog", FOLDER, "click", CHANGE, "wait-owned", "title", "click", CANCEL,
            "wait-dialog", FOLDER, "text", FOLDER_TEXT, "click", OK,
            "wait-dialog", PROGRESS, 60000, "text", STATUS, "sample", BAR, 20)
        self.assertEqual(values(pairs, "checked"), ["1"], "the box is still ticked after Back")
        self.assertEqual(values(pairs, "tab"), ["1 1028 1029"], "Next, Change..., Back")
        self.assertEqual(values(pairs, "title"), ["Browse for Folder"])
        self.assertEqual(values(pairs, "text")[:2], [home, home])
        self.assertProgressFollowedThePackage(pairs)
        result = self.machine.finish(installer)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledAt(home)

    def test_cancel_asks_and_only_yes_declines(self):
        installer = self.machine.start_installer()
        pairs = self.machine.zui("wait-dialog", WELCOME, "click", CANCEL, "wait-owned", "title", "text", BOX_TEXT,
                                 "click", NO, "wait-dialog", WELCOME, "click", CANCEL, "wait-owned", "click", YES)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup"])
        self.assertEqual(values(pairs, "text"), ["Are you sure you want to cancel Zarn 1.8.0_45 installation?"])
        result = self.machine.finish(installer)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertEqual(self.install_status(), "decline")
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "ZarnHome"))
        self.assertEqual(self.messages()[-1], "The user cancelled from Welcome dialog. Exit code: 0")

    def test_every_page_and_box_speaks_the_language_of_the_run(self):
        installer = self.machine.start_installer("/lang:1031")
        pairs = self.machine.zui("wait-dialog", WELCOME, "title", "text", HEADING, "text", OK, "text", CANCEL,
                                 "tick", CHANGE_BOX, "click", OK, "wait-dialog", FOLDER, "title", "text", BACK,
                                 "close", "wait-owned", "title", "text", BOX_TEXT, "click", YES)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Willkommen", "Zarn Setup - Zielordner", "Zarn Setup"])
        self.assertEqual(values(pairs, "text"), ["Willkommen bei Zarn", "&Installieren >", "Abbrechen", "< &Zurück",
                                                 "Möchten Sie die Installation von Zarn 1.8.0_45 wirklich abbrechen?"])
        result = self.machine.finish(installer)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertEqual(self.messages()[-1], "The user cancelled from Change Folder dialog. Exit code: 0")


if __name__ == "__main__":
    unittest.main()
