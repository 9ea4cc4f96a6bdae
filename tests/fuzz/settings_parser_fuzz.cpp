// Feeds arbitrary text to the plain-text parser, with and without a validator and a key mapper.
// Whatever it accepts must survive a round trip through the writer unchanged.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "settings/config.h"
#include "settings/constants.h"
#include "settings/errors.h"
#include "settings/key_mapper.h"
#include "settings/parser.h"
#include "settings/serializer.h"
#include "settings/validator_builder.h"

namespace {

using namespace settings_impl;

// The first byte of an input chooses the parser's settings.
constexpr std::uint8_t stopOnError = 1;
constexpr std::uint8_t allowKeyWithoutValue = 2;
constexpr std::uint8_t useValidator = 4;
constexpr std::uint8_t useKeyMapper = 8;
constexpr std::uint8_t allowUnknownKeys = 16;

std::unique_ptr<ConfigValidator> makeValidator(bool unknownKeys) {
    ValidatorBuilder builder;
    const std::uint32_t exact = FixedValueRecord::exactMatch;
    builder.addFixedValues("INSTALL_SILENT", {{"Enable", 1, exact}, {"Disable", 0, exact}, {"1", 1, exact}});
    builder.addFixedValues("LEVEL", {{"H", 3, FixedValueRecord::storeRecordText}, {"vh", 4, 0}});
    builder.addTypedKey("LEVEL", type::integer);
    builder.addTypedKey("LANG", type::integer);
    builder.addTypedKey("FLAG", type::boolean);
    builder.addTypedKey("RATIO", type::real);
    builder.addTypedKey("NAME", type::string);
    builder.addDirnameKey("INSTALLDIR", false);
    builder.addDirnameKey("ANYDIR", true);
    builder.setAllowUnknownKeys(unknownKeys);
    return builder.build();
}

std::unique_ptr<IKeyMapper> makeKeyMapper() {
    KeyMapperBuilder builder;
    for (const char* key : {"INSTALL_SILENT", "LEVEL", "LANG", "FLAG", "RATIO", "NAME", "INSTALLDIR"}) {
        builder.addMapping(key, key, false);
    }
    builder.addMapping("silent", "INSTALL_SILENT", true);
    return builder.build();
}

std::unique_ptr<Config> parse(std::string text, std::uint8_t flags, const ConfigValidator* validator,
                              const IKeyMapper* keyMapper) {
    PlainTextFileConfigParser parser(std::make_unique<StringBuffer>(std::move(text)));
    parser.setStopOnError((flags & stopOnError) != 0);
    parser.setAllowKeyWithoutValue((flags & allowKeyWithoutValue) != 0);
    parser.setValidator(validator);
    parser.setKeyMapper(keyMapper);
    return parser.parse();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const auto strict = makeValidator(false);
    static const auto lenient = makeValidator(true);
    static const auto keyMapper = makeKeyMapper();

    const std::uint8_t flags = data[0];
    const ConfigValidator* validator =
        (flags & useValidator) == 0 ? nullptr : ((flags & allowUnknownKeys) != 0 ? lenient.get() : strict.get());
    const IKeyMapper* mapper = (flags & useKeyMapper) != 0 ? keyMapper.get() : nullptr;

    std::unique_ptr<Config> config;
    try {
        config = parse(std::string(reinterpret_cast<const char*>(data + 1), size - 1), flags, validator, mapper);
    } catch (const settings::Exception&) {
        return 0;  // not plain text
    }
    if (!config) return 0;

    // Keys without value come back only when the reader allows them.
    const auto again = parse(toPlainText(*config), flags | allowKeyWithoutValue, validator, mapper);
    if (!again || !equals(*config, *again)) __builtin_trap();
    return 0;
}
