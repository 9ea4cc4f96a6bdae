// The removal of out-of-date runtimes as the user meets it after an interactive install: the notice,
// the list, the uninstalls under the progress page and the results, or only a notice on a centrally
// managed machine. What happened goes to the install ping.
#pragma once

#include <vector>

#include "scrub/latest_version.h"
#include "scrub/scrub_ping_data.h"

namespace zscrub {

/// Finds the out-of-date runtimes and offers their removal; never throws once the report exists.
ZarnScrubPingData runSequence();

/// Leads the user through the dialogs for `candidates` and uninstalls what they chose.
void showSequence(const std::vector<ScrubVersion>& candidates, ZarnScrubPingData& pingData);

/// Where a deployment rule set marks the machine's runtimes as centrally managed.
std::string deploymentRuleSetPath();

}  // namespace zscrub
