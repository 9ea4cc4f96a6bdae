#include "platform/sim/handle_table.h"

namespace sim {

platform::Handle HandleTable::add(std::shared_ptr<KernelObject> object) {
    const std::lock_guard lock(mutex_);
    const auto id = next_;
    next_ += 4;
    objects_.emplace(id, std::move(object));
    return static_cast<platform::Handle>(id);
}

std::shared_ptr<KernelObject> HandleTable::get(platform::Handle handle) const {
    const std::lock_guard lock(mutex_);
    const auto found = objects_.find(platform::raw(handle));
    return found == objects_.end() ? nullptr : found->second;
}

bool HandleTable::close(platform::Handle handle) {
    std::shared_ptr<KernelObject> closing;
    {
        const std::lock_guard lock(mutex_);
        const auto found = objects_.find(platform::raw(handle));
        if (found == objects_.end()) return false;
        closing = std::move(found->second);
        objects_.erase(found);
    }
    // The object's destructor runs here, outside the table's lock.
    return true;
}

void HandleTable::closeAll() {
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> closing;
    {
        const std::lock_guard lock(mutex_);
        closing.swap(objects_);
    }
}

std::size_t HandleTable::size() const {
    const std::lock_guard lock(mutex_);
    return objects_.size();
}

}  // namespace sim
