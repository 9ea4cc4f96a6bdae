// Named shared-memory sections of the simulated kernel, on POSIX shared memory so that independent
// processes share a section by name.
//
// Lifetime follows Windows: a section lives while any handle or view in any process refers to it.
// Every open section object has its own descriptor (its own open file description) with a shared
// flock(2) on it. Closing one tries to turn that into an exclusive lock without blocking; only when
// that succeeds, so no other holder is left in any process, is the name unlinked. flock locks die
// with their process, so an object nobody holds any more (its last holder crashed) is removed by
// the next process that looks for it, and an opener that finds the object unlinked under it (link
// count 0 once it holds its lock) starts again. A forked child shares its parent's descriptors and
// locks, so it must leave with _exit rather than close what it inherited.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/sim/handle_table.h"
#include "platform/types.h"

namespace sim {

class SimSection final : public KernelObject {
public:
    SimSection(int fd, std::string shmName, std::uint64_t size, bool writable)
        : fd_(fd), shmName_(std::move(shmName)), size_(size), writable_(writable) {}
    ~SimSection() override;
    SimSection(const SimSection&) = delete;
    SimSection& operator=(const SimSection&) = delete;

    int fd() const { return fd_; }
    std::uint64_t size() const { return size_; }
    bool writable() const { return writable_; }

private:
    int fd_;
    std::string shmName_;  // empty for an unnamed section, unlinked at once
    std::uint64_t size_;
    bool writable_;
};

/// The sections of one simulated machine: its names live under a prefix of their own, so processes
/// sharing a machine (its root directory) share sections and other machines do not see them.
class SectionNamespace {
public:
    explicit SectionNamespace(std::string prefix) : prefix_(std::move(prefix)) {}

    /// The prefix of the machine rooted at `root`: processes that share a root share its sections.
    static std::string prefixFor(const std::filesystem::path& root);

    /// CreateFileMapping on the paging file.
    platform::ErrorCode create(std::string_view name, std::uint64_t size, bool writable,
                               std::shared_ptr<SimSection>& out, bool& existed);
    /// OpenFileMapping.
    platform::ErrorCode open(std::string_view name, bool writable, std::shared_ptr<SimSection>& out);

    /// The POSIX name of section `name`.
    std::string shmName(std::string_view name) const;

private:
    std::string prefix_;
};

}  // namespace sim
