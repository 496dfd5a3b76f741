#include "results/xml_writer.h"

#include <stdexcept>

#include "base/windows1252.h"

namespace kvt::results {

XmlWriter::XmlWriter() {
    text_.reserve(1 << 16);
    text_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void XmlWriter::indent() {
    text_.append(open_.size() * 2, ' ');
}

void XmlWriter::startTag(const std::string& name, const Attributes& attributes) {
    indent();
    text_ += '<';
    text_ += name;
    for (const auto& [key, value] : attributes) {
        text_ += ' ';
        text_ += key;
        text_ += "=\"";
        appendText(value);
        text_ += '"';
    }
    text_ += '>';
}

void XmlWriter::open(const std::string& name, const Attributes& attributes) {
    startTag(name, attributes);
    text_ += '\n';
    open_.push_back(name);
}

void XmlWriter::close() {
    if (open_.empty()) throw std::logic_error("XmlWriter::close without an open element");
    const std::string name = std::move(open_.back());
    open_.pop_back();
    indent();
    endTag(name);
}

void XmlWriter::endTag(const std::string& name) {
    text_ += "</";
    text_ += name;
    text_ += ">\n";
}

void XmlWriter::element(const std::string& name, const std::string& text,
                        const Attributes& attributes) {
    startTag(name, attributes);
    appendText(text);
    endTag(name);
}

void XmlWriter::appendText(const std::string& text) {
    for (unsigned char ch : text)
        if (ch >= 0x80 || ch < 0x20 || ch == '&' || ch == '<' || ch == '>' || ch == '"' ||
            ch == '\'') {
            text_ += XmlText(text);
            return;
        }
    text_ += text;
}

std::string XmlWriter::finish() {
    while (!open_.empty()) close();
    return std::move(text_);
}

namespace {

bool plainAscii(const std::string& utf8) {
    for (unsigned char ch : utf8)
        if (ch >= 0x80 || ch < 0x20 || ch == '&' || ch == '<' || ch == '>' || ch == '"' ||
            ch == '\'')
            return false;
    return true;
}

// A character XML 1.0 allows.
bool allowed(char32_t ch) {
    return ch == 0x9 || ch == 0xA || ch == 0xD || (ch >= 0x20 && ch <= 0xD7FF) ||
           (ch >= 0xE000 && ch <= 0xFFFD) || (ch >= 0x10000 && ch <= 0x10FFFF);
}

}  // namespace

std::string XmlText(const std::string& utf8) {
    if (plainAscii(utf8)) return utf8;
    std::u32string out;
    for (char32_t ch : base::DecodeUtf8(utf8)) {
        switch (ch) {
            case '&':
                out += U"&amp;";
                break;
            case '<':
                out += U"&lt;";
                break;
            case '>':
                out += U"&gt;";
                break;
            case '"':
                out += U"&quot;";
                break;
            case '\'':
                out += U"&apos;";
                break;
            default:
                out += allowed(ch) ? ch : U'\uFFFD';
        }
    }
    return base::EncodeUtf8(out);
}

}  // namespace kvt::results
