// The 8-byte operation mailbox through which installation steps, in this process or another, report
// that they have started. The last write wins; nothing is queued.
#pragma once

#include <cstdint>
#include <optional>

#include "ipc/shared_memory.h"

namespace ipc {

inline constexpr const char* operationSequenceSectionName = "MevOperationSequenceSharedMemory";

/// The mailbox record: operation id (0: empty) and state, both little-endian 32-bit.
class Operation {
public:
    enum State : std::uint32_t { Invalid = 0, Started = 1, Completed = 2, Terminated = 3 };

    Operation() = default;
    Operation(std::uint32_t id, State state) : id_(id), state_(state) {}

    std::uint32_t getId() const { return id_; }
    State getState() const { return static_cast<State>(state_); }

    friend bool operator==(const Operation&, const Operation&) = default;

private:
    std::uint32_t id_ = 0;
    std::uint32_t state_ = Invalid;
};
static_assert(sizeof(Operation) == 8);

/// A writer's hold on the mailbox: it opens the section, and creates it for its own lifetime when
/// no reader has (what it writes is then lost with it).
class ClientOperation {
public:
    explicit ClientOperation(const char* name);

    const SharedMemoryUnsafe& section() const { return *opened_; }
    /// False when this client had to create the section: nobody is reading.
    bool foundReader() const { return !created_.has_value(); }

private:
    std::optional<SharedMemoryUnsafe> created_;
    std::optional<SharedMemoryUnsafe> opened_;
};

class OperationMailbox {
public:
    explicit OperationMailbox(const SharedMemoryUnsafe& section) : mailbox_(section) {}

    /// Writes {id, Started}; `id` must be non-zero.
    void post(std::uint32_t id);

    /// The writer's whole step: opens the mailbox `name`, posts `id`, and lets go at once.
    static void postOperation(std::uint32_t id, const char* name = operationSequenceSectionName);

private:
    SharedMemory<Operation> mailbox_;
};

}  // namespace ipc
