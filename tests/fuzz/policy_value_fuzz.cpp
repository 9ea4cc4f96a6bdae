// A policy value in the registry is whatever the machine holds: any text read as a protected Base64
// value, and any bytes read as a protected binary one, either give a DWORD or fail with a runtime error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "au/protection.h"
#include "au/reg_data.h"
#include "foundation/logger.h"
#include "foundation/registry_key.h"
#include "platform/registry.h"
#include "platform/sim/sim_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One simulated machine for the whole session, without a log: each input would otherwise grow it.
    static const auto machine = [] {
        auto scope = std::make_unique<sim::MachineScope>();
        replaceLogger(Logger{});
        return scope;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        au::unprotect(au::string2binary(text));
    } catch (const std::runtime_error&) {
    }
    {
        RegistryKey check(platform::reg::wow64_32Key);
        check.open(platform::RegKey::localMachine, au::policyCheckKey, true, true);
        check.setStringValue(au::frequencyValue, text);
        RegistryKey user(platform::reg::wow64_32Key);
        user.open(platform::RegKey::currentUser, au::policyKey, true, true);
        user.setBinaryValue("SDVC", au::Bytes(data, data + size));
    }
    au::Store store(1);
    for (const au::RegData* value : {&au::frequency, &au::sdvc}) {
        try {
            value->getValue(store);
        } catch (const std::runtime_error&) {
        }
    }
    return 0;
}
