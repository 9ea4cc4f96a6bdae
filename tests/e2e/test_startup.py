"""The program starts, logs in the two-line record format and reports through its exit code."""

from harness import BITS, Scenario, installers, parse_log


class Startup(Scenario):
    def test_silent_run_logs_in_records_and_ends_with_its_exit_code(self):
        result = self.machine.run_installer("/s", "INSTALL_SILENT=Enable")
        self.assertEqual(result.exit_code, 0)

        records = parse_log(self.machine.log())
        begin = self.assertLogged(records, "INFO", "Wrapper begin...")
        line = self.assertLogged(records, "INFO", "Running offline Kobu wrapper with command line=</s INSTALL_SILENT=Enable>")
        self.assertEqual(begin["module"], "kobuoffline.exe")
        self.assertEqual(begin["file"], "main_flow.cpp")
        self.assertEqual(begin["pid"], line["pid"])
        self.assertRegex(begin["date"], r"^20\d\d/\d\d/\d\d$")
        self.assertEqual(records[-1]["message"], "Wrapper exit code: 0")

    def test_each_scenario_starts_clean(self):
        self.assertEqual(self.machine.log(), "")
        self.assertIsNone(self.machine.reg_query(r"HKLM\SOFTWARE\Mendara", "MSIStatusError"))

    def test_seeded_values_are_readable(self):
        self.machine.reg_add(r"HKLM\SOFTWARE\Mendara", "InstallStatus", "reinstall", view=64)
        self.assertEqual(self.machine.reg_query(r"HKLM\SOFTWARE\Mendara", "InstallStatus"), "reinstall")
        self.assertIsNone(self.machine.reg_query(r"HKLM\SOFTWARE\Mendara", "InstallStatus", view=32))
        self.machine.write_file("C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg", "INSTALL_SILENT=Enable\n")
        self.assertEqual(self.machine.read_file("C:\\programdata\\corvane\\zarn\\zarn.settings.cfg"),
                         "INSTALL_SILENT=Enable\n")

    @installers(64, 32)
    def test_install_status_is_cleared_at_start_and_end(self):
        self.machine.reg_add(r"HKLM\SOFTWARE\Mendara", "InstallStatus", "reinstall", view=BITS)
        self.assertEqual(self.machine.run_installer("/s").exit_code, 0)
        self.assertIsNone(self.machine.reg_query(r"HKLM\SOFTWARE\Mendara", "InstallStatus", view=BITS))
