#include "settings/context.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "settings/config_file.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/parser.h"

namespace settings_impl {

namespace {

FileName canonicalName(const std::string& path) { return FileName(path).canonical(); }

}  // namespace

Context::Context() {
    std::string folder;
    const auto result = platform::machine().system().folderPath(platform::csidl::commonAppData, folder);
    if (result != 0) {
        ZARN_THROW(settings::Exception, code::internalError,
                   tstrings::format("common application-data folder not found: 0x%08X", static_cast<unsigned>(result)));
    }
    runtimeConfigPath_ = path::join(folder, runtimeConfigRelativePath);
}

void Context::loadFile(const std::string& path, const LoadOptions& options) {
    load(std::make_unique<FileBuffer>(canonicalName(path)), options);
}

void Context::loadString(const std::string& text, const LoadOptions& options) {
    load(std::make_unique<StringBuffer>(text), options);
}

void Context::load(std::unique_ptr<IBuffer> source, const LoadOptions& options) {
    PlainTextFileConfigParser parser(std::move(source));
    parser.setErrorListener(this);
    parser.setValidator(options.validator);
    parser.setKeyMapper(options.keyMapper);
    parser.setStopOnError(options.stopOnError);
    parser.setAllowKeyWithoutValue(options.allowKeyWithoutValue);
    errorLines_.clear();
    const auto parsed = parser.parse();
    if (parsed) config_ = merge(config_, *parsed);
    if (!parsed || !errorLines_.empty()) {
        ZARN_THROW(settings::Exception, code::malformedLines, "the configuration text has malformed lines");
    }
}

void Context::saveFile(const std::string& path) const { saveConfigFile(config_, canonicalName(path)); }

void Context::onError(const IParserCursor& cursor, const std::string& message) {
    errorLines_.push_back(asCursor(cursor).line);
    LOG_ERROR("Error reading config file: " << message);
    ZARN_THROW(settings::Exception, code::malformedLines, "Error reading config file: " + message);
}

}  // namespace settings_impl
