#include "xmla/request.h"

#include "xmla/xml_reader.h"

namespace mdxgen {
namespace xmla {
namespace {

constexpr std::string_view kNamespace = "urn:schemas-microsoft-com:xml-analysis";

[[noreturn]] void refuse(const std::string& what) {
  throw Error(ErrorKind::kInvalidArgument, what);
}

// Appends a caller's text escaped for XML content and attribute values.
// Text that is not UTF-8, or holds a control character XML cannot carry, is
// refused.
void appendEscaped(std::string& out, std::string_view text, const char* what) {
  if (!isUtf8(text)) refuse(std::string("The ") + what + " is not UTF-8.");
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
          refuse(std::string("The ") + what + " holds a control character XML cannot carry.");
        out += c;
    }
  }
}

// Element names the caller gives (request types, restriction and property
// names) must be plain XML names; nothing is escaped in a name.
void appendName(std::string& out, std::string_view name, const char* what) {
  bool ok = !name.empty();
  for (std::size_t i = 0; i < name.size() && ok; ++i) {
    char c = name[i];
    ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
         (i > 0 && ((c >= '0' && c <= '9') || c == '-' || c == '.'));
  }
  if (!ok) refuse(std::string("The ") + what + " '" + std::string(name.substr(0, 60)) +
                  "' is not an XML name.");
  out += name;
}

void appendElement(std::string& out, std::string_view name, std::string_view value,
                   const char* what) {
  out += '<';
  appendName(out, name, what);
  out += '>';
  appendEscaped(out, value, what);
  out += "</";
  out += name;
  out += '>';
}

void appendProperties(std::string& out, const Properties& properties, std::string_view format) {
  out += "<Properties><PropertyList>";
  const std::pair<std::string_view, const std::string*> standard[] = {
      {"DataSourceInfo", &properties.data_source_info},
      {"Catalog", &properties.catalog},
      {"LocaleIdentifier", &properties.locale_identifier}};
  for (const auto& [name, value] : standard)
    if (!value->empty()) appendElement(out, name, *value, "property value");
  if (format == "Multidimensional") {
    out += "<Format>Multidimensional</Format><AxisFormat>TupleFormat</AxisFormat>";
  } else if (!format.empty()) {
    out += "<Format>Tabular</Format>";
  }
  for (const auto& [name, value] : properties.extra) appendElement(out, name, value, "property");
  out += "</PropertyList></Properties>";
}

void appendHead(std::string& out, SessionHeader header, std::string_view session_id) {
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<soap:Header>";
  if (header != SessionHeader::kNone) {
    out += header == SessionHeader::kBegin     ? "<BeginSession"
           : header == SessionHeader::kSession ? "<Session"
                                               : "<EndSession";
    out += " soap:mustUnderstand=\"1\" xmlns=\"";
    out += kNamespace;
    out += '"';
    if (header != SessionHeader::kBegin) {
      out += " SessionId=\"";
      appendEscaped(out, session_id, "session id");
      out += '"';
    }
    out += "/>";
  }
  out += "</soap:Header><soap:Body>";
}

constexpr std::string_view kTail = "</soap:Body></soap:Envelope>\n";

}  // namespace

std::string executeEnvelope(std::string_view statement, const Properties& properties,
                            std::string_view format, SessionHeader header,
                            std::string_view session_id) {
  std::string out;
  out.reserve(statement.size() + 600);
  appendHead(out, header, session_id);
  out += "<Execute xmlns=\"";
  out += kNamespace;
  out += "\"><Command><Statement>";
  appendEscaped(out, statement, "statement");
  out += "</Statement></Command>";
  appendProperties(out, properties, format);
  out += "</Execute>";
  out += kTail;
  return out;
}

std::string discoverEnvelope(std::string_view request_type,
                             const std::vector<std::pair<std::string, std::string>>& restrictions,
                             const Properties& properties, SessionHeader header,
                             std::string_view session_id) {
  std::string out;
  appendHead(out, header, session_id);
  out += "<Discover xmlns=\"";
  out += kNamespace;
  out += "\"><RequestType>";
  appendName(out, request_type, "request type");
  out += "</RequestType><Restrictions><RestrictionList>";
  for (const auto& [name, value] : restrictions) appendElement(out, name, value, "restriction");
  out += "</RestrictionList></Restrictions>";
  appendProperties(out, properties, "Tabular");
  out += "</Discover>";
  out += kTail;
  return out;
}

}  // namespace xmla
}  // namespace mdxgen
