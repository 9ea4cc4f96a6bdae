"""The install ping and the latest-version data under Wine in the sealed test network: one body posted to
the production endpoint the options document names, nothing sent without a network, and the out-of-date
runtimes chosen from a locally served families document, and offered for removal after an interactive
install."""

import os
import re

import network
from harness import BITS, OTHER_BITS, RUNTIME_KEY, Scenario, installers
from test_online import banner_bytes, product_site

PING_HOST = "metrics.mendara.example"
RUNTIME_ROOT = "HKLM\\SOFTWARE\\Mendara\\Zarn Runtime Environment\\"
LATEST = os.environ.get("ZARN_LATEST", "")
TEST_PACKAGES = os.environ.get("ZARN_TEST_PACKAGES", "")
OPENING = '<?xml version="1.0" encoding="UTF-8"?> <request> '
FAMILIES = ('<?xml version="1.0" encoding="UTF-8"?>\n<kobuVersions>\n'
            '  <family id="1.6.0"><latestVersion>1.6.0_51</latestVersion>'
            '<baselineVersion>1.6.0_51</baselineVersion></family>\n'
            '  <family id="1.7.0"><latestVersion>1.7.0_60</latestVersion><baselineVersion>1.7.0_51</baselineVersion>'
            '<ranges><range><minVersion>1.7.0_10</minVersion><maxVersion>1.7.0_51</maxVersion></range></ranges>'
            '</family>\n</kobuVersions>\n')


def elements(body):
    """The (name, value) pairs of a ping body, in order."""
    return re.findall(r"<(\w+)>([^<]*)</\1>", body)


@installers(64, 32)
class Ping(Scenario):
    maxDiff = None

    def setUp(self):
        if not network.sealed():
            self.skipTest("runs in the sealed test network (scripts/sealed)")
        super().setUp()

    def test_a_silent_install_posts_one_body_to_the_production_endpoint(self):
        site = product_site(banner_bytes())
        site.page(PING_HOST, "/ping", "")
        with network.Names(), network.Servers(site):
            result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        posts = [r for r in site.requests if r["method"] == "POST"]
        self.assertEqual([(p["host"], p["path"], p["agent"]) for p in posts], [(PING_HOST, "/ping", "zupdate")])
        body = posts[0]["body"].decode("utf-8")
        self.assertTrue(body.startswith(OPENING), body)
        self.assertTrue(body.endswith("</request>"), body)
        self.assertEqual(len(OPENING) + sum(len("<%s>%s</%s>" % (n, v, n)) for n, v in elements(body))
                         + len("</request>"), len(body), "nothing but elements")
        values = dict(elements(body))
        self.assertRegex(values["visitorid"], r"^[0-9a-f]{8,}-[0-9a-f]{8,}$")
        self.assertEqual(values["prop21"], values["visitorid"])
        self.assertRegex(values["prop20"], r"^[0-9a-f]{1,8}$")
        expected = [
            ("sc_xml_ver", "1.0"), ("reportsuiteid", "pellaminstallstat"), ("visitorid", values["visitorid"]),
            ("prop21", values["visitorid"]), ("prop20", values["prop20"]), ("pagename", "ic"), ("evar42", "YY"),
            ("evar24", "0"), ("evar25", "0"), ("evar2", "1.8.0_45-b15"), ("evar15", "1.8.0_45-b15"),
            ("evar40", "-1"), ("evar26", "0"), ("evar27", "2.8.45.15"), ("evar28", "XX"),
            ("evar4", "amd64" if BITS == 64 else "i586"),
            # The prefix's system: 64-bit Windows 7 with its service pack 1, as Wine reports it.
            ("evar5", "amd64"), ("evar6", "win7-sp1"), ("evar7", "zoff"), ("evar8", "NL"),
            ("events", "event6,event7"),
            # A first install on this machine.
            ("evar17", "1"), ("evar18", "false"), ("evar19", "0"),
            # Wine's prefix names "http" itself as the user's choice for http: another browser. No runtime of
            # the installer's own width was there before: the x64 installer reports "XX" as the newest, the
            # x86 one the newest other runtime of its width, of which there is none either.
            ("evar29", "3"), ("evar30", "-1"), ("evar31", "%dbit" % BITS), ("evar%d" % (34 if BITS == 64 else 33), "XX"),
            ("evar50", "B10000"), ("products", ";kobu|0~%dbit" % BITS),
        ]
        self.assertEqual(elements(body), expected)
        self.assertTrue([m for m in self.messages() if m.startswith("Ping Values: $sc_xml_ver#1.0$")])

    def test_the_newest_runtime_before_the_run_is_the_one_of_the_installers_width(self):
        newest = {32: "1.7.0_45", 64: "1.7.0_51"}
        for bits, version in newest.items():
            self.machine.reg_add(RUNTIME_ROOT + version, "ZarnHome", "C:\\Zarn\\" + version, view=bits)
            self.machine.reg_add(RUNTIME_ROOT + version, "BuildNumber", "15", view=bits)
        site = product_site(banner_bytes())
        site.page(PING_HOST, "/ping", "")
        with network.Names(), network.Servers(site):
            result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        body = [r for r in site.requests if r["method"] == "POST"][0]["body"].decode("utf-8")
        values = dict(elements(body))
        reported, absent = ("evar34", "evar33") if BITS == 64 else ("evar33", "evar34")
        self.assertEqual(values[reported], newest[BITS])
        self.assertNotIn(absent, values)

    @installers(64)
    def test_without_a_network_the_install_succeeds_and_no_ping_is_sent(self):
        with network.Names(resolve=False):
            result = self.machine.run_installer("/s")
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertIn("No pings: unallowed url: ", self.messages())

    def test_the_families_document_chooses_the_out_of_date_runtimes(self):
        if not (LATEST and TEST_PACKAGES):
            self.skipTest("run through ctest in a Windows tree")
        for package in ("runtime_1_7_0_45.msi", "runtime_1_6_0_45_as_43.msi"):
            installed = self.machine.run_program(
                "msiexec", "/i", self.machine.windows_path_of(os.path.join(TEST_PACKAGES, package)), "/qn")
            self.assertEqual(installed.exit_code, 0, package)
        site = network.Site()
        site.page("www.zarn.example", "/feeds/zarnLatestVersion.xml", FAMILIES)
        with network.Names(), network.Servers(site):
            completed = self.machine.wine(self.machine.windows_path_of(LATEST))
        self.assertEqual(completed.stdout.splitlines(), ["1.6.0_45 64 in-range", "1.7.0_45 64 in-range"])
        self.assertEqual([(r["method"], r["path"], r["agent"]) for r in site.requests],
                         [("GET", "/feeds/zarnLatestVersion.xml", "ZarnScrub")])


@installers(64, 32)
class RemovalOffer(Scenario):
    """After an interactive install the out-of-date runtimes are offered for removal in an HTML page, which
    Wine cannot show: the offer fails at once instead of holding the run, and nothing is removed. This very
    version of the other width is another runtime, reported with the rest."""

    screen = True

    def setUp(self):
        if not network.sealed():
            self.skipTest("runs in the sealed test network (scripts/sealed)")
        if not TEST_PACKAGES:
            self.skipTest("run through ctest in a Windows tree")
        super().setUp()

    def test_a_page_that_cannot_be_shown_removes_nothing_and_the_ping_says_so(self):
        for package in ("runtime_1_7_0_45.msi", "runtime_1_6_0_45_as_43.msi"):
            installed = self.machine.run_program(
                "msiexec", "/i", self.machine.windows_path_of(os.path.join(TEST_PACKAGES, package)), "/qn")
            self.assertEqual(installed.exit_code, 0, package)
        self.machine.reg_add(RUNTIME_KEY, "ZarnHome", "C:\\Zarn\\other", view=OTHER_BITS)
        self.machine.reg_add(RUNTIME_KEY, "BuildNumber", "15", view=OTHER_BITS)
        site = product_site(banner_bytes())
        site.page("www.zarn.example", "/feeds/zarnLatestVersion.xml", FAMILIES)
        site.page(PING_HOST, "/ping", "")
        with network.Names(), network.Servers(site):
            installer = self.machine.start_installer()
            self.machine.zui("wait-dialog", 110, "click", 1, "wait-dialog", 117, 120000, "click", 2)
            result = self.machine.finish(installer)
        self.assertEqual(result.exit_code, 0, self.machine.log())
        self.assertIn("INFO: Out-of-date Zarn versions detected: 2", self.machine.log())
        self.assertIn("zarnscrub.html failed to load: navigation error", self.machine.log())
        for version in ("1.7.0_45", "1.6.0_45"):
            self.assertIsNotNone(self.machine.reg_query(RUNTIME_ROOT + version, "ZarnHome"), version + " is kept")
        posts = [r for r in site.requests if r["method"] == "POST"]
        self.assertEqual(len(posts), 1)
        values = dict(elements(posts[0]["body"].decode("utf-8")))
        # All present, none offered nor kept by the user: reported as secure, nothing uninstalled. The 32-bit
        # view is read first.
        other = "unkobu~-22~1.8.0_45:%d;" % OTHER_BITS
        self.assertEqual(values["list1"], (other if OTHER_BITS == 32 else "") +
                         "unkobu~-22~1.6.0_45:64;unkobu~-22~1.7.0_45:64;" + (other if OTHER_BITS == 64 else "") +
                         "uninstaller~ua100~XX")
