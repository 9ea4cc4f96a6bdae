#include "platform/sim/registry_sim.h"

#include <algorithm>

#include "platform/registry_answer.h"
#include "platform/win_errors.h"

namespace sim {

namespace err = platform::err;
namespace reg = platform::reg;
using platform::ErrorCode;
using platform::RegKey;

namespace {

bool isRoot(RegKey key) {
    return key == RegKey::classesRoot || key == RegKey::currentUser || key == RegKey::localMachine;
}

}  // namespace

std::vector<SimRegistry::Value>::iterator SimRegistry::findValue(Node& node, std::string_view name) {
    return std::find_if(node.values.begin(), node.values.end(), [&](const Value& v) { return equalsNoCase(v.name, name); });
}

SimRegistry::Node& SimRegistry::rootNode(RegKey root) {
    if (root == RegKey::classesRoot) return classesRoot_;
    if (root == RegKey::currentUser) return currentUser_;
    return localMachine_;
}

ErrorCode SimRegistry::appendPath(KeyPath& path, std::string_view subKey) {
    std::size_t start = 0;
    while (start <= subKey.size()) {
        const auto end = std::min(subKey.find('\\', start), subKey.size());
        const auto part = subKey.substr(start, end - start);
        if (!part.empty()) {
            if (part.size() > 255) return err::invalidParameter;
            path.components.emplace_back(part);
        }
        start = end + 1;
    }
    return err::success;
}

ErrorCode SimRegistry::resolveParent(RegKey parent, KeyPath& logical, std::uint32_t& access) const {
    if (isRoot(parent)) {
        logical = KeyPath{parent, {}};
        access = reg::allAccess;
        return err::success;
    }
    const auto found = open_.find(platform::raw(parent));
    if (found == open_.end()) return err::invalidHandle;
    logical = found->second.logical;
    access = found->second.access;
    return err::success;
}

// HKLM\SOFTWARE\X in the 32-bit view is HKLM\SOFTWARE\WOW6432Node\X.
SimRegistry::KeyPath SimRegistry::physical(const KeyPath& logical, std::uint32_t access) const {
    const bool view32 = (access & reg::wow64_32Key) != 0 || ((access & reg::wow64_64Key) == 0 && !processIs64Bit_);
    KeyPath path = logical;
    if (view32 && path.root == RegKey::localMachine && !path.components.empty() &&
        equalsNoCase(path.components[0], "SOFTWARE") &&
        (path.components.size() < 2 || !equalsNoCase(path.components[1], "WOW6432Node"))) {
        path.components.insert(path.components.begin() + 1, "WOW6432Node");
    }
    return path;
}

SimRegistry::Node* SimRegistry::find(const KeyPath& path) {
    Node* node = &rootNode(path.root);
    for (const auto& part : path.components) {
        const auto child = node->subkeys.find(part);
        if (child == node->subkeys.end()) return nullptr;
        node = child->second.get();
    }
    return node;
}

SimRegistry::Node* SimRegistry::findOpen(RegKey key, std::uint32_t neededAccess, ErrorCode& error) {
    KeyPath logical;
    std::uint32_t access = 0;
    if ((error = resolveParent(key, logical, access)) != err::success) return nullptr;
    if ((access & neededAccess) != neededAccess) {
        error = err::accessDenied;
        return nullptr;
    }
    Node* node = find(physical(logical, access));
    error = node == nullptr ? err::keyDeleted : err::success;
    return node;
}

RegKey SimRegistry::remember(KeyPath logical, std::uint32_t access) {
    const auto id = nextKey_;
    nextKey_ += 4;
    open_.emplace(id, OpenKey{std::move(logical), access});
    return static_cast<RegKey>(id);
}

ErrorCode SimRegistry::openKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out) {
    if (auto fault = faults_.check("Registry.openKey")) return *fault;
    const std::lock_guard lock(mutex_);
    KeyPath logical;
    std::uint32_t parentAccess = 0;
    if (auto e = resolveParent(parent, logical, parentAccess)) return e;
    if (auto e = appendPath(logical, subKey)) return e;
    if (find(physical(logical, access)) == nullptr) return err::fileNotFound;
    out = remember(std::move(logical), access);
    return err::success;
}

ErrorCode SimRegistry::createKey(RegKey parent, std::string_view subKey, std::uint32_t access, RegKey& out,
                                 std::uint32_t* disposition) {
    if (auto fault = faults_.check("Registry.createKey")) return *fault;
    const std::lock_guard lock(mutex_);
    KeyPath logical;
    std::uint32_t parentAccess = 0;
    if (auto e = resolveParent(parent, logical, parentAccess)) return e;
    if (auto e = appendPath(logical, subKey)) return e;
    const KeyPath path = physical(logical, access);
    Node* node = &rootNode(path.root);
    bool created = false;
    for (const auto& part : path.components) {
        auto child = node->subkeys.find(part);
        if (child == node->subkeys.end()) {
            auto fresh = std::make_unique<Node>();
            fresh->name = part;
            child = node->subkeys.emplace(part, std::move(fresh)).first;
            created = true;
        }
        node = child->second.get();
    }
    if (disposition != nullptr) *disposition = created ? reg::createdNewKey : reg::openedExistingKey;
    out = remember(std::move(logical), access);
    return err::success;
}

ErrorCode SimRegistry::closeKey(RegKey key) {
    if (auto fault = faults_.check("Registry.closeKey")) return *fault;
    if (isRoot(key)) return err::success;
    const std::lock_guard lock(mutex_);
    return open_.erase(platform::raw(key)) == 1 ? err::success : err::invalidHandle;
}

ErrorCode SimRegistry::queryValue(RegKey key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t& size) {
    if (auto fault = faults_.check("Registry.queryValue")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::queryValue, error);
    if (node == nullptr) return error;
    const auto value = findValue(*node, name);
    if (value == node->values.end()) return err::fileNotFound;
    if (type != nullptr) *type = value->type;
    return reg::answerQuery(value->data, data, size);
}

ErrorCode SimRegistry::setValue(RegKey key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t size) {
    if (auto fault = faults_.check("Registry.setValue")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::setValue, error);
    if (node == nullptr) return error;
    // Stored exactly as given: text keeps its terminating NUL only when the caller counted it.
    std::vector<std::uint8_t> bytes(data, data + size);
    const auto value = findValue(*node, name);
    if (value != node->values.end()) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        node->values.push_back(Value{std::string(name), type, std::move(bytes)});
    }
    return err::success;
}

ErrorCode SimRegistry::deleteValue(RegKey key, std::string_view name) {
    if (auto fault = faults_.check("Registry.deleteValue")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::setValue, error);
    if (node == nullptr) return error;
    const auto value = findValue(*node, name);
    if (value == node->values.end()) return err::fileNotFound;
    node->values.erase(value);
    return err::success;
}

ErrorCode SimRegistry::deleteKey(RegKey parent, std::string_view subKey, std::uint32_t viewFlags) {
    if (auto fault = faults_.check("Registry.deleteKey")) return *fault;
    const std::lock_guard lock(mutex_);
    KeyPath logical;
    std::uint32_t parentAccess = 0;
    if (auto e = resolveParent(parent, logical, parentAccess)) return e;
    if (auto e = appendPath(logical, subKey)) return e;
    KeyPath path = physical(logical, viewFlags & reg::viewMask);
    if (path.components.empty()) return err::accessDenied;
    Node* node = find(path);
    if (node == nullptr) return err::fileNotFound;
    if (!node->subkeys.empty()) return err::accessDenied;
    const std::string last = path.components.back();
    path.components.pop_back();
    find(path)->subkeys.erase(last);
    return err::success;
}

ErrorCode SimRegistry::deleteTree(RegKey parent, std::string_view subKey) {
    if (auto fault = faults_.check("Registry.deleteTree")) return *fault;
    const std::lock_guard lock(mutex_);
    KeyPath logical;
    std::uint32_t access = 0;
    if (auto e = resolveParent(parent, logical, access)) return e;
    if (auto e = appendPath(logical, subKey)) return e;
    KeyPath path = physical(logical, access & reg::viewMask);
    Node* node = find(path);
    if (node == nullptr) return err::fileNotFound;
    if (subKey.empty() || path.components.empty()) {
        node->subkeys.clear();
        node->values.clear();
        return err::success;
    }
    const std::string last = path.components.back();
    path.components.pop_back();
    find(path)->subkeys.erase(last);
    return err::success;
}

ErrorCode SimRegistry::enumKey(RegKey key, std::uint32_t index, std::string& name) {
    if (auto fault = faults_.check("Registry.enumKey")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::enumerateSubKeys, error);
    if (node == nullptr) return error;
    if (index >= node->subkeys.size()) return err::noMoreItems;
    name = std::next(node->subkeys.begin(), index)->second->name;
    return err::success;
}

ErrorCode SimRegistry::enumValue(RegKey key, std::uint32_t index, std::string& name, std::uint32_t& type) {
    if (auto fault = faults_.check("Registry.enumValue")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::queryValue, error);
    if (node == nullptr) return error;
    if (index >= node->values.size()) return err::noMoreItems;
    name = node->values[index].name;
    type = node->values[index].type;
    return err::success;
}

ErrorCode SimRegistry::queryInfo(RegKey key, platform::RegKeyInfo& info) {
    if (auto fault = faults_.check("Registry.queryInfo")) return *fault;
    const std::lock_guard lock(mutex_);
    ErrorCode error = err::success;
    Node* node = findOpen(key, reg::queryValue, error);
    if (node == nullptr) return error;
    info = platform::RegKeyInfo{};
    info.subKeys = static_cast<std::uint32_t>(node->subkeys.size());
    for (const auto& [name, child] : node->subkeys) {
        info.maxSubKeyLength = std::max(info.maxSubKeyLength, static_cast<std::uint32_t>(child->name.size()));
    }
    info.values = static_cast<std::uint32_t>(node->values.size());
    for (const auto& v : node->values) {
        info.maxValueNameLength = std::max(info.maxValueNameLength, static_cast<std::uint32_t>(v.name.size()));
        info.maxValueLength = std::max(info.maxValueLength, static_cast<std::uint32_t>(v.data.size()));
    }
    return err::success;
}

std::size_t SimRegistry::openKeyCount() const {
    const std::lock_guard lock(mutex_);
    return open_.size();
}

}  // namespace sim
