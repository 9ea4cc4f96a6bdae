// The documents the reader sees come from the network. Any text must give a tree or nothing, never a
// crash or a read past the end, and every node of a tree must be reachable and well-formed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/xml_reader.h"

namespace {

bool isNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }

// Counts the nodes, checking what the reader promises of each; inputs are too short to nest deeply.
std::size_t walk(const xml::Node* first) {
    std::size_t count = 0;
    for (const xml::Node* node = first; node != nullptr; node = node->nextSibling) {
        ++count;
        if (node->isElement()) {
            if (node->name.empty() || !isNameStart(node->name[0])) __builtin_trap();
            count += walk(node->firstChild);
        } else if (node->firstChild != nullptr || node->text.empty()) {
            __builtin_trap();
        }
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto document = xml::Document::parse(text);
    const std::size_t nodes = walk(document.first());
    if (nodes > size) __builtin_trap();  // every node starts at a distinct character
    return 0;
}
