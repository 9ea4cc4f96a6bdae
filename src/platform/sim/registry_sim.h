// The simulated registry: a case-insensitive tree per root, with the 32-bit view of
// HKLM\SOFTWARE kept apart under WOW6432Node as on 64-bit Windows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/faults.h"
#include "platform/sim/text.h"

namespace sim {

class SimRegistry final : public platform::Registry {
public:
    explicit SimRegistry(Faults& faults) : faults_(faults) {}

    /// A 32-bit process sees the 32-bit view by default.
    void setProcessIs64Bit(bool is64) { processIs64Bit_ = is64; }

    platform::ErrorCode openKey(platform::RegKey parent, std::string_view subKey, std::uint32_t access,
                                platform::RegKey& out) override;
    platform::ErrorCode createKey(platform::RegKey parent, std::string_view subKey, std::uint32_t access,
                                  platform::RegKey& out, std::uint32_t* disposition) override;
    platform::ErrorCode closeKey(platform::RegKey key) override;
    platform::ErrorCode queryValue(platform::RegKey key, std::string_view name, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t& size) override;
    platform::ErrorCode setValue(platform::RegKey key, std::string_view name, std::uint32_t type,
                                 const std::uint8_t* data, std::uint32_t size) override;
    platform::ErrorCode deleteValue(platform::RegKey key, std::string_view name) override;
    platform::ErrorCode deleteKey(platform::RegKey parent, std::string_view subKey, std::uint32_t viewFlags) override;
    platform::ErrorCode deleteTree(platform::RegKey parent, std::string_view subKey) override;
    platform::ErrorCode enumKey(platform::RegKey key, std::uint32_t index, std::string& name) override;
    platform::ErrorCode enumValue(platform::RegKey key, std::uint32_t index, std::string& name,
                                  std::uint32_t& type) override;
    platform::ErrorCode queryInfo(platform::RegKey key, platform::RegKeyInfo& info) override;

    /// Open key handles, for leak checks in tests.
    std::size_t openKeyCount() const;

private:
    struct Value {
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
    };
    struct Node {
        std::string name;
        std::map<std::string, std::unique_ptr<Node>, LessNoCase> subkeys;
        std::vector<Value> values;  // in the order they were first set
    };
    // A key is named by its root and its physical path below it (after view redirection).
    struct KeyPath {
        platform::RegKey root = platform::RegKey::null;
        std::vector<std::string> components;
    };
    struct OpenKey {
        KeyPath logical;
        std::uint32_t access = 0;
    };

    platform::ErrorCode resolveParent(platform::RegKey parent, KeyPath& logical, std::uint32_t& access) const;
    static platform::ErrorCode appendPath(KeyPath& path, std::string_view subKey);
    KeyPath physical(const KeyPath& logical, std::uint32_t access) const;
    Node* find(const KeyPath& physicalPath);
    Node* findOpen(platform::RegKey key, std::uint32_t neededAccess, platform::ErrorCode& error);
    platform::RegKey remember(KeyPath logical, std::uint32_t access);
    Node& rootNode(platform::RegKey root);
    static std::vector<Value>::iterator findValue(Node& node, std::string_view name);

    Faults& faults_;
    bool processIs64Bit_ = true;
    mutable std::mutex mutex_;
    Node classesRoot_, currentUser_, localMachine_;
    std::map<std::uintptr_t, OpenKey> open_;
    std::uintptr_t nextKey_ = 0x1000;
};

}  // namespace sim
