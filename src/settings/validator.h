// Validation while a configuration is built: every admissible key with the validator of its value.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "settings/value.h"

namespace settings_impl {

class IConfigValueValidator {
public:
    virtual ~IConfigValueValidator() = default;
    /// The value to store for `text` (nullopt: a key without value), or ConfigValidator::InavlidValueError.
    virtual std::optional<Value> validate(std::optional<std::string_view> text) const = 0;
};

class ConfigValidator {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };
    class InavlidKeyError : public Error {
    public:
        using Error::Error;
    };
    class InavlidValueError : public Error {
    public:
        using Error::Error;
    };

    ConfigValidator(std::map<std::string, std::unique_ptr<IConfigValueValidator>> validators, bool allowUnknownKeys)
        : validators_(std::make_move_iterator(validators.begin()), std::make_move_iterator(validators.end())),
          allowUnknownKeys_(allowUnknownKeys) {}

    /// The key's own validator decides; an unknown key is InavlidKeyError unless unknown keys are
    /// allowed, and then its text is kept untyped (100).
    std::optional<Value> validate(const std::string& key, std::optional<std::string_view> text) const;

private:
    // Asked once for every line of a file: hashed, not ordered.
    std::unordered_map<std::string, std::unique_ptr<IConfigValueValidator>> validators_;
    bool allowUnknownKeys_;
};

}  // namespace settings_impl
