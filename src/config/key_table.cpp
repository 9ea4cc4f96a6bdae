#include "config/key_table.h"

#include <array>

namespace config {

namespace {

constexpr KeyKind E = KeyKind::enableDisable;
constexpr KeyKind S = KeyKind::string;
constexpr KeyKind D = KeyKind::directory;
constexpr KeyKind L = KeyKind::level;
constexpr KeyKind I = KeyKind::integer;
constexpr KeyKind W = KeyKind::switchOnly;

//                                    key                       kind x  c  m  n  f  p  e
constexpr std::array<KeyRecord, 46> records = {{
    {"INSTALL_SILENT", E, 1, 1, 0, 0, 0, 0, 0},
    {"STATIC", E, 0, 1, 0, 0, 0, 0, 0},
    {"AUTO_UPDATE", E, 1, 1, 0, 0, 0, 0, 0},
    {"SPONSORS", E, 1, 1, 0, 0, 0, 0, 0},
    {"WEB_ZARN", E, 0, 1, 0, 0, 0, 0, 0},
    {"WEB_ANALYTICS", E, 1, 1, 0, 0, 0, 0, 0},
    {"EULA", E, 1, 1, 0, 0, 0, 0, 0},
    {"OEMUPDATE", E, 0, 1, 0, 0, 0, 0, 0},
    {"DYNAMICBASELINEOFF", E, 0, 0, 0, 0, 0, 0, 0},
    {"NO_VERIFY", E, 0, 0, 0, 0, 0, 0, 0},
    {"REPAIRMODE", E, 0, 1, 0, 0, 0, 0, 0},
    {"LAUNCHEDFROMTULK", E, 0, 0, 0, 0, 0, 0, 0},
    {"FAMILYUPGRADE", E, 0, 0, 0, 0, 0, 0, 0},
    {"RUNONCE", E, 0, 0, 0, 0, 0, 0, 0},
    {"PIP", E, 0, 1, 0, 0, 0, 0, 0},
    {"REINSTALL_NO_PROMPT", E, 0, 1, 0, 0, 0, 0, 0},
    {"TEST_FINAL_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_PROGRESS_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_WELCOME_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_CHANGE_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_SETUPERROR_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_ERRORHELP_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_RETRYSPLASH_DIALOG", E, 0, 0, 0, 0, 0, 0, 0},
    {"NOSTARTMENU", E, 0, 1, 0, 0, 0, 0, 0},
    {"INSTALLDIR", D, 0, 1, 0, 0, 0, 0, 0},
    {"/INSTALLDIRPUBKOBU", D, 0, 1, 0, 0, 0, 0, 0},
    {"INSTALLCFG", D, 0, 1, 0, 0, 0, 0, 0},
    {"COUNTRYOVERRIDE", S, 0, 0, 0, 0, 0, 0, 0},
    {"/installurl", S, 0, 0, 0, 0, 0, 0, 0},
    {"/installmethod", S, 0, 1, 0, 0, 0, 0, 0},
    {"SPONSORPREF", S, 0, 0, 0, 0, 0, 0, 0},
    {"ADDLOCAL", S, 0, 0, 1, 0, 0, 0, 0},
    {"REBOOT", S, 0, 0, 1, 0, 0, 0, 0},
    {"USAGETRACKER_CFG", D, 0, 1, 0, 0, 1, 1, 1},
    {"DEPLOYMENT_RULE_SET", D, 0, 1, 0, 0, 1, 0, 1},
    {"MSI_CMDLINE", S, 0, 0, 0, 0, 0, 0, 0},
    {"CMDLINE", S, 0, 0, 0, 0, 0, 0, 0},
    {"WEB_ZARN_SECURITY_LEVEL", L, 0, 1, 0, 0, 0, 0, 0},
    {"/lang", I, 0, 0, 0, 0, 0, 0, 0},
    {"TEST_CONFIG_FILE_ERRORS", I, 0, 0, 0, 0, 0, 0, 0},
    {"/s", W, 0, 0, 0, 0, 0, 0, 0},
    {"/h", W, 0, 0, 0, 0, 0, 0, 0},
    {"-download", W, 0, 0, 0, 0, 0, 0, 0},
    {"-no_override", W, 0, 0, 0, 0, 0, 0, 0},
    {"/q", W, 0, 0, 1, 1, 0, 0, 0},
    {"/l", W, 0, 0, 1, 1, 0, 0, 0},
}};

constexpr std::array<const char*, 24> enableDisable = {
    "INSTALL_SILENT",         "STATIC",           "AUTO_UPDATE",         "SPONSORS",
    "WEB_ZARN",               "WEB_ANALYTICS",    "EULA",                "OEMUPDATE",
    "DYNAMICBASELINEOFF",     "NO_VERIFY",        "REPAIRMODE",          "LAUNCHEDFROMTULK",
    "FAMILYUPGRADE",          "RUNONCE",          "PIP",                 "REINSTALL_NO_PROMPT",
    "NOSTARTMENU",            "TEST_FINAL_DIALOG", "TEST_PROGRESS_DIALOG", "TEST_WELCOME_DIALOG",
    "TEST_CHANGE_DIALOG",     "TEST_SETUPERROR_DIALOG", "TEST_ERRORHELP_DIALOG", "TEST_RETRYSPLASH_DIALOG",
};

constexpr std::array<const char*, 13> strings = {
    "INSTALLDIR",       "INSTALLCFG", "/INSTALLDIRPUBKOBU", "COUNTRYOVERRIDE",     "/installurl",
    "/installmethod",   "SPONSORPREF", "ADDLOCAL",          "REBOOT",              "USAGETRACKER_CFG",
    "DEPLOYMENT_RULE_SET", "MSI_CMDLINE", "CMDLINE",
};

constexpr std::array<const char*, 3> integers = {"WEB_ZARN_SECURITY_LEVEL", "/lang", "TEST_CONFIG_FILE_ERRORS"};

}  // namespace

std::span<const KeyRecord> keyRecords() { return records; }
std::span<const char* const> enableDisableKeys() { return enableDisable; }
std::span<const char* const> stringKeys() { return strings; }
std::span<const char* const> intKeys() { return integers; }

bool isSwitch(const KeyRecord& record) { return record.kind == KeyKind::switchOnly; }

}  // namespace config
