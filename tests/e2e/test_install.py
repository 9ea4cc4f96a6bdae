"""Real installs under Wine: the program writes its package, Windows Installer runs it, and the exit code,
log (in its two-line records), files and registry tell what happened."""

import os

from harness import BITS, DEFAULT_HOME, OTHER_BITS, PRODUCT_CODE, RUNTIME_KEY, Scenario, installers, parse_log
from test_auto_update import assert_registered_and_scheduled

RUNTIME_FILE = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg"
FAILING = os.environ.get("ZARN_KOBUOFFLINE_FAILING", "")
FAILING_PACKAGE = os.environ.get("ZARN_FAILING_PACKAGE", "")


@installers(64, 32)
class Install(Scenario):
    def test_a_run_logs_in_records_clears_the_install_status_and_ends_with_its_exit_code(self):
        self.machine.reg_add(r"HKLM\SOFTWARE\Mendara", "InstallStatus", "reinstall", view=BITS)
        self.assertExits(0, "/s", "INSTALL_SILENT=Enable")
        records = parse_log(self.machine.log())
        begin = self.assertLogged(records, "INFO", "Wrapper begin...")
        line = self.assertLogged(records, "INFO", "Running offline Kobu wrapper with command line=</s INSTALL_SILENT=Enable>")
        self.assertEqual(begin["module"], "kobuoffline.exe")
        self.assertEqual(begin["file"], "main_flow.cpp")
        self.assertEqual(begin["pid"], line["pid"])
        self.assertRegex(begin["date"], r"^20\d\d/\d\d/\d\d$")
        self.assertEqual(records[-1]["message"], "Wrapper exit code: 0")
        self.assertIsNone(self.machine.reg_query(r"HKLM\SOFTWARE\Mendara", "InstallStatus", view=BITS))

    def test_installdir_and_a_verbose_installer_log(self):
        home = "C:\\Zarn Runtimes\\kobu\\"
        log = "C:\\logs\\kobu-install.log"
        os.makedirs(os.path.dirname(self.machine.host_path(log)), exist_ok=True)
        self.assertExits(0, "/s", "INSTALLDIR=" + home, "/l", log)
        self.assertInstalledAt(home)
        self.assertFalse(os.path.exists(self.machine.host_path(DEFAULT_HOME + "release")))
        command_lines = [m for m in self.messages() if m.startswith("MSI command line: ")]
        self.assertEqual(len(command_lines), 1)
        self.assertIn('INSTALLDIR="%s"' % home, command_lines[0])
        with open(self.machine.host_path(log), "rb") as f:
            raw = f.read()
        # Windows Installer writes its log in the ANSI code page or, with some options, UTF-16.
        self.assertIn("INSTALLDIR", raw.decode("utf-16-le", errors="ignore") if raw[1:2] == b"\0" else raw.decode("latin-1"))

    def test_static_request_marks_the_copy_and_a_later_plain_run_leaves_it(self):
        self.assertExits(0, "/s", "STATIC=Enable")
        self.assertIn('MSI command line: STATIC="Enable"', self.messages())
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS), "S")
        # A static copy refuses a plain silent run, which ends before its exit code is logged.
        self.assertExits(-1, "/s")
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS), "S")
        self.assertNotIn("Wrapper exit code: -1", self.messages())

    def test_a_clean_machine_gets_the_runtime_and_a_second_run_installs_it_again(self):
        # A newer static copy of the other architecture, in the other registry view, is not this one.
        self.machine.reg_add(RUNTIME_KEY, "ZarnHome", "C:\\Program Files\\Zarn\\jre1.8.0_45", view=OTHER_BITS)
        self.machine.reg_add(RUNTIME_KEY, "BuildNumber", "16", view=OTHER_BITS)
        self.machine.reg_add(RUNTIME_KEY + "\\MSI", "MODE", "S", view=OTHER_BITS)
        self.assertExits(0, "/s")
        self.assertInstalledAt(DEFAULT_HOME)
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS))
        self.assertFalse(self.machine.reg_key_exists("HKLM\\SOFTWARE\\Mendara\\SilentInstall", view=BITS))
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=OTHER_BITS), "16", "left alone")
        first = self.messages()
        self.assertIn("No same version Kobu exists", first)
        self.assertIn("MSI command line: ", first)
        self.assertEqual(first[-1], "Wrapper exit code: 0")
        self.assertFalse([m for m in first if m.startswith("Checksum verification")])
        assert_registered_and_scheduled(self)
        # The same build again: uninstalled first, then installed.
        first_log_size = len(self.machine.log())
        self.assertExits(0, "/s")
        second = self.messages(since=first_log_size)
        self.assertIn("Kobu with same version 1.8.0_45 exists on the system", second)
        self.assertIn("Executor.exec():  /x %s /qn" % PRODUCT_CODE, second)
        self.assertFalse([m for m in second if m.startswith("uninstall 1.8.0_45 of")], "msiexec succeeded")
        self.assertEqual(second[-1], "Wrapper exit code: 0")
        self.assertInstalledAt(DEFAULT_HOME)

    def test_registered_same_version_is_uninstalled_with_real_msiexec_first(self):
        # The product is registered but unknown to Windows Installer: msiexec refuses, the run goes on.
        self.machine.reg_add(RUNTIME_KEY, "ZarnHome", "C:\\Program Files\\Zarn\\jre1.8.0_45", view=BITS)
        self.machine.reg_add(RUNTIME_KEY, "BuildNumber", "15", view=BITS)
        self.machine.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + PRODUCT_CODE,
                             "DisplayName", "Zarn 8 Update 45", view=BITS)
        result = self.machine.run_installer("/s")
        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Executor.exec():  /x %s /qn" % PRODUCT_CODE)
        failed = [r["message"] for r in records
                  if r["message"].startswith("uninstall 1.8.0_45 of %s failed.  ErrorCode: " % PRODUCT_CODE)]
        self.assertTrue(failed, "msiexec ran and its refusal was logged")
        self.assertNotEqual(result.exit_code, -1)


class BadPackages(Scenario):
    def test_the_package_failure_is_the_exit_code_and_the_runtime_file_comes_back(self):
        # What this Windows Installer answers for the package's failure (Windows 1603, Wine 1627).
        expected = self.machine.run_program("msiexec", "/i", self.machine.windows_path_of(FAILING_PACKAGE),
                                            "/qn").exit_code
        self.assertNotEqual(expected, 0)
        self.machine.installer = self.machine.windows_path_of(FAILING)
        self.machine.write_file(RUNTIME_FILE, "INSTALL_SILENT=Enable\r\n")
        self.assertExits(expected, "/s", "AUTO_UPDATE=Disable")
        self.assertEqual(self.machine.read_file(RUNTIME_FILE), "INSTALL_SILENT=Enable\r\n")
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=BITS), "rolled back")
        self.assertFalse(os.path.exists(self.machine.host_path(DEFAULT_HOME + "release")))
        self.assertEqual(self.messages()[-1], "Wrapper exit code: %d" % expected)

    def test_a_package_unlike_the_recorded_digest_is_not_run(self):
        self.machine.installer = self.machine.windows_path_of(os.environ["ZARN_KOBUOFFLINE_MISMATCHED"])
        self.assertExits(1603, "/s")
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=BITS))
        messages = self.messages()
        checks = [m for m in messages if m.startswith("Checksum verification for \"")]
        self.assertEqual(len(checks), 1, messages)
        with open(FAILING_PACKAGE + ".sha256") as f:
            recorded = f.read()
        with open(os.path.join(os.path.dirname(FAILING_PACKAGE), "kobu1.8.0_45.msi.sha256")) as f:
            carried = f.read()
        self.assertTrue(checks[0].endswith("\\kobu1.8.0_45.msi\" file failed: expected=[%s]; actual=[%s]; "
                                           "algorithm=32780." % (recorded, carried)), checks[0])
        self.assertEqual(messages[-1], "Wrapper exit code: 1603")

    def test_packages_that_are_no_whole_database_end_with_the_installers_code_and_change_nothing(self):
        # Installers carrying an empty package, a text file and the first half of the product package,
        # each with its own digest, so that the installer writes and runs it.
        for installer in os.environ["ZARN_KOBUOFFLINE_BROKEN"].split(","):
            with self.subTest(os.path.basename(installer)):
                self.machine.write_file(RUNTIME_FILE, "INSTALL_SILENT=Enable\r\n")
                before = len(self.machine.log())
                code = self.machine.run_program(self.machine.windows_path_of(installer), "/s").exit_code
                messages = self.messages(since=before)
                # Windows answers 1620 (not a valid package), Wine 1627: a Windows Installer error either way.
                self.assertIn(code, range(1600, 1700), messages)
                self.assertTrue([m for m in messages if m.endswith("failed. MSI error [%d]' caught" % code)], messages)
                self.assertEqual(messages[-1], "Wrapper exit code: %d" % code)
                self.assertEqual(self.machine.read_file(RUNTIME_FILE), "INSTALL_SILENT=Enable\r\n")
                self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "BuildNumber"))
