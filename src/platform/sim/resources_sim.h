// The simulated module resources: tests add the resources and strings the code under test reads.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "platform/resources.h"
#include "platform/sim/faults.h"

namespace sim {

class SimResources final : public platform::Resources {
public:
    explicit SimResources(Faults& faults) : faults_(faults) {}

    void add(const platform::ResourceId& type, const platform::ResourceId& name, std::uint16_t language,
             std::vector<std::uint8_t> bytes);
    void addString(std::uint16_t language, std::uint32_t id, std::string text);

    platform::ErrorCode find(platform::Module module, const platform::ResourceId& type,
                             const platform::ResourceId& name, std::uint16_t language,
                             std::span<const std::uint8_t>& out) override;
    platform::ErrorCode loadString(platform::Module module, std::uint32_t id, std::uint16_t language,
                                   std::string& out) override;

private:
    using Key = std::tuple<std::uint32_t, std::string, std::uint32_t, std::string>;  // type, name
    static Key keyOf(const platform::ResourceId& type, const platform::ResourceId& name);

    Faults& faults_;
    std::mutex mutex_;
    std::map<Key, std::map<std::uint16_t, std::vector<std::uint8_t>>> resources_;
    std::map<std::uint32_t, std::map<std::uint16_t, std::string>> strings_;
};

}  // namespace sim
