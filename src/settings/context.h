// One configuration in use: what was loaded into it, where the runtime configuration file lives, and
// the lines the last load found malformed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings/config.h"
#include "settings/parser_interfaces.h"

namespace settings_impl {

class IBuffer;

struct LoadOptions {
    const ConfigValidator* validator = nullptr;
    const IKeyMapper* keyMapper = nullptr;
    bool stopOnError = true;
    bool allowKeyWithoutValue = false;
};

class Context final : public IParserErrorListener {
public:
    /// 200 when the common application-data folder cannot be found.
    Context();

    const std::string& runtimeConfigPath() const { return runtimeConfigPath_; }
    const Config& config() const { return config_; }
    const std::vector<std::uint32_t>& errorLines() const { return errorLines_; }

    /// Parses the file (made canonical first: 310, 311, 312, 200) and merges it over the configuration;
    /// 313 when a line was malformed. A strict load that fails leaves the configuration as it was.
    void loadFile(const std::string& path, const LoadOptions& options);
    void loadString(const std::string& text, const LoadOptions& options);
    void saveFile(const std::string& path) const;

    void mergeFrom(const Context& other) { config_ = merge(config_, other.config_); }
    void removeKey(const std::string& key) { config_ = remove(config_, {key}); }

    /// Records the 0-based line, logs the message and throws 313.
    void onError(const IParserCursor& cursor, const std::string& message) override;

private:
    void load(std::unique_ptr<IBuffer> source, const LoadOptions& options);

    Config config_;
    std::string runtimeConfigPath_;
    std::vector<std::uint32_t> errorLines_;
};

}  // namespace settings_impl
