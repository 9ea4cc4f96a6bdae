// A parsed configuration: keys, compared byte by byte, each with a typed value or none.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/value.h"

namespace settings_impl {

/// Reading a key that is not present raises 303; a key without value, or a typed getter on a value of
/// another type, 301.
class IConfig {
public:
    virtual ~IConfig() = default;
    virtual std::uint32_t getType(const std::string& key) const = 0;
    /// 303 when the key is not present.
    virtual bool hasValue(const std::string& key) const = 0;
    /// Valid until the configuration changes.
    virtual const char* getText(const std::string& key) const = 0;
    virtual std::int32_t getInt(const std::string& key) const = 0;
    virtual double getDouble(const std::string& key) const = 0;
    virtual bool getBool(const std::string& key) const = 0;
    virtual std::string getTextCopy(const std::string& key) const = 0;
    /// In map order; the pointers are valid until the configuration changes.
    virtual std::vector<const char*> keys() const = 0;
};

class Config final : public IConfig {
public:
    std::uint32_t getType(const std::string& key) const override;
    bool hasValue(const std::string& key) const override;
    const char* getText(const std::string& key) const override;
    std::int32_t getInt(const std::string& key) const override;
    double getDouble(const std::string& key) const override;
    bool getBool(const std::string& key) const override;
    std::string getTextCopy(const std::string& key) const override;
    std::vector<const char*> keys() const override;

    /// Stores `key` with `value` (none for a key without value), replacing an earlier value.
    void set(const std::string& key, std::optional<Value> value);
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    const std::map<std::string, std::optional<Value>>& entries() const { return entries_; }

private:
    const std::optional<Value>& entry(const std::string& key) const;
    const Value& value(const std::string& key) const;
    /// The value of `key` when it has type `wanted` or is untyped text (100); 301 otherwise.
    const Value& typed(const std::string& key, std::uint32_t wanted) const;

    std::map<std::string, std::optional<Value>> entries_;
};

/// Every entry of `a`, then every entry of `b` set over it.
Config merge(const Config& a, const Config& b);
/// `c` without `keys`; absent keys are ignored.
Config remove(const Config& c, const std::vector<std::string>& keys);
/// The same keys and, key by key, both without value or equal values.
bool equals(const Config& a, const Config& b);

}  // namespace settings_impl
