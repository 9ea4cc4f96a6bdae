// Both ends of a mailbox exchange between two processes, for the cross-process tests on either
// machine. The writer posts operations 1 to 7 and then completes 7; it writes each record only
// after the reader has emptied the mailbox, so the reader can tell that none was lost or reordered.
#pragma once

#include <cstdint>
#include <vector>

#include "ipc/operation_mailbox.h"
#include "platform/machine.h"

namespace mailbox_exchange {

inline constexpr std::uint32_t deadlineMs = 20000;

inline std::vector<ipc::Operation> expected() {
    std::vector<ipc::Operation> records;
    for (std::uint32_t id = 1; id <= 7; ++id) records.emplace_back(id, ipc::Operation::Started);
    records.emplace_back(7, ipc::Operation::Completed);
    return records;
}

/// Waits until `ready` holds; false when the deadline passes first.
template <class Ready>
bool waitFor(Ready ready) {
    auto& kernel = platform::machine().kernel();
    const auto until = kernel.tickCount64() + deadlineMs;
    while (!ready()) {
        if (kernel.tickCount64() > until) return false;
        kernel.sleep(1);
    }
    return true;
}

/// The writer's side; false when the reader stopped emptying the mailbox.
inline bool writeAll(const char* name) {
    const ipc::ClientOperation client(name);
    const ipc::SharedMemory<ipc::Operation> mailbox(client.section());
    for (const ipc::Operation& op : expected()) {
        if (!waitFor([&] { return mailbox.read().getState() == ipc::Operation::Invalid; })) return false;
        if (op.getState() == ipc::Operation::Started) {
            ipc::OperationMailbox::postOperation(op.getId(), name);
        } else {
            mailbox.write(op);
        }
    }
    return true;
}

/// The reader's side: every record it finds, emptying the mailbox after each, until it has `count`.
inline std::vector<ipc::Operation> readAll(const ipc::SharedMemoryUnsafe& section, std::size_t count) {
    const ipc::SharedMemory<ipc::Operation> mailbox(section);
    std::vector<ipc::Operation> seen;
    waitFor([&] {
        const ipc::Operation op = mailbox.read();
        if (op.getState() != ipc::Operation::Invalid) {
            seen.push_back(op);
            mailbox.write(ipc::Operation());
        }
        return seen.size() >= count;
    });
    return seen;
}

}  // namespace mailbox_exchange
