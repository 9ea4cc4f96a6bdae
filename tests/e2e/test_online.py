"""The installer's online step under Wine in the sealed test network: the options document at the product's
own address (the whole online run is asserted with its ping in test_ping), the banner, the metrics it
keeps, and what an offline run costs (sending no ping) when there is no network, a name server that never
answers, or a server that never replies."""

import contextlib
import datetime
import os

import network
from harness import BITS, DEFAULT_HOME, Scenario, parse_log

OPTIONS_PATH = "/update/1.8.0/1.8.0_45-b15.xml"
BANNER = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "banner", "ZarnBanner.jpg")
POLICY = "HKLM\\SOFTWARE\\Mendara\\Zarn Update\\Policy"
METRICS = "HKLM\\Software\\KobuMetrics"
# What an offline run may spend on the network: from the package's extraction to its command line.
OFFLINE_BUDGET = datetime.timedelta(seconds=1)
# A country server that takes each connection and never answers, beside the answering servers.
SILENT_PORT = 8443
SILENT_COUNTRY = "https://geo.zarn.example:%d/country" % SILENT_PORT
# Dialog templates and buttons of an interactive run.
WELCOME, COMPLETE, OK, CANCEL = 110, 117, 1, 2


def options_document(ping="https://metrics.mendara.example/ping", country="https://geo.zarn.example/country"):
    return ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<zarn-update>\n"
            "  <information version=\"1.0\" xml:lang=\"en\">\n"
            "    <post-status>%s</post-status>\n"
            "    <cntry-lookup>%s</cntry-lookup>\n"
            "    <msi-url>https://dl.zarn.example/images</msi-url>\n"
            "  </information>\n</zarn-update>\n" % (ping, country))


def product_site(banner):
    site = network.Site()
    site.page("dl.zarn.example", OPTIONS_PATH, options_document())
    site.page("geo.zarn.example", "/country", headers={"COUNTRY": "NL"})
    site.page("dl.zarn.example", "/images/ZarnBanner_en.jpg", banner)
    return site


def banner_bytes():
    with open(BANNER, "rb") as f:
        return f.read()


class Sealed(Scenario):
    def setUp(self):
        if not network.sealed():
            self.skipTest("runs in the sealed test network (scripts/sealed)")
        super().setUp()


def banner_path(machine):
    return "C:\\users\\%s\\AppData\\LocalLow\\Pellam\\Zarn\\kobu1.8.0_45\\ZarnBanner.jpg" % machine.user_name()


class Online(Sealed):
    def test_without_web_analytics_nothing_is_posted_and_the_metrics_stay(self):
        # What earlier runs left: the counts of an older build and an offer count the report would take.
        self.machine.reg_add(METRICS, "MachineCount", 1, kind="REG_DWORD", view=32)
        self.machine.reg_add(METRICS, "UpdateCount", 4, kind="REG_DWORD", view=32)
        self.machine.reg_add(METRICS, "KobuVersion", "1.8.0_40-b26", view=32)
        self.machine.reg_add(METRICS, "OfferedSPCnt", 2, kind="REG_DWORD", view=BITS)
        site = product_site(banner_bytes())
        site.page("metrics.mendara.example", "/ping", "")
        with network.Names(), network.Servers(site):
            self.assertExits(0, "/s", "WEB_ANALYTICS=Disable")
        # A silent run asks for the country too.
        self.assertEqual([(r["method"], r["host"], r["path"]) for r in site.requests],
                         [("GET", "dl.zarn.example", OPTIONS_PATH), ("HEAD", "geo.zarn.example", "/country"),
                          ("GET", "dl.zarn.example", "/images/ZarnBanner_en.jpg")])
        self.assertIn("Pings disabled.", self.messages())
        self.assertEqual(self.machine.reg_query(METRICS, "MachineCount", view=32), "0x1")
        self.assertEqual(self.machine.reg_query(METRICS, "UpdateCount", view=32), "0x4")
        self.assertEqual(self.machine.reg_query(METRICS, "KobuVersion", view=32), "1.8.0_40-b26")
        self.assertIsNone(self.machine.reg_query(METRICS, "InstallAttempts", view=32))
        self.assertEqual(self.machine.reg_query(METRICS, "OfferedSPCnt", view=BITS), "0x2")
        self.assertIsNone(self.machine.reg_query(POLICY, "VisitorId", view=BITS))

    def test_a_failing_install_counts_an_attempt(self):
        with network.Names(), network.Servers(product_site(banner_bytes())):
            result = self.machine.run_program(self.machine.windows_path_of(os.environ["ZARN_KOBUOFFLINE_FAILING"]), "/s")
        self.assertNotEqual(result.exit_code, 0)
        self.assertEqual(self.machine.reg_query(METRICS, "InstallAttempts", view=32), "0x1")
        self.assertEqual(self.machine.reg_query(METRICS, "NewKobuVersion", view=32), "1.8.0_45-b15")
        self.assertIsNone(self.machine.reg_query(METRICS, "MachineCount", view=32))

    # --- offline --------------------------------------------------------------------------------

    def network_time(self):
        """How long the run spent between extracting the package and composing its command line."""
        records = parse_log(self.machine.log())
        stamp = {}
        for r in records:
            if r["message"] in ("Wrapper: Extract MSI ...",) or r["message"].startswith("MSI command line: "):
                stamp.setdefault(r["message"][:10], datetime.datetime.strptime(r["date"] + " " + r["time"],
                                                                               "%Y/%m/%d %H:%M:%S.%f"))
        return stamp["MSI comman"] - stamp["Wrapper: E"]

    def assertOfflineRun(self, names, servers=contextlib.nullcontext()):
        with names, servers:
            self.assertExits(0, "/s")
        self.assertLess(self.network_time(), OFFLINE_BUDGET, self.machine.log())
        self.assertIsNone(self.machine.reg_query(POLICY, "Country"))
        self.assertTrue(os.path.exists(self.machine.host_path(DEFAULT_HOME + "release")))

    def test_offline_without_any_network_and_no_ping_is_sent(self):
        self.assertOfflineRun(network.Names(resolve=False))
        self.assertIn("No pings: unallowed url: ", self.messages())

    def test_offline_with_a_name_server_that_never_answers(self):
        self.assertOfflineRun(network.Names(resolve=False, black_hole=True))

    def test_offline_with_a_server_that_never_replies(self):
        self.assertOfflineRun(network.Names(), network.Servers(silent=True))


class OnlineInteractive(Sealed):
    screen = True

    def test_a_country_server_that_never_answers_leaves_nothing_behind(self):
        # The options document answers; the country request meets a server that takes the connection and
        # never answers, so the request is left running at its deadline.
        site = network.Site()
        site.page("dl.zarn.example", OPTIONS_PATH, options_document(country=SILENT_COUNTRY))
        with network.Names(), network.Servers(site), network.Servers(silent=True, ports=(SILENT_PORT,)):
            installer = self.machine.start_installer()
            pairs = self.machine.zui("wait-dialog", WELCOME, 60000, "windows", "click", OK,
                                     "wait-dialog", COMPLETE, 120000, "click", CANCEL)
            self.assertFinishes(installer, timeout=60)
        self.assertEqual([v for k, v in pairs if k == "window"], ["Zarn Setup - Welcome"], "no window but the page")
        self.assertIn("A request did not end 200 ms after its handles were closed; it is left to end by itself",
                      self.messages())
        self.assertEqual(self.messages()[-1], "Wrapper exit code: 0")
        self.assertIsNone(self.machine.reg_query(POLICY, "Country"))
        self.assertInstalledAt(DEFAULT_HOME)
