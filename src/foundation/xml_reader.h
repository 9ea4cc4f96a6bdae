// A minimal XML reader for the small documents the installer fetches: elements with attributes and
// text, nothing more. Comments, declarations and processing instructions are skipped; attribute
// values are kept as written.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xml {

struct Node {
    enum class Kind { element, text };

    Kind kind = Kind::element;
    std::string name;                                             // element name
    std::vector<std::pair<std::string, std::string>> attributes;  // in document order
    std::string text;                                             // text node, entities replaced
    const Node* firstChild = nullptr;
    const Node* nextSibling = nullptr;

    bool isElement() const { return kind == Kind::element; }
    bool isElement(std::string_view elementName) const { return isElement() && name == elementName; }
    /// The value of the first attribute named `attributeName`, or nullptr.
    const std::string* attribute(std::string_view attributeName) const;
    /// The first child element named `elementName`, or nullptr.
    const Node* childElement(std::string_view elementName) const;
    /// The text of the first child when it is a text node, else empty.
    std::string childText() const;
};

/// The node tree of one document. A malformed document yields no nodes at all.
class Document {
public:
    static Document parse(std::string_view text);

    /// The first top-level node; the others follow as its siblings. Nullptr for an empty or
    /// malformed document.
    const Node* first() const { return first_; }
    /// The first top-level element named `elementName`, or nullptr.
    const Node* topElement(std::string_view elementName) const;

    Document() = default;
    Document(Document&&) = default;
    Document& operator=(Document&&) = default;

private:
    std::deque<Node> nodes_;  // a deque: the links between nodes stay valid while it grows
    const Node* first_ = nullptr;
};

}  // namespace xml
