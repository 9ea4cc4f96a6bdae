#include "ipc/operation_mailbox.h"

#include <bit>

#include "foundation/logger.h"
#include "ipc/errors.h"

namespace ipc {

// The record is copied as it lies in memory; both platforms are little-endian.
static_assert(std::endian::native == std::endian::little);

ClientOperation::ClientOperation(const char* name) {
    ZARN_CONTRACT_TEXT(name != nullptr, "name");
    try {
        opened_.emplace(SharedMemoryUnsafe::open(name));
    } catch (const PlatformError&) {
        LOG_INFO("No operation mailbox " << name << " to open, creating it");
        created_.emplace(SharedMemoryUnsafe::create(name));
        opened_.emplace(SharedMemoryUnsafe::open(name));
    }
}

void OperationMailbox::post(std::uint32_t id) {
    const Operation previous = mailbox_.read();
    ZARN_CONTRACT_TEXT(id != 0, "id");
    LOG_TRACE("Posting operation " << id << " over {" << previous.getId() << ", " << previous.getState() << "}");
    mailbox_.write(Operation(id, Operation::Started));
}

void OperationMailbox::postOperation(std::uint32_t id, const char* name) {
    const ClientOperation client(name);
    OperationMailbox(client.section()).post(id);
}

}  // namespace ipc
