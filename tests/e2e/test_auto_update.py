"""The auto-update component under Wine: installed after the runtime (on a clean machine: test_install),
replaced when older with the user's schedule and notify choice kept, and installed disabled on request."""

import os

from harness import DEFAULT_HOME, Scenario, installers

AU_KEY = "HKLM\\SOFTWARE\\Mendara\\Auto Update"
POLICY_KEY = "HKLM\\SOFTWARE\\Mendara\\Zarn Update\\Policy"
RUN_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
COMPONENT_DIR = "C:\\Program Files (x86)\\Common Files\\Zarn\\Zarn Update\\"
AU_POLICY = os.environ.get("ZARN_AU_POLICY", "")
AU_PACKAGES = os.environ.get("ZARN_AU_PACKAGES", "")
PRODUCT_CODE = "{5B14817A-777B-4148-8888-6A3859875E21}"


def assert_registered_and_scheduled(test):
    """What a first install on a clean machine leaves of the component (asserted in test_install's run)."""
    test.assertEqual(test.machine.reg_query(AU_KEY, "AUVersion", view=32), "2.8.45.15")
    for program in ("zaureg.exe", "zusched.exe"):
        test.assertTrue(os.path.exists(test.machine.host_path(COMPONENT_DIR + program)), program)
    test.assertEqual(test.machine.reg_query(AU_KEY + "\\Registered", "kobu", view=32), "1.8.0_45-b15")
    test.assertEqual(test.machine.reg_query(RUN_KEY, "PellamZarnUpdateSched", view=32), COMPONENT_DIR + "zusched.exe")
    test.assertEqual(test.machine.reg_query(AU_KEY, "DISABLE", view=32), "")
    test.assertIn("Auto Update is enabled", test.messages())
    test.assertTrue(os.path.exists(test.machine.host_path(
        "C:\\users\\%s\\AppData\\LocalLow\\Corvane\\Zarn\\AU\\au.msi" % test.machine.user_name())))


@installers(64, 32)
class AutoUpdate(Scenario):
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

    def test_older_component_is_replaced_and_the_schedule_kept(self):
        self.install_component("2.7.0.5")
        for name, value in (("Frequency", 0x0204), ("UpdateSchedule", 13), ("UpdateMin", 45),
                            ("NotifyDownload", 0), ("NotifyInstall", 1)):
            self.machine.reg_add(POLICY_KEY, name, value, kind="REG_DWORD", view=32)
        self.assertExits(0, "/s")
        self.assertInstalledWithTheRuntime()
        messages = self.messages()
        uninstall = [m for m in messages if m.startswith("Executor.exec(): ") and " /x " + PRODUCT_CODE in m]
        self.assertEqual(len(uninstall), 1, messages)
        for failure in ("getSchedule failed", "getNotifyType failed", "Failed to get existing AU schedule"):
            self.assertFalse([m for m in messages if failure in m], messages)
        self.assertEqual(self.policy(1), {"schedule": "516 13 45", "stored": "1", "notify": "1"})
        self.assertIsNotNone(self.machine.reg_query(POLICY_KEY + "\\zucheck", "UpdateSchedule", view=32))

    def test_auto_update_off_installs_the_component_disabled(self):
        self.assertExits(0, "/s", "AUTO_UPDATE=0")
        self.assertInstalledWithTheRuntime()
        self.assertEqual(self.au("DISABLE"), "1")
        self.assertIn("Auto Update is disabled via configuration settings", self.messages())
