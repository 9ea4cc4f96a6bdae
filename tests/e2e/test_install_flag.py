"""Only one installer runs at a time: the flag file decides."""

from harness import FLAG_HOLDER, Scenario, parse_log


class InstallFlag(Scenario):
    def test_held_flag_refuses_then_a_left_over_file_does_not_block(self):
        holder = self.machine.start(FLAG_HOLDER, "20")
        try:
            self.assertEqual(holder.stdout.readline().strip(), "holding")
            refused = self.machine.run_installer("/s")
            self.assertEqual(refused.exit_code, -1)
            records = parse_log(self.machine.log())
            self.assertLogged(records, "INFO", "Another Zarn installation is in progress. You must complete that "
                                               "installation before you can run this installer.")
            self.assertNotIn("Wrapper exit code: -1", [r["message"] for r in records])
        finally:
            holder.kill()
            holder.wait()
            holder.stdout.close()

        # A crashed run leaves the file behind; the next run deletes it and goes on.
        flag = "C:\\users\\%s\\AppData\\LocalLow\\Pellam\\Zarn\\ZARN_INSTALL_FLAG" % self.machine.user_name()
        self.machine.write_file(flag, "")
        self.assertEqual(self.machine.run_installer("/s").exit_code, 0)
        self.assertIsNone(self.machine.read_file(flag))
