"""Three installers started at the same moment on one machine: exactly one installs, the others are
refused by the install flag and leave nothing behind, and the runtime configuration file ends intact."""

from harness import DEFAULT_HOME, PRODUCT_CODE, RUNTIME_KEY, Scenario, parse_log

RUNTIME_FILE = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg"
REFUSED = -1
REFUSAL_LINES = ("Another Zarn installation is in progress", "Fail to set installation flag, ErrorCode is ")
ROUNDS = 10


class Concurrency(Scenario):
    def test_one_of_three_installs_the_others_are_refused(self):
        for round_ in range(ROUNDS):
            with self.subTest(round=round_):
                self.machine.write_file(RUNTIME_FILE, "EULA=Enable\r\n")
                if self.machine.reg_query(RUNTIME_KEY, "BuildNumber") is not None:
                    self.assertEqual(self.machine.run_program("msiexec", "/x", PRODUCT_CODE,
                                                              "/qn").exit_code, 0)
                before = len(self.machine.log())
                started = [self.machine.start_installer("/s", "INSTALL_SILENT=Enable") for _ in range(3)]
                codes = sorted(self.machine.finish(p).exit_code for p in started)
                self.assertEqual(codes, [REFUSED, REFUSED, 0], self.machine.log()[-3000:])
                # A run that finds the flag held says so; one that lost the race to take it between its
                # check and its own attempt says that instead.
                messages = [r["message"] for r in parse_log(self.machine.log()[before:])]
                refusals = [m for m in messages if m.startswith(REFUSAL_LINES)]
                self.assertEqual(len(refusals), 2, messages)
                self.assertEqual(len([m for m in messages if m.startswith("Wrapper: Extract MSI")]), 1,
                                 "the refused runs write no package")
                self.assertInstalledAt(DEFAULT_HOME)
                self.assertEqual(self.machine.read_file(RUNTIME_FILE), "EULA=Enable\r\nINSTALL_SILENT=Enable\r\n")
