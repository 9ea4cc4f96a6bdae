// Key mapping: folds the spelling of keys to the one the configuration stores.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace settings_impl {

struct MappedKey {
    std::string key;
    bool matched = false;
};

class IKeyMapper {
public:
    virtual ~IKeyMapper() = default;
    virtual MappedKey map(const std::string& key) const = 0;
};

/// Maps one source key to a target key, exactly or ignoring letter case.
class SimpleKeyMapper final : public IKeyMapper {
public:
    SimpleKeyMapper(std::string source, std::string target, bool caseSensitive);
    MappedKey map(const std::string& key) const override;

private:
    std::string source_;
    std::string sourceLower_;
    std::string target_;
    bool caseSensitive_;
};

/// Asks its mappers from the last added to the first; the first match wins, no match keeps the key.
class CompositeKeyMapper final : public IKeyMapper {
public:
    explicit CompositeKeyMapper(std::vector<std::unique_ptr<IKeyMapper>> mappers) : mappers_(std::move(mappers)) {}
    MappedKey map(const std::string& key) const override;

private:
    std::vector<std::unique_ptr<IKeyMapper>> mappers_;
};

class KeyMapperBuilder {
public:
    class IKeyMapperFactory {
    public:
        virtual ~IKeyMapperFactory() = default;
        virtual std::unique_ptr<IKeyMapper> create() const = 0;
    };

    template <class Mapper>
    class KeyMapperFactory final : public IKeyMapperFactory {
    public:
        KeyMapperFactory(std::string source, std::string target, bool caseSensitive)
            : source_(std::move(source)), target_(std::move(target)), caseSensitive_(caseSensitive) {}
        std::unique_ptr<IKeyMapper> create() const override {
            return std::make_unique<Mapper>(source_, target_, caseSensitive_);
        }

    private:
        std::string source_;
        std::string target_;
        bool caseSensitive_;
    };

    void addMapping(std::string source, std::string target, bool caseSensitive);
    /// A composite over one new mapper per mapping, in the order they were added.
    std::unique_ptr<IKeyMapper> build() const;

private:
    std::vector<std::unique_ptr<IKeyMapperFactory>> factories_;
};

}  // namespace settings_impl
