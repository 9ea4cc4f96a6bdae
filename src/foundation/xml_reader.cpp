#include "foundation/xml_reader.h"

#include <array>
#include <optional>

namespace xml {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool startsName(char c) { return isLetter(c) || c == '_' || c == ':'; }
bool continuesName(char c) { return startsName(c) || isDigit(c) || c == '.' || c == '-'; }

struct Entity {
    std::string_view written;
    char stands;
};

// "&quote;" is what the documents we fetch have always used; "&quot;" is the XML spelling.
constexpr std::array<Entity, 6> entities{
    {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quote;", '"'}, {"&quot;", '"'}}};

std::string decodeText(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        bool replaced = false;
        if (raw[i] == '&') {
            for (const auto& entity : entities) {
                if (raw.substr(i).starts_with(entity.written)) {
                    out += entity.stands;
                    i += entity.written.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += raw[i++];
    }
    return out;
}

class Parser {
public:
    Parser(std::string_view text, std::deque<Node>& nodes) : text_(text), nodes_(nodes) {}

    // Builds the tree; false when the text is not a well-formed sequence of nodes.
    bool run() {
        for (;;) {
            skipMisc();
            if (atEnd()) return open_.empty();
            if (lookingAt("</")) {
                if (!closeElement()) return false;
            } else if (peek() == '<') {
                if (!openElement()) return false;
            } else {
                readText();
            }
        }
    }

    const Node* first() const { return first_; }

private:
    struct Open {
        Node* element;
        Node* lastChild;
    };

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    bool lookingAt(std::string_view s) const { return text_.substr(pos_).starts_with(s); }

    void skipBlanks() {
        while (!atEnd() && isBlank(text_[pos_])) ++pos_;
    }

    // Moves past `terminator`, or to the end when it never comes.
    void skipPast(std::string_view terminator) {
        const auto found = text_.find(terminator, pos_);
        pos_ = found == std::string_view::npos ? text_.size() : found + terminator.size();
    }

    // Whitespace, comments, declarations and processing instructions between tokens.
    void skipMisc() {
        for (;;) {
            skipBlanks();
            if (lookingAt("<!--")) {
                pos_ += 4;
                skipPast("-->");
            } else if (lookingAt("<!")) {
                skipPast(">");
            } else if (lookingAt("<?")) {
                pos_ += 2;
                skipPast("?>");
            } else {
                return;
            }
        }
    }

    std::optional<std::string> readName() {
        if (atEnd() || !startsName(text_[pos_])) return std::nullopt;
        const std::size_t start = pos_;
        while (!atEnd() && continuesName(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    Node& append(Node node) {
        Node& added = nodes_.emplace_back(std::move(node));
        if (open_.empty()) {
            (lastTop_ != nullptr ? lastTop_->nextSibling : first_) = &added;
            lastTop_ = &added;
        } else {
            Open& parent = open_.back();
            (parent.lastChild != nullptr ? parent.lastChild->nextSibling : parent.element->firstChild) = &added;
            parent.lastChild = &added;
        }
        return added;
    }

    // An unquoted value ends at whitespace or at the end of its tag.
    std::optional<std::string> readValue() {
        if (peek() == '"') {
            const auto close = text_.find('"', pos_ + 1);
            if (close == std::string_view::npos) return std::nullopt;
            std::string value(text_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return value;
        }
        const std::size_t start = pos_;
        while (!atEnd() && !isBlank(text_[pos_]) && text_[pos_] != '>' && !lookingAt("/>")) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    bool openElement() {
        ++pos_;  // '<'
        Node element;
        auto name = readName();
        if (!name) return false;
        element.name = std::move(*name);
        for (;;) {
            skipBlanks();
            if (atEnd()) return false;
            if (lookingAt("/>")) {
                pos_ += 2;
                append(std::move(element));
                return true;
            }
            if (peek() == '>') {
                ++pos_;
                Node& added = append(std::move(element));
                open_.push_back(Open{&added, nullptr});
                return true;
            }
            auto attributeName = readName();
            if (!attributeName) return false;
            skipBlanks();
            if (peek() != '=') return false;
            ++pos_;
            skipBlanks();
            auto value = readValue();
            if (!value) return false;
            element.attributes.emplace_back(std::move(*attributeName), std::move(*value));
        }
    }

    bool closeElement() {
        pos_ += 2;  // "</"
        const auto name = readName();
        if (!name || open_.empty() || open_.back().element->name != *name) return false;
        skipBlanks();
        if (peek() != '>') return false;
        ++pos_;
        open_.pop_back();
        return true;
    }

    // Leading whitespace is gone already; trailing whitespace belongs to the text.
    void readText() {
        const auto end = text_.find('<', pos_);
        const std::size_t stop = end == std::string_view::npos ? text_.size() : end;
        Node node;
        node.kind = Node::Kind::text;
        node.text = decodeText(text_.substr(pos_, stop - pos_));
        pos_ = stop;
        append(std::move(node));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::deque<Node>& nodes_;
    std::vector<Open> open_;
    const Node* first_ = nullptr;
    Node* lastTop_ = nullptr;
};

}  // namespace

const std::string* Node::attribute(std::string_view attributeName) const {
    for (const auto& [attrName, value] : attributes) {
        if (attrName == attributeName) return &value;
    }
    return nullptr;
}

const Node* Node::childElement(std::string_view elementName) const {
    for (const Node* child = firstChild; child != nullptr; child = child->nextSibling) {
        if (child->isElement(elementName)) return child;
    }
    return nullptr;
}

std::string Node::childText() const {
    return firstChild != nullptr && firstChild->kind == Kind::text ? firstChild->text : std::string();
}

Document Document::parse(std::string_view text) {
    Document document;
    Parser parser(text, document.nodes_);
    if (parser.run()) {
        document.first_ = parser.first();
    } else {
        document.nodes_.clear();
    }
    return document;
}

const Node* Document::topElement(std::string_view elementName) const {
    for (const Node* node = first_; node != nullptr; node = node->nextSibling) {
        if (node->isElement(elementName)) return node;
    }
    return nullptr;
}

}  // namespace xml
