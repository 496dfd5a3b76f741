// A small XML reader for the files of entries: elements with their attributes and text as a
// tree. Namespace prefixes are dropped from names; comments, processing instructions and the
// document type are skipped. No entity of a document type is expanded (nothing is fetched).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvt::entries {

struct XmlElement {
    std::string name;  // without its prefix
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;  // the character data directly inside, joined
    std::vector<std::unique_ptr<XmlElement>> children;
    int line = 0;

    // The first child of that name, or nullptr.
    const XmlElement* child(const std::string& childName) const;
    // The text of the first child of that name (blanks around it removed), or "".
    std::string childText(const std::string& childName) const;
    std::string attribute(const std::string& attributeName) const;
};

class XmlError : public std::runtime_error {
public:
    XmlError(int line, const std::string& what)
        : std::runtime_error(what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// The document element of UTF-8 (or ASCII) XML text. Throws XmlError when the text is not
// well-formed as far as the reader looks, or nests deeper than it reads.
std::unique_ptr<XmlElement> ReadXml(const std::string& text);

}  // namespace kvt::entries
