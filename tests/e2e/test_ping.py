"""The install ping and the latest-version data under Wine in the sealed test network: one body posted to
the production endpoint the options document names, after the options, the country and the banner; the
out-of-date runtimes chosen from a locally served families document, and offered for removal after an
interactive install."""

import os
import re

import network
from harness import BITS, OTHER_BITS, RUNTIME_KEY, installers
from test_online import METRICS, OPTIONS_PATH, POLICY, Sealed, banner_bytes, banner_path, product_site

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
class Ping(Sealed):
    maxDiff = None

    def test_a_silent_install_takes_options_country_and_banner_and_posts_one_body(self):
        site = product_site(banner_bytes())
        site.page(PING_HOST, "/ping", "")
        with network.Names(), network.Servers(site):
            self.assertExits(0, "/s")
        asked = [(r["method"], r["host"], r["path"], r["agent"]) for r in site.requests]
        self.assertEqual(asked, [("GET", "dl.zarn.example", OPTIONS_PATH, "zarn_installer"),
                                 ("HEAD", "geo.zarn.example", "/country", "zucheck"),
                                 ("GET", "dl.zarn.example", "/images/ZarnBanner_en.jpg", "zarn_installer"),
                                 ("POST", PING_HOST, "/ping", "zupdate")], self.machine.log())
        self.assertEqual(self.machine.reg_query(POLICY, "Country", view=BITS), "NL")
        self.assertIn("Save Country Code NL after GetCountry()", self.messages())
        with open(self.machine.host_path(banner_path(self.machine)), "rb") as kept:
            self.assertEqual(kept.read(), banner_bytes())
        # The ping's address is the product's, so the run was counted: a first install on this machine.
        self.assertEqual(self.machine.reg_query(METRICS, "MachineCount", view=32), "0x1")
        self.assertEqual(self.machine.reg_query(METRICS, "UpdateCount", view=32), "0x0")
        self.assertEqual(self.machine.reg_query(METRICS, "KobuVersion", view=32), "1.8.0_45-b15")
        self.assertIsNone(self.machine.reg_query(METRICS, "InstallAttempts", view=32))
        body = site.requests[-1]["body"].decode("utf-8")
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

    def test_the_newest_runtime_of_the_installers_width_is_reported_and_a_foreign_banner_deleted(self):
        newest = {32: "1.7.0_45", 64: "1.7.0_51"}
        for bits, version in newest.items():
            self.machine.reg_add(RUNTIME_ROOT + version, "ZarnHome", "C:\\Zarn\\" + version, view=bits)
            self.machine.reg_add(RUNTIME_ROOT + version, "BuildNumber", "15", view=bits)
        # The banner served is not the published one: it is deleted.
        site = product_site(b"a picture someone else made")
        site.page(PING_HOST, "/ping", "")
        with network.Names(), network.Servers(site):
            self.assertExits(0, "/s")
        self.assertIsNone(self.machine.read_file(banner_path(self.machine)))
        lines = [m for m in self.messages() if m.startswith("Checksum verification for ")]
        self.assertEqual(len(lines), 1, self.machine.log())
        self.assertTrue(lines[0].startswith('Checksum verification for "%s" file failed: expected=[' % banner_path(self.machine)))
        self.assertTrue(lines[0].endswith("]; algorithm=32780."))
        body = [r for r in site.requests if r["method"] == "POST"][0]["body"].decode("utf-8")
        values = dict(elements(body))
        reported, absent = ("evar34", "evar33") if BITS == 64 else ("evar33", "evar34")
        self.assertEqual(values[reported], newest[BITS])
        self.assertNotIn(absent, values)


@installers(64, 32)
class RemovalOffer(Sealed):
    """After an interactive install the out-of-date runtimes are offered for removal in an HTML page, which
    Wine cannot show: the offer fails at once instead of holding the run, and nothing is removed. This very
    version of the other width is another runtime, reported with the rest. The removal's own program then
    chooses the same runtimes from the families document."""

    screen = True

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
            self.assertFinishes(installer)
            before = len(site.requests)
            completed = self.machine.wine(self.machine.windows_path_of(LATEST))
        self.assertEqual(completed.stdout.splitlines(), ["1.6.0_45 64 in-range", "1.7.0_45 64 in-range"])
        self.assertEqual([(r["method"], r["path"], r["agent"]) for r in site.requests[before:]],
                         [("GET", "/feeds/zarnLatestVersion.xml", "ZarnScrub")])
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
