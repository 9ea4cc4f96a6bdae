#include "driver/options_document.h"

#include <vector>

#include "dialogs/setup_progress_dialog.h"
#include "driver/driver_constants.h"
#include "driver/process_values.h"
#include "foundation/auto_handle.h"
#include "foundation/catch_handlers.h"
#include "foundation/errors.h"
#include "foundation/locale.h"
#include "foundation/logger.h"
#include "foundation/product_sites.h"
#include "foundation/registry_key.h"
#include "foundation/string_resource.h"
#include "foundation/sys_info.h"
#include "foundation/tstrings_format.h"
#include "foundation/xml_reader.h"
#include "metrics/update_utils.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace driver {

namespace {

constexpr std::size_t valueBytes = 256;
constexpr std::size_t offlineOptionsBytes = 2048;
constexpr std::size_t addressBytes = 2048;
constexpr const char* installerXmlUrlValue = "InstallerXmlURL";
constexpr const char* bannerName = "ZarnBanner";
constexpr std::uint32_t idsBannerDigest = 4008;
constexpr std::size_t bannerDigestBytes = 65;
/// CryptoAPI's number for SHA-256, as the checksum's log line gives it.
constexpr int sha256Algorithm = 32780;

/// "InstallerXmlURL" under the maker's key when it is set and fits its buffer, else the built-in address:
/// a cut address would fetch some other document.
std::string optionsAddress() {
    try {
        RegistryKey key;
        key.open(platform::RegKey::localMachine, mendaraKey);
        const std::string address = key.queryStringValue(installerXmlUrlValue);
        if (address.size() >= addressBytes) {
            LOG_WARNING(installerXmlUrlValue << " of " << address.size() << " bytes does not fit its " << addressBytes
                                             << "-byte buffer; the built-in address is used");
        } else if (!address.empty()) {
            return address;
        }
    } catch (const std::exception&) {
    }
    return product::sites::optionsDocument;
}

std::string textOf(const xml::Node& element) { return tstrings::fitBuffer(element.childText(), valueBytes); }

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    namespace file = platform::file;
    auto& files = platform::machine().fileSystem();
    AutoHandle handle;
    if (const auto code = files.createFile(path, file::genericWrite, file::shareNone, file::createAlways,
                                           file::attributeNormal, *handle.put())) {
        handle.release();
        LOG_ERROR("CreateFile(" << path << ") failed with " << WinErrorHandling::systemErrorText(code));
        return false;
    }
    std::uint32_t written = 0;
    if (const auto code =
            files.writeFile(handle.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), written)) {
        LOG_ERROR("WriteFile(" << path << ") failed with " << WinErrorHandling::systemErrorText(code));
        return false;
    }
    return written == bytes.size();
}

/// The per-user folder of the banner: "<data folder>\Pellam\Zarn\kobu1.8.0_45", made on the way.
void makeBannerFolder(const std::string& file) {
    auto& files = platform::machine().fileSystem();
    for (auto at = file.find("\\Pellam\\"); at != std::string::npos; at = file.find('\\', at + 1)) {
        files.createDirectory(file.substr(0, at));
    }
}

}  // namespace

bool verifyCheckSum(const std::string& file, const std::string& expected) {
    const auto actual = UpdateUtils::getCheckSum(file);
    if (actual && *actual == expected) return true;
    if (actual) {
        LOG_ERROR(
            tstrings::format("Checksum verification for \"%s\" file failed: expected=[%s]; actual=[%s]; algorithm=%d.",
                             file.c_str(), expected.c_str(), actual->c_str(), sha256Algorithm));
    }
    platform::machine().fileSystem().deleteFile(file);
    return false;
}

Options ParseOptionsDocument(const std::string& text, const std::string& language) {
    Options options;
    const xml::Document document = xml::Document::parse(text);
    const xml::Node* root = document.topElement("zarn-update");
    if (root == nullptr) return options;
    for (const xml::Node* information = root->firstChild; information != nullptr;
         information = information->nextSibling) {
        if (!information->isElement("information")) continue;
        const std::string* version = information->attribute("version");
        const std::string* lang = information->attribute("xml:lang");
        if (version == nullptr || *version != "1.0" || lang == nullptr || (*lang != language && *lang != "en"))
            continue;
        options.postStatus = 0;
        for (const xml::Node* item = information->firstChild; item != nullptr; item = item->nextSibling) {
            if (item->isElement("offline-options")) {
                options.offlineOptions = tstrings::fitBuffer(item->childText(), offlineOptionsBytes);
            } else if (item->isElement("post-status")) {
                if (const std::string address = textOf(*item); address != "0") {
                    options.postStatusUrl = address;
                    options.postStatus = 1;
                }
            } else if (item->isElement("cntry-lookup")) {
                options.countryLookup = textOf(*item);
            } else if (item->isElement("msi-url")) {
                options.imageBase = textOf(*item);
            }
        }
        // The document's own language ends the search; "en" only stands in until it comes.
        if (*lang == language) break;
    }
    return options;
}

int GetOptionsFromXmlIfOnline(std::string& offlineOptions, bool interactive) {
    offlineOptions.clear();
    setPostStatusUrl("");
    Options options;
    try {
        const std::string address = optionsAddress();
        const std::string document = net::within<std::string>(
            net::firstContactDeadlineMs,
            [address](const auto& handles) { return HttpConnection(address).connect(true, handles).saveToString(); });
        // The user's languages are asked here, where a failure only costs the document.
        options = ParseOptionsDocument(document, std::string(Locale::defaultLocale().name()));
    }
    ZARN_CATCH_ALL
    offlineOptions = options.offlineOptions;
    // Every post-status address read stays, even when a later element's "0" clears the indicator.
    setPostStatusUrl(options.postStatusUrl);
    if (options.postStatus == 1) {
        if (const auto stored = UpdateUtils::StoredCountry()) {
            setCountryCode(*stored);
        } else {
            std::string country;
            UpdateUtils::GetCountry(options.countryLookup, country, interactive);
            setCountryCode(country);
        }
    }
    try {
        const Locale& locale = Locale::defaultLocale();
        const std::string local = CSetupProgressDialog::pictureFileIn(SysInfo::getUserDataDir());
        const std::string expected =
            tstrings::fitBuffer(StringResource(locale).string(idsBannerDigest), bannerDigestBytes);
        const std::string remote = options.imageBase.empty()
                                       ? std::string()
                                       : tstrings::format("%s/%s_%s.jpg", options.imageBase.c_str(), bannerName,
                                                          std::string(locale.name()).c_str());
        FetchBanner(remote, local, expected);
    }
    ZARN_CATCH_ALL
    return options.postStatus;
}

void FetchBanner(const std::string& remote, const std::string& local, const std::string& expected) {
    // Without an address there is nothing to fetch; a banner already there is still checked.
    if (!remote.empty()) {
        try {
            const auto body =
                net::within<std::vector<std::uint8_t>>(net::requestDeadlineMs, [remote](const auto& handles) {
                    return HttpConnection(remote).setAllowPlainHttp(true).connect(true, handles).saveToBuffer();
                });
            makeBannerFolder(local);
            writeFile(local, body);
        }
        ZARN_CATCH_ALL
    }
    std::uint32_t attributes = 0;
    if (platform::machine().fileSystem().getFileAttributes(local, attributes) == platform::err::success) {
        verifyCheckSum(local, expected);
    }
}

}  // namespace driver
