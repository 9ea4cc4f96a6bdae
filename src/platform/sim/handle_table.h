// Kernel handles of the simulated process. Closing a handle drops the table's reference; the object's
// destructor does what closing means for its kind (a file releases its sharing, maybe deletes itself).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/types.h"

namespace sim {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

class HandleTable {
public:
    platform::Handle add(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> get(platform::Handle handle) const;
    template <class T>
    std::shared_ptr<T> getAs(platform::Handle handle) const {
        return std::dynamic_pointer_cast<T>(get(handle));
    }
    /// False when the handle is not open.
    bool close(platform::Handle handle);
    std::size_t size() const;
    /// Closes every handle still open, as the end of a process does.
    void closeAll();

private:
    mutable std::mutex mutex_;
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
    std::uintptr_t next_ = 0x100;
};

}  // namespace sim
