// The user's country for the package and the ping, the checksum of a downloaded file, and the rule that
// says which addresses are the product's own.
#pragma once

#include <optional>
#include <string>

namespace UpdateUtils {

/// True when `url` is one of the product's sites (see product::sites).
bool IsAllowedUrl(const std::string& url);

/// The stored Policy value "Country" when it is exactly two characters: a value of another length is
/// no country and is asked for again.
std::optional<std::string> StoredCountry();

/// The two-letter country: the stored Policy value "Country" (StoredCountry), or else the "COUNTRY" header of a HEAD
/// request to `url` (one of the product's sites), then stored. 1 with `country` set when one was found,
/// else 0 with `country` "YY". WinINet's own dialogs are offered only when `interactive`.
int GetCountry(const std::string& url, std::string& country, bool interactive);

/// The SHA-256 of the file as 64 lower-case hex digits; nullopt (logged) when it cannot be computed.
std::optional<std::string> getCheckSum(const std::string& fileName);

}  // namespace UpdateUtils
