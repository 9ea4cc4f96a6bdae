#include "msi/install_callback.h"

#include <string_view>
#include <vector>

#include "ipc/operation_mailbox.h"
#include "platform/installer.h"

namespace {

// Every single space splits, so consecutive spaces give empty tokens and shift the ones after them.
std::vector<std::string_view> splitAtSpaces(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    for (;;) {
        const auto space = text.find(' ', start);
        tokens.push_back(text.substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
        if (space == std::string_view::npos) return tokens;
        start = space + 1;
    }
}

}  // namespace

InstallCallback::InstallCallback()
    : actions_{{"CostInitialize.", 1}, {"InstallInitialize.", 2}, {"CreateFolders.", 3}} {}

void InstallCallback::handleMessage(std::uint32_t type, std::uint32_t, const std::string& text) {
    if (type != platform::installmessage::actionStart) return;
    // "Action 12:34:56: InstallInitialize. ...": the third token is the action name with its full stop.
    const auto tokens = splitAtSpaces(text);
    if (tokens.size() < 3) return;
    const auto found = actions_.find(std::string(tokens[2]));
    if (found == actions_.end()) return;
    ipc::OperationMailbox::postOperation(found->second, ipc::operationSequenceSectionName);
}
