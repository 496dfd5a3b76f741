// A small XML writer: elements opened and closed in order, attributes and text escaped, the
// document as UTF-8 text with one element a line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvt::results {

class XmlWriter {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    XmlWriter();
    // An element with children; close() ends it.
    void open(const std::string& name, const Attributes& attributes = {});
    void close();
    // An element holding only text.
    void element(const std::string& name, const std::string& text,
                 const Attributes& attributes = {});
    // The document, every open element closed.
    std::string finish();

private:
    void indent();
    void startTag(const std::string& name, const Attributes& attributes);
    void endTag(const std::string& name);
    // Text escaped where it has to be, else as it is.
    void appendText(const std::string& text);
    std::string text_;
    std::vector<std::string> open_;
};

// Text as character data or an attribute's value: &, <, >, " and ' as references; characters
// XML does not allow (control characters, bytes that are no UTF-8) as U+FFFD.
std::string XmlText(const std::string& utf8);

}  // namespace kvt::results
