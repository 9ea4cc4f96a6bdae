"""Interactive runs under Wine on a virtual display, driven by zui.exe the way a person clicks: the welcome
page, the destination folder page with its folder browser, the cancel question, the progress dialog and the
completion pages."""

import os

from harness import BITS, DEFAULT_HOME, RUNTIME_KEY, Scenario, installers

FAILING = os.environ.get("ZARN_KOBUOFFLINE_FAILING", "")

WELCOME, FOLDER, PROGRESS, COMPLETE, FAILED, PLUGIN, RESTORE = 110, 113, 4003, 117, 118, 119, 120
OK, CANCEL, YES, NO = 1, 2, 6, 7
CHANGE_BOX, CHANGE, BACK, FOLDER_TEXT, STATUS, BAR, HEADING = 1025, 1028, 1029, 1034, 4006, 4005, 1016
COMPLETE_HEADING, RESTART_BOX, VERIFY_NOTE, ERROR_CODE, RESTORE_BOX = 3037, 3044, 3039, 3071, 6001
BOX_TEXT = 65535  # the text of a message box
COLLECTED_DATA_LINK, LICENSE_LINK, UPDATE_SETTINGS_LINK = 487001, 487002, 3041
# The bar's position where chunk 7, the last operation the package posts, begins: 130 of 135 seconds.
LAST_CHUNK = round(130 / 135 * 1000)
# Where the runtime's deployment library takes its answers from and records what it was asked.
DEPLOY_KEY = "HKCU\\Software\\Mendara\\Zarn Deploy"


def values(pairs, name):
    return [value for key, value in pairs if key == name]


class Interactive(Scenario):
    screen = True

    def assertProgressFollowedThePackage(self, pairs):
        self.assertIn("Status:    Installing Zarn", values(pairs, "text"))
        samples = [int(p) for p in values(pairs, "samples")[0].split()]
        self.assertEqual(samples, sorted(samples), "the bar only moves forward")
        self.assertGreaterEqual(samples[-1], LAST_CHUNK, samples)

    @installers(64, 32)
    def test_install_from_the_welcome_page(self):
        installer = self.machine.start_installer()
        # Cancel asks first, and No goes back to the page.
        pairs = self.machine.zui("wait-dialog", WELCOME, "title", "modules", "tab-order", "click", CANCEL,
                                 "wait-owned", "title", "text", BOX_TEXT, "click", NO,
                                 "wait-dialog", WELCOME, "click", OK,
                                 "wait-dialog", PROGRESS, 60000, "text", STATUS, "sample", BAR, 20,
                                 "wait-dialog", COMPLETE, 60000, "title", "text", COMPLETE_HEADING,
                                 "visible", BACK, "visible", RESTART_BOX, "visible", VERIFY_NOTE, "click", CANCEL)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Welcome", "Zarn Setup", "Zarn Setup - Complete"])
        self.assertEqual(values(pairs, "text")[0], "Are you sure you want to cancel Zarn 1.8.0_45 installation?")
        # With the plug-in enabled and no hidden prompts no page comes before the completion page. The
        # package asked for no browser restart; the x64 installer never shows the verify note, the x86 one
        # only online, and this run has no network.
        self.assertEqual(values(pairs, "text")[-1], "You have successfully installed Zarn")
        self.assertEqual(values(pairs, "visible"), ["0", "0", "0"])
        self.assertIn("The installer is 64 bit online, set bShowVerifyPage = FALSE" if BITS == 64
                      else "Internet Connection not available", self.messages())
        # The links need common controls 6, from the side-by-side folder the manifest names.
        self.assertIn("\\winsxs\\", values(pairs, "module")[0].lower())
        # From Install, Tab visits the links, the box, Cancel, and Install again.
        self.assertEqual(values(pairs, "tab"), ["1 487001 487002 1025 2"])
        self.assertProgressFollowedThePackage(pairs)
        self.assertFinishes(installer)
        self.assertInstalledAt(DEFAULT_HOME)
        self.assertEqual(self.messages()[-1], "Wrapper exit code: 0")
        self.assertEqual(self.machine.reg_query(DEPLOY_KEY, "Requests"), "1:0 2:30", "asked, nothing changed")

    @installers(64, 32)
    def test_the_plugin_and_restore_pages_come_first_and_back_walks_them(self):
        self.machine.reg_add(DEPLOY_KEY, "PluginDisabled", 1, "REG_DWORD")
        self.machine.reg_add(DEPLOY_KEY, "DecisionsExist", 1, "REG_DWORD")
        installer = self.machine.start_installer()
        pairs = self.machine.zui("wait-dialog", WELCOME, "click", OK,
                                 "wait-dialog", PLUGIN, 120000, "title", "click", OK,
                                 "wait-dialog", RESTORE, "title", "checked", RESTORE_BOX, "click", RESTORE_BOX,
                                 "click", BACK,
                                 "wait-dialog", PLUGIN, "click", OK,
                                 "wait-dialog", RESTORE, "checked", RESTORE_BOX, "click", OK,
                                 "wait-dialog", COMPLETE, "title", "visible", BACK, "click", BACK,
                                 "wait-dialog", RESTORE, "checked", RESTORE_BOX, "click", OK,
                                 "wait-dialog", COMPLETE, "click", CANCEL)
        self.assertEqual(values(pairs, "title"),
                         ["Zarn Setup - Web Browsers", "Zarn Setup - Security Prompts", "Zarn Setup - Complete"])
        self.assertEqual(values(pairs, "checked"), ["1", "0", "0"], "ticked at first, unticked after each Back")
        self.assertEqual(values(pairs, "visible"), ["1"], "the completion page has Back after other pages")
        self.assertFinishes(installer)
        # Plug-in status, hidden prompts, then the prompts kept hidden: request 4, not the restore's 3.
        self.assertEqual(self.machine.reg_query(DEPLOY_KEY, "Requests"), "1:0 2:30 4:0", self.machine.log())
        self.assertEqual(self.machine.reg_query(DEPLOY_KEY, "DecisionsExist"), "0x1")

    def test_back_to_the_welcome_and_a_cancelled_browse_keep_the_folder(self):
        home = "C:\\ZarnTest\\"
        installer = self.machine.start_installer("INSTALLDIR=" + home)
        pairs = self.machine.zui(
            "wait-dialog", WELCOME, "tick", CHANGE_BOX, "click", OK,
            "wait-dialog", FOLDER, "text", FOLDER_TEXT, "tab-order", "click", BACK,
            "wait-dialog", WELCOME, "checked", CHANGE_BOX, "click", OK,
            "wait-dialog", FOLDER, "click", CHANGE, "wait-owned", "title", "click", CANCEL,
            "wait-dialog", FOLDER, "text", FOLDER_TEXT, "click", OK,
            "wait-dialog", PROGRESS, 60000, "text", STATUS, "sample", BAR, 20,
            "wait-dialog", COMPLETE, 60000, "click", CANCEL)
        self.assertEqual(values(pairs, "checked"), ["1"], "the box is still ticked after Back")
        self.assertEqual(values(pairs, "tab"), ["1 1028 1029"], "Next, Change..., Back")
        self.assertEqual(values(pairs, "title"), ["Browse for Folder"])
        self.assertEqual(values(pairs, "text")[:2], [home, home])
        self.assertProgressFollowedThePackage(pairs)
        self.assertFinishes(installer)
        self.assertInstalledAt(home)

    def test_a_failed_package_ends_on_the_failure_page_with_its_code(self):
        self.machine.installer = self.machine.windows_path_of(FAILING)
        installer = self.machine.start_installer()
        pairs = self.machine.zui("wait-dialog", WELCOME, "click", OK,
                                 "wait-dialog", FAILED, 120000, "title", "text", ERROR_CODE, "click", CANCEL)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Error"])
        result = self.machine.finish(installer)
        self.assertGreaterEqual(result.exit_code, 1600, self.machine.log())
        self.assertEqual(values(pairs, "text"), ["Error Code: %d" % result.exit_code], "the page names the exit code")

    def test_every_page_and_box_speaks_the_language_of_the_run(self):
        installer = self.machine.start_installer("/lang:1031")
        pairs = self.machine.zui("wait-dialog", WELCOME, "title", "text", HEADING, "text", OK, "text", CANCEL,
                                 "tick", CHANGE_BOX, "click", OK, "wait-dialog", FOLDER, "title", "text", BACK,
                                 "close", "wait-owned", "title", "text", BOX_TEXT, "click", YES)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Willkommen", "Zarn Setup - Zielordner", "Zarn Setup"])
        self.assertEqual(values(pairs, "text"), ["Willkommen bei Zarn", "&Installieren >", "Abbrechen", "< &Zurück",
                                                 "Möchten Sie die Installation von Zarn 1.8.0_45 wirklich abbrechen?"])
        self.assertFinishes(installer)
        self.assertEqual(self.messages()[-1], "The user cancelled from Change Folder dialog. Exit code: 0")

    def test_each_link_opened_with_the_keyboard_reaches_the_default_browser(self):
        browser = self.default_browser()
        addresses = ["https://www.zarn.example/en/download/collected_data.html",
                     "https://www.zarn.example/en/download/license.html",
                     "https://www.zarn.example/en/download/help/update_settings.html"]
        welcome = self.machine.start_installer("TEST_WELCOME_DIALOG=1")
        # From Install, Tab reaches the data-collection link, then the licence link; the browser comes to
        # the front at each, and the person comes back. Each start is waited for: a key's effect is not.
        self.machine.zui("wait-dialog", WELCOME, "key", "tab", "key", "return")
        self.command_lines(browser, 1)
        self.machine.zui("wait-dialog", WELCOME, "activate", "key", "tab", "key", "return")
        self.command_lines(browser, 2)
        self.machine.zui("wait-dialog", WELCOME, "activate", "click", OK)
        self.assertFinishes(welcome)
        complete = self.machine.start_installer("TEST_FINAL_DIALOG=1")
        # From Close, Tab wraps round to the update settings link.
        pairs = self.machine.zui("wait-dialog", COMPLETE, "tab-order", "key", "tab", "key", "return")
        self.assertEqual(values(pairs, "tab")[0].split()[:2], [str(CANCEL), str(UPDATE_SETTINGS_LINK)])
        lines = self.command_lines(browser, 3)
        self.machine.zui("wait-dialog", COMPLETE, "click", CANCEL)
        self.assertFinishes(complete)
        self.assertEqual([line.split()[-1].strip('"') for line in lines], addresses, self.machine.log())

    def test_japanese_text_is_drawn_with_glyphs_not_boxes(self):
        installer = self.machine.start_installer("TEST_WELCOME_DIALOG=1", "/lang:1041")
        pairs = self.machine.zui("wait-dialog", WELCOME, "text", HEADING, "glyphs", HEADING, "glyphs", LICENSE_LINK,
                                 "click", OK)
        self.assertEqual(values(pairs, "text"), ["Zarn へようこそ"])
        # The pixels that change when the Japanese letters become boxes: 0 when they were boxes already.
        for drawn in values(pairs, "glyphs"):
            self.assertGreater(int(drawn), 200, pairs)
        self.assertFinishes(installer)

    def test_a_german_user_gets_german_pages_without_lang_and_yes_to_cancel_declines(self):
        # Wine takes a process's languages from its locale, and lists only 0407 for a German user.
        self.machine.env.update(LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8")
        installer = self.machine.start_installer()
        pairs = self.machine.zui("wait-dialog", WELCOME, "title", "text", HEADING, "click", CANCEL,
                                 "wait-owned", "click", YES)
        self.assertEqual(values(pairs, "title"), ["Zarn Setup - Willkommen"])
        self.assertEqual(values(pairs, "text"), ["Willkommen bei Zarn"])
        self.assertFinishes(installer)
        self.assertEqual(self.messages()[-1], "The user cancelled from Welcome dialog. Exit code: 0")
        self.assertEqual(self.machine.reg_query("HKLM\\SOFTWARE\\Mendara", "InstallStatus", view=BITS), "decline")
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "ZarnHome", view=BITS))
