"""The auto-update component under Wine: installed after the runtime, left alone when newer, replaced
when older with the user's schedule and notify choice kept, and installed disabled on request."""

import os

from harness import DEFAULT_HOME, Scenario, installers

AU_KEY = "HKLM\\SOFTWARE\\Mendara\\Auto Update"
POLICY_KEY = "HKLM\\SOFTWARE\\Mendara\\Zarn Update\\Policy"
RUN_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
COMPONENT_DIR = "C:\\Program Files (x86)\\Common Files\\Zarn\\Zarn Update\\"
AU_POLICY = os.environ.get("ZARN_AU_POLICY", "")
AU_PACKAGES = os.environ.get("ZARN_AU_PACKAGES", "")
PRODUCT_CODE = "{5B14817A-777B-4148-8888-6A3859875E21}"


@installers(64, 32)
class AutoUpdate(Scenario):
    def setUp(self):
        if not (AU_POLICY and AU_PACKAGES):
            self.skipTest("run through ctest in a Windows tree")
        super().setUp()

    def au(self, name):
        return self.machine.reg_query(AU_KEY, name, view=32)

    def install_component(self, version):
        package = self.machine.windows_path_of(os.path.join(AU_PACKAGES, "au%s.msi" % version))
        result = self.machine.run_program("msiexec", "/i", package, "ALLUSERS=1", "/qn")
        self.assertEqual(result.exit_code, 0)
        self.assertEqual(self.au("AUVersion"), version)

    def policy(self, mode):
        completed = self.machine.wine(self.machine.windows_path_of(AU_POLICY), str(mode))
        return dict(line.split(": ", 1) for line in completed.stdout.splitlines() if ": " in line)

    def assertInstalledWithTheRuntime(self):
        self.assertEqual(self.au("AUVersion"), "2.8.45.15")
        self.assertInstalledAt(DEFAULT_HOME)

    def test_clean_machine_gets_the_component_registered_and_scheduled(self):
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledWithTheRuntime()
        for program in ("zaureg.exe", "zusched.exe"):
            self.assertTrue(os.path.exists(self.machine.host_path(COMPONENT_DIR + program)), program)
        self.assertEqual(self.machine.reg_query(AU_KEY + "\\Registered", "kobu", view=32), "1.8.0_45-b15")
        self.assertEqual(self.machine.reg_query(RUN_KEY, "PellamZarnUpdateSched", view=32),
                         COMPONENT_DIR + "zusched.exe")
        self.assertEqual(self.au("DISABLE"), "")
        self.assertIn("Auto Update is enabled", self.messages())
        self.assertTrue(os.path.exists(self.machine.host_path(
            "C:\\users\\%s\\AppData\\LocalLow\\Corvane\\Zarn\\AU\\au.msi" % self.machine.user_name())))

    def test_older_component_is_replaced_and_the_schedule_kept(self):
        self.install_component("2.7.0.5")
        for name, value in (("Frequency", 0x0204), ("UpdateSchedule", 13), ("UpdateMin", 45),
                            ("NotifyDownload", 0), ("NotifyInstall", 1)):
            self.machine.reg_add(POLICY_KEY, name, value, kind="REG_DWORD", view=32)
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledWithTheRuntime()
        messages = self.messages()
        uninstall = [m for m in messages if m.startswith("Executor.exec(): ") and " /x " + PRODUCT_CODE in m]
        self.assertEqual(len(uninstall), 1, messages)
        for failure in ("getSchedule failed", "getNotifyType failed", "Failed to get existing AU schedule"):
            self.assertFalse([m for m in messages if failure in m], messages)
        self.assertEqual(self.policy(1), {"schedule": "516 13 45", "stored": "1", "notify": "1"})
        self.assertIsNotNone(self.machine.reg_query(POLICY_KEY + "\\zucheck", "UpdateSchedule", view=32))

    def test_newer_component_is_left_alone(self):
        self.install_component("2.8.51.3")
        result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledAt(DEFAULT_HOME)
        self.assertEqual(self.au("AUVersion"), "2.8.51.3")
        self.assertIn("AU is not upgradable - Installed version >= the bundled version.\n", self.messages())

    def test_auto_update_off_installs_the_component_disabled(self):
        result = self.machine.run_installer("/s", "AUTO_UPDATE=0")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertInstalledWithTheRuntime()
        self.assertEqual(self.au("DISABLE"), "1")
        self.assertIn("Auto Update is disabled via configuration settings", self.messages())
