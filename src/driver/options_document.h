// The online half of the payload: the options document that says where the ping goes and where to ask
// for the country, and the progress dialog's banner, kept only when its digest is the published one.
#pragma once

#include <cstdint>
#include <string>

namespace driver {

/// What an options document says; each text at most 256 bytes.
struct Options {
    int postStatus = 0;  // 1 when it gave a post-status address
    std::string offlineOptions;
    std::string postStatusUrl;
    std::string countryLookup;
    std::string imageBase;
};

/// Reads the document: the "information" elements of version 1.0 for `language`, with "en" standing
/// in until one for `language` comes. Anything but a "zarn-update" root gives nothing.
Options ParseOptionsDocument(const std::string& text, const std::string& language);

/// Fetches and reads the options document ("InstallerXmlURL" under the maker's key, else the built-in
/// address): sets the post-status address and, with it, the country; then fetches the banner. 1 when
/// the document gave a post-status address, else 0; `offlineOptions` gets the document's offline
/// options. Nothing here stops the run. Dialogs of WinINet's are offered only when `interactive`.
int GetOptionsFromXmlIfOnline(std::string& offlineOptions, bool interactive);

/// True when the file's digest is `expected`; a file that differs, or cannot be read, is deleted.
bool verifyCheckSum(const std::string& file, const std::string& expected);

/// Downloads `remote` to `local` (nothing without an address) and keeps the file only when its digest
/// is `expected`.
void FetchBanner(const std::string& remote, const std::string& local, const std::string& expected);

}  // namespace driver
