// The three kinds of value validator: by type, by a list of fixed values, and directory names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/validator.h"

namespace settings_impl {

/// Converts the text to its type; only a bool key may go without value.
class TypeValidator final : public IConfigValueValidator {
public:
    explicit TypeValidator(std::uint32_t type) : type_(type) {}
    std::optional<Value> validate(std::optional<std::string_view> text) const override;

private:
    std::uint32_t type_;
};

struct FixedValueRecord {
    /// Bit 0: compare byte for byte (otherwise ignoring letter case).
    static constexpr std::uint32_t exactMatch = 1;
    /// Bit 1: store the record's own text rather than the spelling given.
    static constexpr std::uint32_t storeRecordText = 2;

    std::string text;
    std::uint32_t number = 0;
    std::uint32_t flags = 0;
};

/// Accepts one of its records' texts and stores the record's number as an integer value.
class FixedValueValidator final : public IConfigValueValidator {
public:
    explicit FixedValueValidator(std::vector<FixedValueRecord> records) : records_(std::move(records)) {}
    std::optional<Value> validate(std::optional<std::string_view> text) const override;

private:
    std::vector<FixedValueRecord> records_;
};

/// Accepts a drive-rooted directory name that passes the file-name rules (any text when unchecked).
class DirnameValidator final : public IConfigValueValidator {
public:
    explicit DirnameValidator(bool unchecked) : unchecked_(unchecked) {}
    std::optional<Value> validate(std::optional<std::string_view> text) const override;

private:
    bool unchecked_;
};

}  // namespace settings_impl
