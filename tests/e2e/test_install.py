"""Real installs under Wine: the program writes its package, Windows Installer runs it, and the exit code,
log, files and registry tell what happened."""

import os

from harness import BITS, DEFAULT_HOME, PRODUCT_CODE, RUNTIME_KEY, Scenario, installers, parse_log

RUNTIME_FILE = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg"
FAILING = os.environ.get("ZARN_KOBUOFFLINE_FAILING", "")
FAILING_PACKAGE = os.environ.get("ZARN_FAILING_PACKAGE", "")
MISMATCHED = os.environ.get("ZARN_KOBUOFFLINE_MISMATCHED", "")


@installers(64, 32)
class Install(Scenario):
    def test_silent_run_on_a_clean_machine_installs_the_runtime(self):
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledAt(DEFAULT_HOME)
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS))
        self.assertFalse(self.machine.reg_key_exists("HKLM\\SOFTWARE\\Mendara\\SilentInstall", view=BITS))
        messages = self.messages()
        self.assertIn("MSI command line: ", messages)
        self.assertEqual(messages[-1], "Wrapper exit code: 0")
        self.assertFalse([m for m in messages if m.startswith("Checksum verification")])

    def test_installdir_and_a_verbose_installer_log(self):
        home = "C:\\Zarn Runtimes\\kobu\\"
        log = "C:\\logs\\kobu-install.log"
        os.makedirs(os.path.dirname(self.machine.host_path(log)), exist_ok=True)
        result = self.machine.run_installer("/s", "INSTALLDIR=" + home, "/l", log)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledAt(home)
        self.assertFalse(os.path.exists(self.machine.host_path(DEFAULT_HOME + "release")))
        command_lines = [m for m in self.messages() if m.startswith("MSI command line: ")]
        self.assertEqual(len(command_lines), 1)
        self.assertIn('INSTALLDIR="%s"' % home, command_lines[0])
        self.assertIn("INSTALLDIR", self.read_installer_log(log))

    def read_installer_log(self, log):
        with open(self.machine.host_path(log), "rb") as f:
            raw = f.read()
        # Windows Installer writes its log in the ANSI code page or, with some options, UTF-16.
        return raw.decode("utf-16-le", errors="ignore") if raw[1:2] == b"\0" else raw.decode("latin-1")

    def test_static_request_marks_the_copy_and_a_later_plain_run_leaves_it(self):
        self.assertEqual(self.machine.run_installer("/s", "STATIC=Enable").exit_code, 0, self.machine.log())
        self.assertIn('MSI command line: STATIC="Enable"', self.messages())
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS), "S")
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, -1, self.machine.log())
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY + "\\MSI", "MODE", view=BITS), "S")

    def test_second_run_of_the_same_build_uninstalls_and_installs_again(self):
        self.assertEqual(self.machine.run_installer("/s").exit_code, 0, self.machine.log())
        first_log_size = len(self.machine.log())
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        second = [r["message"] for r in parse_log(self.machine.log()[first_log_size:])]
        self.assertIn("Kobu with same version 1.8.0_45 exists on the system", second)
        self.assertIn("Executor.exec():  /x %s /qn" % PRODUCT_CODE, second)
        self.assertFalse([m for m in second if m.startswith("uninstall 1.8.0_45 of")], "msiexec succeeded")
        self.assertEqual(second[-1], "Wrapper exit code: 0")
        self.assertInstalledAt(DEFAULT_HOME)


class FailingPackage(Scenario):
    def test_the_package_failure_is_the_exit_code_and_the_runtime_file_comes_back(self):
        if not (FAILING and FAILING_PACKAGE):
            self.skipTest("run through ctest in a Windows tree")
        # What this Windows Installer answers for the package's failure (Windows 1603, Wine 1627).
        expected = self.machine.run_program("msiexec", "/i", self.machine.windows_path_of(FAILING_PACKAGE),
                                            "/qn").exit_code
        self.assertNotEqual(expected, 0)
        self.machine.installer = self.machine.windows_path_of(FAILING)
        self.machine.write_file(RUNTIME_FILE, "INSTALL_SILENT=Enable\r\n")
        result = self.machine.run_installer("/s", "AUTO_UPDATE=Disable")
        self.assertEqual(result.exit_code, expected, self.machine.log())
        self.assertEqual(self.machine.read_file(RUNTIME_FILE), "INSTALL_SILENT=Enable\r\n")
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=BITS), "rolled back")
        self.assertFalse(os.path.exists(self.machine.host_path(DEFAULT_HOME + "release")))
        messages = [r["message"] for r in parse_log(self.machine.log())]
        self.assertEqual(messages[-1], "Wrapper exit code: %d" % expected)


class MismatchedPackage(Scenario):
    def test_a_package_unlike_the_recorded_digest_is_not_run(self):
        if not (MISMATCHED and FAILING_PACKAGE):
            self.skipTest("run through ctest in a Windows tree")
        self.machine.installer = self.machine.windows_path_of(MISMATCHED)
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 1603, self.machine.log())
        self.assertIsNone(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=BITS))
        messages = [r["message"] for r in parse_log(self.machine.log())]
        checks = [m for m in messages if m.startswith("Checksum verification for \"")]
        self.assertEqual(len(checks), 1, messages)
        with open(FAILING_PACKAGE + ".sha256") as f:
            recorded = f.read()
        with open(os.path.join(os.path.dirname(FAILING_PACKAGE), "kobu1.8.0_45.msi.sha256")) as f:
            carried = f.read()
        self.assertTrue(checks[0].endswith("\\kobu1.8.0_45.msi\" file failed: expected=[%s]; actual=[%s]; "
                                           "algorithm=32780." % (recorded, carried)), checks[0])
        self.assertEqual(messages[-1], "Wrapper exit code: 1603")
