#include "foundation/source_location.h"

std::string_view fileNamePart(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

// Index of the bracket opening the group that closes at `close`, scanning backwards.
std::size_t openingBracket(std::string_view s, std::size_t close) {
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        const char c = s[i];
        if (c == ')' || c == '>' || c == ']') ++depth;
        if (c == '(' || c == '<' || c == '[') {
            if (--depth == 0) return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::string qualifiedFunctionName(std::string_view pretty) {
    // GCC: "<return type> <qualified name>(<parameters>) <qualifiers> [with T = ...]".
    if (const auto with = pretty.find(" [with "); with != std::string_view::npos) pretty = pretty.substr(0, with);
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const std::string_view qualifier : {" const", " volatile", " &&", " &", " noexcept"}) {
            if (pretty.ends_with(qualifier)) {
                pretty.remove_suffix(qualifier.size());
                stripped = true;
            }
        }
    }
    std::string_view name = pretty;
    // A lambda's body ("f()::<lambda(int)>") has no parameter list of its own to cut.
    if (pretty.ends_with(')')) {
        const auto open = openingBracket(pretty, pretty.size() - 1);
        if (open == std::string_view::npos) return std::string(pretty);
        name = pretty.substr(0, open);
    }

    // The name starts after the last blank that is not inside brackets ("operator()" and
    // template arguments may hold blanks of their own).
    std::size_t start = 0;
    for (std::size_t i = name.size(); i-- > 0;) {
        const char c = name[i];
        if (c == ')' || c == '>' || c == ']') {
            const auto o = openingBracket(name, i);
            if (o == std::string_view::npos) break;
            i = o;
            continue;
        }
        if (c == ' ') {
            start = i + 1;
            break;
        }
    }
    name = name.substr(start);
    if (name.starts_with('*') || name.starts_with('&')) name = name.substr(name.find_first_not_of("*&"));
    return std::string(name);
}
