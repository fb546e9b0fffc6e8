#include "xmla/xml_reader.h"

#include <cstdint>
#include <cstring>

#include "mdxgen/xmla.h"

namespace mdxgen {
namespace xmla {
namespace {

// Deeper nesting than any answer has is taken for an attack.
constexpr std::size_t kMaxDepth = 512;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool endsName(char c) { return isBlank(c) || c == '/' || c == '>' || c == '=' || c == '?'; }

void appendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool validCodePoint(std::uint32_t code) {
  return code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
}

}  // namespace

// Checks the whole text is UTF-8, eight ASCII bytes at a time where it can.
bool isUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        p += 8;
        continue;
      }
    }
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int more;
    std::uint32_t code;
    if ((c & 0xE0) == 0xC0) {
      more = 1;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= more) return false;
    for (int i = 1; i <= more; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[i] & 0x3F);
    }
    static const std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    p += more + 1;
  }
  return true;
}

XmlReader::XmlReader(std::string_view text) : doc_(text) {
  if (doc_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
  if (!isUtf8(doc_)) fail("is not UTF-8");
}

void XmlReader::fail(const char* what) const {
  throw Error(ErrorKind::kBadResponse,
              "The server's answer " + std::string(what) + " (at byte " + std::to_string(pos_) + ").");
}

const std::string* XmlReader::attribute(std::string_view local) const {
  for (std::size_t i = 0; i < attribute_count_; ++i)
    if (attributes_[i].local == local) return &attributes_[i].value;
  return nullptr;
}

void XmlReader::skipBlanks() {
  while (pos_ < doc_.size() && isBlank(doc_[pos_])) ++pos_;
}

std::string_view XmlReader::readName() {
  std::size_t start = pos_;
  while (pos_ < doc_.size() && !endsName(doc_[pos_])) {
    char c = doc_[pos_];
    if (c == '<' || c == '&' || c == '"' || c == '\'') fail("has a malformed name");
    ++pos_;
  }
  if (pos_ == doc_.size()) fail("is cut short inside a tag");
  if (pos_ == start) fail("has a tag without a name");
  return doc_.substr(start, pos_ - start);
}

static std::string_view localPart(std::string_view name) {
  std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

void XmlReader::decode(std::string_view raw, std::string& out) const {
  std::size_t i = 0;
  while (i < raw.size()) {
    std::size_t amp = raw.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(raw.data() + i, raw.size() - i);
      return;
    }
    out.append(raw.data() + i, amp - i);
    std::size_t semi = raw.find(';', amp);
    if (semi == std::string_view::npos || semi - amp > 12) fail("has an unterminated entity");
    std::string_view entity = raw.substr(amp + 1, semi - amp - 1);
    if (entity == "lt") {
      out += '<';
    } else if (entity == "gt") {
      out += '>';
    } else if (entity == "amp") {
      out += '&';
    } else if (entity == "quot") {
      out += '"';
    } else if (entity == "apos") {
      out += '\'';
    } else if (entity.size() > 1 && entity[0] == '#') {
      bool hex = entity[1] == 'x';
      std::string_view digits = entity.substr(hex ? 2 : 1);
      if (digits.empty()) fail("has an empty character reference");
      std::uint32_t code = 0;
      for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
          digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
          digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
          digit = c - 'A' + 10;
        } else {
          fail("has a malformed character reference");
        }
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        if (code > 0x10FFFF) fail("has a character reference out of range");
      }
      if (!validCodePoint(code)) fail("has a character reference out of range");
      appendUtf8(code, out);
    } else {
      // Only the predefined entities exist: there is never a DTD.
      fail("uses an undefined entity");
    }
    i = semi + 1;
  }
}

void XmlReader::readStartTag() {
  std::string_view qname = readName();
  attribute_count_ = 0;
  for (;;) {
    skipBlanks();
    if (pos_ >= doc_.size()) fail("is cut short inside a tag");
    char c = doc_[pos_];
    if (c == '>') {
      ++pos_;
      break;
    }
    if (c == '/') {
      if (pos_ + 1 >= doc_.size() || doc_[pos_ + 1] != '>') fail("has a malformed tag");
      pos_ += 2;
      pending_end_ = true;
      break;
    }
    std::string_view attr = readName();
    skipBlanks();
    if (pos_ >= doc_.size() || doc_[pos_] != '=') fail("has an attribute without a value");
    ++pos_;
    skipBlanks();
    if (pos_ >= doc_.size() || (doc_[pos_] != '"' && doc_[pos_] != '\'')) fail("has an unquoted attribute");
    char quote = doc_[pos_++];
    std::size_t close = doc_.find(quote, pos_);
    if (close == std::string_view::npos) fail("is cut short inside an attribute");
    std::string_view raw = doc_.substr(pos_, close - pos_);
    if (raw.find('<') != std::string_view::npos) fail("has '<' in an attribute");
    pos_ = close + 1;
    if (attribute_count_ == attributes_.size()) attributes_.emplace_back();
    Attribute& slot = attributes_[attribute_count_++];
    slot.local = localPart(attr);
    slot.value.clear();
    decode(raw, slot.value);
  }
  if (open_.empty()) {
    if (seen_root_) fail("has more than one document element");
    seen_root_ = true;
  }
  if (open_.size() >= kMaxDepth) fail("is nested too deeply");
  open_.push_back(qname);
  local_ = localPart(qname);
}

void XmlReader::readEndTag() {
  std::string_view qname = readName();
  skipBlanks();
  if (pos_ >= doc_.size() || doc_[pos_] != '>') fail("has a malformed end tag");
  ++pos_;
  if (open_.empty() || open_.back() != qname) fail("has a mismatched end tag");
  open_.pop_back();
  local_ = localPart(qname);
}

// Comments, processing instructions and the XML declaration are skipped; a
// DOCTYPE is refused.
void XmlReader::readMarkup() {
  std::string_view rest = doc_.substr(pos_);
  std::string_view closing;
  if (rest.substr(0, 4) == "<!--") {
    closing = "-->";
  } else if (rest.substr(0, 2) == "<?") {
    closing = "?>";
  } else if (rest.substr(0, 9) == "<!DOCTYPE") {
    fail("carries a DOCTYPE, which is refused");
  } else {
    fail("has unknown markup");
  }
  std::size_t end = doc_.find(closing, pos_ + 2);
  if (end == std::string_view::npos) fail("is cut short inside a comment");
  pos_ = end + closing.size();
}

XmlReader::Event XmlReader::next() {
  if (pending_end_) {
    pending_end_ = false;
    local_ = localPart(open_.back());
    open_.pop_back();
    return kEnd;
  }
  for (;;) {
    if (pos_ >= doc_.size()) {
      if (!open_.empty()) fail("is cut short");
      if (!seen_root_) fail("is not XML");
      return kEof;
    }
    if (doc_[pos_] != '<') {
      std::size_t lt = doc_.find('<', pos_);
      if (lt == std::string_view::npos) lt = doc_.size();
      std::string_view raw = doc_.substr(pos_, lt - pos_);
      pos_ = lt;
      if (open_.empty()) {
        for (char c : raw)
          if (!isBlank(c)) fail("is not XML");
        continue;
      }
      if (raw.find('&') == std::string_view::npos) {
        text_ = raw;
      } else {
        decoded_.clear();
        decode(raw, decoded_);
        text_ = decoded_;
      }
      return kText;
    }
    if (pos_ + 1 >= doc_.size()) fail("is cut short");
    char c = doc_[pos_ + 1];
    if (c == '/') {
      pos_ += 2;
      readEndTag();
      return kEnd;
    }
    if (c == '!' && doc_.substr(pos_, 9) == "<![CDATA[") {
      if (open_.empty()) fail("has text outside its document element");
      std::size_t end = doc_.find("]]>", pos_ + 9);
      if (end == std::string_view::npos) fail("is cut short inside CDATA");
      text_ = doc_.substr(pos_ + 9, end - pos_ - 9);
      pos_ = end + 3;
      return kText;
    }
    if (c == '!' || c == '?') {
      readMarkup();
      continue;
    }
    ++pos_;
    readStartTag();
    return kStart;
  }
}

void XmlReader::skipElement() {
  std::size_t depth = open_.size();
  while (open_.size() >= depth) next();
}

void XmlReader::readText(std::string& out) {
  std::size_t depth = open_.size();
  for (;;) {
    Event event = next();
    if (open_.size() < depth) return;
    if (event == kText && open_.size() == depth) out.append(text_.data(), text_.size());
  }
}

std::string decodeXmlName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  std::size_t i = 0;
  while (i < name.size()) {
    if (name[i] == '_' && i + 6 < name.size() && name[i + 1] == 'x' && name[i + 6] == '_') {
      std::uint32_t code = 0;
      bool ok = true;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        char c = name[k];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) ok = false;
        code = code * 16 + static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
      }
      if (ok && validCodePoint(code)) {
        appendUtf8(code, out);
        i += 7;
        continue;
      }
    }
    out += name[i++];
  }
  return out;
}

}  // namespace xmla
}  // namespace mdxgen
