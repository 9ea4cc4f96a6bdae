// The body of the install ping: one small XML document in a buffer of 2048 bytes, and the text the log
// shows of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace UpdateConf {

class PingBody {
public:
    /// The buffer the body must fit, its terminating zero included.
    static constexpr std::size_t capacity = 2048;

    PingBody();

    /// Appends <name>value</name>, with "<", ">" and "&" of the value escaped. An element that would
    /// leave no room for the closing "</request>" is left out, and that is logged.
    void add(std::string_view name, std::string_view value);
    /// Closes the document; the body is complete afterwards.
    const std::string& finish();

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

/// The body as the log shows it: the password of "prop20" as X's, then "$name" and "#value" for each
/// element, split at every "<", ">" and blank.
std::string PingValues(std::string_view body);

}  // namespace UpdateConf
