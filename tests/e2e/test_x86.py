"""What only the x86 installer does, under Wine on a virtual display: its completion page offers the browser
restart the package asked for, and its verify note opens the product's verify page. zwindow.exe, copied
under a browser's name, stands for the browser and records the command line of every start."""

import network
from harness import installers
from test_interactive import CANCEL, COMPLETE, OK, RESTART_BOX, VERIFY_NOTE, WELCOME, values
from test_online import Sealed

MENDARA = "HKLM\\SOFTWARE\\Mendara"
RESTART_NOTE = 3043
VERIFY_PAGE = "https://www.zarn.example/verify9/?src=install"
FIREFOX_DIR = "C:\\Program Files (x86)\\Mozilla Firefox"
FIREFOX_VERSION = "115.0 (x86 en-US)"


@installers(32)
class X86Completion(Sealed):
    screen = True

    def running_firefox(self):
        """Firefox as the x86 installer finds it (the 32-bit registry view), started once."""
        program = self.install_browser(FIREFOX_DIR, "firefox.exe")
        key = "HKLM\\SOFTWARE\\Mozilla\\Mozilla Firefox"
        self.machine.reg_add(key, "CurrentVersion", FIREFOX_VERSION, view=32)
        self.machine.reg_add(key + "\\" + FIREFOX_VERSION + "\\Main", "Install Directory", FIREFOX_DIR, view=32)
        process = self.machine.start(self.machine.host_path(program))
        self.addCleanup(lambda: (process.kill(), process.communicate()))
        self.assertEqual(len(self.command_lines(program, 1)), 1, "firefox.exe started")
        return program, process

    def install(self, browser, started, *commands):
        """An interactive install from the welcome page to the completion page, which `commands` end; then
        the command lines of `browser` once it has been started `started` times in all."""
        site = network.Site()
        site.page("www.zarn.example", "/", "")
        with network.Names(), network.Servers(site):
            installer = self.machine.start_installer()
            pairs = self.machine.zui("wait-dialog", WELCOME, "click", OK, "wait-dialog", COMPLETE, 120000,
                                     "visible", RESTART_BOX, "visible", RESTART_NOTE, "visible", VERIFY_NOTE,
                                     "checked", RESTART_BOX, *commands)
            self.assertFinishes(installer)
        return pairs, self.command_lines(browser, started)

    def test_an_accepted_restart_closes_firefox_and_starts_it_on_the_verify_page(self):
        program, firefox = self.running_firefox()
        self.machine.reg_add(MENDARA, "FIREFOXRESTART", "1", view=32)
        pairs, lines = self.install(program, 2, "click", CANCEL)
        # The restart is offered and ticked; it replaces the verify note.
        self.assertEqual(values(pairs, "visible"), ["1", "1", "0"])
        self.assertEqual(values(pairs, "checked"), ["1"])
        self.assertEqual(firefox.wait(timeout=20), 3, "closed through its window")
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(lines[1].endswith(" -new-window " + VERIFY_PAGE), lines[1])
        for message in ("The Firefox browser restart flag is set", "The browser restart flag is set for the final dialog",
                        "The installer will restart browser", "The Firefox browser will be closed",
                        "The Firefox browser will be restarted"):
            self.assertIn(message, self.messages())
        self.assertIsNone(self.machine.reg_query(MENDARA, "FIREFOXRESTART", view=32))

    def test_a_declined_restart_leaves_firefox_and_forgets_the_request(self):
        program, firefox = self.running_firefox()
        self.machine.reg_add(MENDARA, "FIREFOXRESTART", "1", view=32)
        # Unticked, Close asks whether to restart the browser all the same; Cancel declines.
        pairs, lines = self.install(program, 1, "click", RESTART_BOX, "click", CANCEL, "wait-owned", "click", CANCEL)
        self.assertEqual(values(pairs, "visible"), ["1", "1", "0"])
        self.assertEqual(len(lines), 1, "not started again")
        self.assertIsNone(firefox.poll(), "still running")
        for message in ("The installer will restart browser", "The Firefox browser will be closed"):
            self.assertNotIn(message, self.messages())
        self.assertIsNone(self.machine.reg_query(MENDARA, "FIREFOXRESTART", view=32))

    def test_the_verify_note_opens_the_verify_page_in_the_default_browser(self):
        program = self.default_browser()
        pairs, lines = self.install(program, 1, "click", CANCEL)
        self.assertEqual(values(pairs, "visible"), ["0", "0", "1"])
        self.assertIn("Verify page will be displayed, so show text", self.messages())
        self.assertEqual(len(lines), 1, self.machine.log())
        self.assertIn(VERIFY_PAGE, lines[0])
