// Where the auto-update component keeps its policy, and the names of the policy values.
#pragma once

namespace au {

inline constexpr const char* policyKey = "SOFTWARE\\Mendara\\Zarn Update\\Policy";
inline constexpr const char* policyCheckKey = "SOFTWARE\\Mendara\\Zarn Update\\Policy\\zucheck";

inline constexpr const char* frequencyValue = "Frequency";
inline constexpr const char* updateScheduleValue = "UpdateSchedule";
inline constexpr const char* updateMinValue = "UpdateMin";
inline constexpr const char* notifyDownloadValue = "NotifyDownload";
inline constexpr const char* notifyInstallValue = "NotifyInstall";

}  // namespace au
