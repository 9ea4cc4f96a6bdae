"""The install configuration: command line, install configuration file and runtime file."""

from harness import Scenario, parse_log

INSTALL_FILE = "C:\\admin\\zarn.cfg"
RUNTIME_FILE = "C:\\ProgramData\\Corvane\\Zarn\\zarn.settings.cfg"


def dump(records, title):
    """The message of the configuration dump with this title."""
    head = "|------%s--------|" % title
    for record in records:
        if record["level"] == "INFO" and record["message"].startswith(head):
            return record["message"]
    raise AssertionError("no dump titled %r" % title)


class Configuration(Scenario):
    def assertConfigurationRefused(self, records):
        self.assertLogged(records, "ERROR", "Error occurred while loading configuration settings. Exiting installer.")
        messages = [r["message"] for r in records]
        self.assertFalse(any(m.startswith("Wrapper exit code") for m in messages), messages)

    def test_unknown_key_ends_the_run_with_minus_80(self):
        self.assertExits(-80, "/s", "FOO=1")

        records = parse_log(self.machine.log())
        self.assertLogged(records, "ERROR", "arg FOO=1 is not supported")
        self.assertLogged(records, "INFO", "Unable to install Zarn\n\nThere are errors in the following switches:\n"
                                           "\"FOO=1\";.\n\nCheck that the commands are valid and try again.")
        self.assertLogged(records, "ERROR", "Error occurred while importing important args. Exiting installer.")
        self.assertConfigurationRefused(records)
        self.assertIsNone(self.machine.read_file(RUNTIME_FILE))

    def test_malformed_install_configuration_file_ends_the_run_with_minus_80(self):
        self.machine.write_file(INSTALL_FILE, "EULA=Enable\r\nAUTO_UPDATE=Disable\r\nSPONSORS=perhaps\r\n")
        self.assertExits(-80, "/s", "INSTALLCFG=" + INSTALL_FILE)

        records = parse_log(self.machine.log())
        self.assertLogged(records, "INFO", "Path to the install configuration file is set to " + INSTALL_FILE)
        self.assertLogged(records, "INFO", "Unable to install Zarn\n\nConfiguration file " + INSTALL_FILE +
                                           " is malformed in line 3.\nCheck data and formatting of the file.")
        self.assertLogged(records, "ERROR", "Install Configuration file import failed with 313")
        self.assertLogged(records, "ERROR",
                          "Error occurred while importing configuration settings. Exiting installer.")
        self.assertConfigurationRefused(records)

    def test_valid_install_configuration_file_is_read(self):
        self.machine.write_file(RUNTIME_FILE, "SPONSORS=Disable\r\n")
        self.machine.write_file(INSTALL_FILE, "# set by the administrator\r\nEULA=Enable\r\nauto_update=Disable\r\n")
        self.assertExits(0, "/s", "INSTALLCFG=" + INSTALL_FILE, "WEB_ANALYTICS=Disable")

        records = parse_log(self.machine.log())
        working = dump(records, "!!!!Working config!!!!")
        for line in ("INSTALL_SILENT = Disable", "AUTO_UPDATE = Disable", "SPONSORS = Disable", "WEB_ANALYTICS = Disable",
                     "EULA = Enable", "INSTALLCFG = " + INSTALL_FILE, "/s = 1"):
            self.assertIn("\n" + line + "\n", working)
        self.assertEqual(dump(records, "Config to export"),
                         "|------Config to export--------|\n\nAUTO_UPDATE = Disable\nSPONSORS = Disable\n"
                         "WEB_ANALYTICS = Disable\nEULA = Enable\n|-------------------------------------|\n")
        self.assertIn("\nSPONSORS = Disable\n", dump(records, "Config to backup"))
        self.assertEqual(records[-1]["message"], "Wrapper exit code: 0")
        # The install succeeded, so the exported settings stay for the runtime.
        self.assertEqual(self.machine.read_file(RUNTIME_FILE),
                         "AUTO_UPDATE=Disable\r\nEULA=Enable\r\nSPONSORS=Disable\r\nWEB_ANALYTICS=Disable\r\n")
