"""The reinstall rules under Wine: what an installed copy of this very version does to a run, and that a copy
of the other architecture, in the other registry view, does nothing to it."""

from harness import BITS, OTHER_BITS, PRODUCT_CODE, RUNTIME_KEY, Scenario, installers, parse_log


@installers(64, 32)
class Reinstall(Scenario):
    def seed_same_version(self, build, mode=None, view=BITS):
        self.machine.reg_add(RUNTIME_KEY, "ZarnHome", "C:\\Program Files\\Zarn\\jre1.8.0_45", view=view)
        self.machine.reg_add(RUNTIME_KEY, "BuildNumber", build, view=view)
        if mode is not None:
            self.machine.reg_add(RUNTIME_KEY + "\\MSI", "MODE", mode, view=view)

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

    def test_a_newer_static_copy_of_the_other_architecture_is_not_this_one(self):
        self.seed_same_version("16", mode="S", view=OTHER_BITS)
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertIn("No same version Kobu exists", self.messages())
        self.assertEqual(self.messages()[-1], "Wrapper exit code: 0")
        self.assertEqual(self.machine.reg_query(RUNTIME_KEY, "BuildNumber", view=OTHER_BITS), "16", "left alone")

    def test_registered_same_version_is_uninstalled_with_real_msiexec_first(self):
        # The product is registered but unknown to Windows Installer: msiexec refuses, the run goes on.
        self.seed_same_version("15")
        self.machine.reg_add("HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + PRODUCT_CODE,
                             "DisplayName", "Zarn 8 Update 45", view=BITS)
        result = self.machine.run_installer("/s")
        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Executor.exec():  /x %s /qn" % PRODUCT_CODE)
        failed = [r["message"] for r in records
                  if r["message"].startswith("uninstall 1.8.0_45 of %s failed.  ErrorCode: " % PRODUCT_CODE)]
        self.assertTrue(failed, "msiexec ran and its refusal was logged")
        self.assertNotEqual(result.exit_code, -1)
