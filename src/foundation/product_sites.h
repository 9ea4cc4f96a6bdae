// The product's own addresses on the web, in one place. Tests never change them: they answer for these
// names inside a sealed test network.
#pragma once

namespace product::sites {

/// The options document of this build, on the download server.
inline constexpr const char* optionsDocument = "https://dl.zarn.example/update/1.8.0/1.8.0_45-b15.xml";
/// The latest version and security baseline of each runtime family, on the public web host.
inline constexpr const char* latestVersionDocument = "https://www.zarn.example/feeds/zarnLatestVersion.xml";
/// The page that shows the installed runtime working, opened after an interactive install.
inline constexpr const char* verifyPage = "https://www.zarn.example/verify9/?src=install";
/// The page on the security levels, linked from the completion page's security note.
inline constexpr const char* securityLevelsPage = "https://www.zarn.example/securityminvalue/";
/// The site the connection test asks, over plain HTTP.
inline constexpr const char* connectionTest = "http://www.zarn.example/";

/// The production endpoint of the install ping.
inline constexpr const char* pingEndpoint = "https://metrics.mendara.example/ping";

/// The site rule: an http or https address is the product's when its host is one of these domains or
/// a name under one (a label boundary: "dl.zarn.example", never "evilzarn.example"), in any letter
/// case, alone or with a port of four digits.
inline constexpr const char* siteDomains[] = {"zarn.example", "mendara.example"};

}  // namespace product::sites
