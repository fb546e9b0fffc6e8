// A small pull reader of UTF-8 XML, enough for SOAP answers: elements,
// attributes, text, CDATA, the five predefined entities and character
// references. A DOCTYPE is refused, so no DTD and no external entity is ever
// read. It walks the text in place, holding only the open elements' names,
// so a large answer costs little beyond its own bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mdxgen {
namespace xmla {

class XmlReader {
 public:
  enum Event { kStart, kEnd, kText, kEof };

  // The text must outlive the reader. Throws Error(kBadResponse) when it is
  // not UTF-8.
  explicit XmlReader(std::string_view text);

  // Moves to the next event. Throws Error(kBadResponse) on anything not
  // well-formed: an unclosed or mismatched element, a bad entity, a DOCTYPE,
  // text cut short.
  Event next();

  // For kStart and kEnd: the element's name without its prefix.
  std::string_view name() const { return local_; }
  // For kText: the decoded text (valid until the next call).
  std::string_view text() const { return text_; }
  // For kStart: an attribute's decoded value by its name without prefix, or
  // nullptr.
  const std::string* attribute(std::string_view local) const;
  // The number of open elements: after kStart it counts the new element,
  // after kEnd no longer.
  std::size_t depth() const { return open_.size(); }

  // After kStart: skips the element's content up to and including its end.
  void skipElement();
  // After kStart: appends the element's text (child elements' text left out)
  // to out and moves past its end.
  void readText(std::string& out);

 private:
  struct Attribute {
    std::string_view local;
    std::string value;
  };

  [[noreturn]] void fail(const char* what) const;
  void readStartTag();
  void readEndTag();
  void readMarkup();
  std::string_view readName();
  void skipBlanks();
  void decode(std::string_view raw, std::string& out) const;

  std::string_view doc_;
  std::size_t pos_ = 0;
  std::vector<std::string_view> open_;
  std::string_view local_;
  std::string_view text_;
  std::string decoded_;
  std::vector<Attribute> attributes_;
  std::size_t attribute_count_ = 0;
  bool pending_end_ = false;
  bool seen_root_ = false;
};

// Whether a text is well-formed UTF-8.
bool isUtf8(std::string_view text);

// Decodes the _xHHHH_ escapes the protocol uses in element names.
std::string decodeXmlName(std::string_view name);

}  // namespace xmla
}  // namespace mdxgen
