"""The reinstall rules under Wine: what an installed copy of this very version does to a run."""

from harness import Scenario, parse_log

RUNTIME_KEY = "HKLM\\SOFTWARE\\Mendara\\Zarn Runtime Environment\\1.8.0_45"
SAME_VERSION_CODE = "{37B35BF5-14AE-4DB5-98C5-3A96418045F0}"


class Reinstall(Scenario):
    def seed_same_version(self, build, mode=None):
        self.machine.reg_add(RUNTIME_KEY, "ZarnHome", "C:\\Program Files\\Zarn\\jre1.8.0_45")
        self.machine.reg_add(RUNTIME_KEY, "BuildNumber", build)
        if mode is not None:
            self.machine.reg_add(RUNTIME_KEY + "\\MSI", "MODE", mode)

    def test_newer_build_of_this_version_stops_a_silent_run_with_0(self):
        self.seed_same_version("16")
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0)
        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Existing build: 16 is newer than current build: 15")
        self.assertLogged(records, "INFO", "A newer Kobu  build already exists. Exit install")

    def test_static_copy_refuses_a_silent_run_without_static(self):
        self.seed_same_version("15", mode="s")
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, -1)
        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Kobu with same version 1.8.0_45 exists on the system")
        self.assertNotIn("Wrapper exit code: -1", [r["message"] for r in records])

    def test_registered_same_version_is_uninstalled_with_real_msiexec_first(self):
        # The product is registered but unknown to Windows Installer: msiexec refuses, the run goes on.
        self.seed_same_version("15")
        self.machine.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + SAME_VERSION_CODE,
                             "DisplayName", "Zarn 8 Update 45 (64-bit)")
        result = self.machine.run_installer("/s")
        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Executor.exec():  /x %s /qn" % SAME_VERSION_CODE)
        failed = [r["message"] for r in records
                  if r["message"].startswith("uninstall 1.8.0_45 of %s failed.  ErrorCode: " % SAME_VERSION_CODE)]
        self.assertTrue(failed, "msiexec ran and its refusal was logged")
        self.assertNotEqual(result.exit_code, -1)
