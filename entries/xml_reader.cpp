#include "entries/xml_reader.h"

#include <cstdlib>
#include <cstring>

#include "base/windows1252.h"

namespace kvt::entries {

const XmlElement* XmlElement::child(const std::string& childName) const {
    for (const auto& c : children)
        if (c->name == childName) return c.get();
    return nullptr;
}

std::string XmlElement::childText(const std::string& childName) const {
    const XmlElement* c = child(childName);
    if (!c) return "";
    const auto begin = c->text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    return c->text.substr(begin, c->text.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string XmlElement::attribute(const std::string& attributeName) const {
    for (const auto& [key, value] : attributes)
        if (key == attributeName) return value;
    return "";
}

namespace {

constexpr int DeepestNesting = 64;

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    std::unique_ptr<XmlElement> document() {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
        skipMisc();
        if (!more() || peek() != '<') fail("no element");
        auto root = element(0);
        skipMisc();
        if (more()) fail("text after the document element");
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& why) const { throw XmlError(line_, why); }
    bool more() const { return at_ < text_.size(); }
    char peek() const { return text_[at_]; }
    bool startsWith(const char* what) const { return text_.compare(at_, std::strlen(what), what) == 0; }
    void advance(std::size_t n) {
        for (std::size_t i = 0; i < n && more(); ++i, ++at_)
            if (text_[at_] == '\n') ++line_;
    }
    void skipTo(const char* end) {
        const auto found = text_.find(end, at_);
        if (found == std::string::npos) fail(std::string("no ") + end);
        advance(found + std::strlen(end) - at_);
    }
    void skipBlanks() {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n'))
            advance(1);
    }
    // Blanks, comments, processing instructions and a document type between elements.
    void skipMisc() {
        for (;;) {
            skipBlanks();
            if (startsWith("<?")) {
                skipTo("?>");
            } else if (startsWith("<!--")) {
                skipTo("-->");
            } else if (startsWith("<!DOCTYPE")) {
                // An internal subset is skipped whole.
                const auto bracket = text_.find('[', at_), close = text_.find('>', at_);
                if (bracket != std::string::npos && bracket < close) skipTo("]");
                skipTo(">");
            } else {
                return;
            }
        }
    }
    static bool nameCharacter(char ch) {
        return !(ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '/' || ch == '>' ||
                 ch == '=' || ch == '<' || ch == '"' || ch == '\'');
    }
    std::string name() {
        const std::size_t begin = at_;
        while (more() && nameCharacter(peek())) advance(1);
        if (at_ == begin) fail("a name is missing");
        return text_.substr(begin, at_ - begin);
    }
    static std::string local(const std::string& qualified) {
        const auto colon = qualified.find(':');
        return colon == std::string::npos ? qualified : qualified.substr(colon + 1);
    }
    // Character data with its references resolved.
    std::string decoded(const std::string& raw) {
        std::string out;
        out.reserve(raw.size());
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                out += raw[i];
                continue;
            }
            const auto semi = raw.find(';', i);
            if (semi == std::string::npos || semi - i > 10) fail("a broken reference");
            const std::string ref = raw.substr(i + 1, semi - i - 1);
            if (ref == "amp") out += '&';
            else if (ref == "lt") out += '<';
            else if (ref == "gt") out += '>';
            else if (ref == "quot") out += '"';
            else if (ref == "apos") out += '\'';
            else if (ref.size() > 1 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                char* end = nullptr;
                const unsigned long code = std::strtoul(ref.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
                if (*end != '\0' || code == 0 || code > 0x10FFFF) fail("a broken reference");
                out += base::EncodeUtf8(std::u32string(1, static_cast<char32_t>(code)));
            } else {
                fail("an unknown entity &" + ref + ";");
            }
            i = semi;
        }
        return out;
    }

    std::unique_ptr<XmlElement> element(int depth) {
        if (depth > DeepestNesting) fail("nested too deep");
        auto e = std::make_unique<XmlElement>();
        e->line = line_;
        advance(1);  // '<'
        const std::string qualified = name();
        e->name = local(qualified);
        for (;;) {
            skipBlanks();
            if (!more()) fail("the file ends inside <" + qualified + ">");
            if (startsWith("/>")) {
                advance(2);
                return e;
            }
            if (peek() == '>') {
                advance(1);
                break;
            }
            const std::string key = name();
            skipBlanks();
            if (!more() || peek() != '=') fail("an attribute without a value");
            advance(1);
            skipBlanks();
            if (!more() || (peek() != '"' && peek() != '\'')) fail("an attribute without quotes");
            const char quote = peek();
            advance(1);
            const auto end = text_.find(quote, at_);
            if (end == std::string::npos) fail("an attribute without its closing quote");
            e->attributes.emplace_back(local(key), decoded(text_.substr(at_, end - at_)));
            advance(end + 1 - at_);
        }
        for (;;) {
            if (!more()) fail("the file ends inside <" + qualified + ">");
            if (startsWith("</")) {
                advance(2);
                if (name() != qualified) fail("</" + qualified + "> is missing");
                skipBlanks();
                if (!more() || peek() != '>') fail("a broken end tag");
                advance(1);
                return e;
            }
            if (startsWith("<!--")) {
                skipTo("-->");
            } else if (startsWith("<![CDATA[")) {
                advance(9);
                const auto end = text_.find("]]>", at_);
                if (end == std::string::npos) fail("no ]]>");
                e->text += text_.substr(at_, end - at_);
                advance(end + 3 - at_);
            } else if (startsWith("<?")) {
                skipTo("?>");
            } else if (peek() == '<') {
                e->children.push_back(element(depth + 1));
            } else {
                const auto end = text_.find('<', at_);
                const std::size_t stop = end == std::string::npos ? text_.size() : end;
                e->text += decoded(text_.substr(at_, stop - at_));
                advance(stop - at_);
            }
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
    int line_ = 1;
};

}  // namespace

std::unique_ptr<XmlElement> ReadXml(const std::string& text) {
    return Reader(text).document();
}

}  // namespace kvt::entries
