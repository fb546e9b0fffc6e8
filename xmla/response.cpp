// Readers of the server's answers: the SOAP envelope and its faults, the
// multidimensional cell set and the tabular rowset. Each walks the answer
// once with the pull reader and reads it to its end, so an answer cut short
// anywhere is refused.
#include <algorithm>
#include <charconv>
#include <string>
#include <utility>

#include "mdxgen/xmla.h"
#include "xmla/response.h"
#include "xmla/xml_reader.h"

namespace mdxgen {
namespace xmla {
namespace {

[[noreturn]] void badShape(const std::string& what) {
  throw Error(ErrorKind::kBadResponse, "The server's answer " + what + ".");
}

// Calls visit() at the start of each child element of the element just
// started; whatever of the child visit() leaves unread is skipped.
template <class Visit>
void forChildren(XmlReader& reader, Visit&& visit) {
  const std::size_t depth = reader.depth();
  for (;;) {
    XmlReader::Event event = reader.next();
    if (event == XmlReader::kStart) {
      visit();
      while (reader.depth() > depth) reader.next();
    } else if (event == XmlReader::kEnd && reader.depth() < depth) {
      return;
    }
  }
}

// Moves to the start of the child element with this name, skipping others;
// false when the element ends first.
bool toChild(XmlReader& reader, std::string_view name) {
  const std::size_t depth = reader.depth();
  for (;;) {
    XmlReader::Event event = reader.next();
    if (event == XmlReader::kStart) {
      if (reader.name() == name) return true;
      reader.skipElement();
    } else if (event == XmlReader::kEnd && reader.depth() < depth) {
      return false;
    }
  }
}

std::string textOf(XmlReader& reader) {
  std::string text;
  reader.readText(text);
  return text;
}

std::string attributeOr(const XmlReader& reader, std::string_view name) {
  const std::string* value = reader.attribute(name);
  return value ? *value : std::string();
}

// Walks a fault's detail for the server's own code and description: the
// protocol's Error element with ErrorCode and Description attributes, or
// code and desc elements as some servers write them.
void readFaultDetail(XmlReader& reader, std::string& code, std::string& description) {
  forChildren(reader, [&] {
    if (const std::string* value = reader.attribute("ErrorCode"); value && code.empty()) code = *value;
    if (const std::string* value = reader.attribute("Description"); value && description.empty())
      description = *value;
    if (reader.name() == "code" && code.empty()) {
      reader.readText(code);
    } else if ((reader.name() == "desc" || reader.name() == "description" ||
                reader.name() == "Description") &&
               description.empty()) {
      reader.readText(description);
    } else {
      readFaultDetail(reader, code, description);
    }
  });
}

[[noreturn]] void throwServerError(std::string code, std::string description) {
  std::string message = "The server refused the request: " + description;
  if (!code.empty()) message += " (code " + code + ")";
  message += ".";
  throw Error(ErrorKind::kServer, message, std::move(code), std::move(description));
}

[[noreturn]] void throwFault(XmlReader& reader) {
  std::string fault_code, fault_string, code, description;
  forChildren(reader, [&] {
    if (reader.name() == "faultcode") {
      reader.readText(fault_code);
    } else if (reader.name() == "faultstring") {
      reader.readText(fault_string);
    } else if (reader.name() == "detail") {
      readFaultDetail(reader, code, description);
    }
  });
  if (code.empty()) code = fault_code;
  if (description.empty()) description = fault_string.empty() ? "SOAP fault" : fault_string;
  throwServerError(std::move(code), std::move(description));
}

// Reads the Messages element after an Exception element and throws its
// first Error.
[[noreturn]] void throwMessages(XmlReader* reader) {
  std::string code, description;
  if (reader) {
    forChildren(*reader, [&] {
      if (reader->name() == "Error" && description.empty()) {
        code = attributeOr(*reader, "ErrorCode");
        description = attributeOr(*reader, "Description");
      }
    });
  }
  if (description.empty()) description = "the server reported an exception";
  throwServerError(std::move(code), std::move(description));
}

void readToEnd(XmlReader& reader) {
  while (reader.next() != XmlReader::kEof) {
  }
}

ValueType valueType(std::string_view type) {
  std::size_t colon = type.rfind(':');
  if (colon != std::string_view::npos) type.remove_prefix(colon + 1);
  if (type == "double") return ValueType::kDouble;
  if (type == "float") return ValueType::kFloat;
  if (type == "decimal") return ValueType::kDecimal;
  if (type == "int" || type == "integer" || type == "long" || type == "short" || type == "byte" ||
      type == "unsignedInt" || type == "unsignedLong" || type == "unsignedShort" ||
      type == "unsignedByte")
    return ValueType::kInteger;
  if (type == "boolean") return ValueType::kBoolean;
  if (type == "string") return ValueType::kString;
  return ValueType::kOther;
}

template <class Number>
Number parseNumber(const std::string& text, const char* what) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    badShape(std::string("has a malformed ") + what + " '" + text.substr(0, 40) + "'");
  return value;
}

// The full property names an answer's OlapInfo gives each element name.
struct PropertyName {
  std::string axis;
  std::string hierarchy;
  std::string element;
  std::string name;
};

class CellSetReader {
 public:
  explicit CellSetReader(XmlReader& reader) : reader_(reader) {}

  void readRoot(CellSet& result) {
    bool exception = false;
    forChildren(reader_, [&] {
      std::string_view name = reader_.name();
      if (name == "OlapInfo") {
        readOlapInfo(result);
      } else if (name == "Axes") {
        forChildren(reader_, [&] { readAxis(result); });
      } else if (name == "CellData") {
        forChildren(reader_, [&] {
          if (reader_.name() == "Cell") readCell(result);
        });
      } else if (name == "Exception") {
        exception = true;
      } else if (name == "Messages" && exception) {
        throwMessages(&reader_);
      }
    });
    if (exception) throwMessages(nullptr);
    if (!std::is_sorted(result.cells.begin(), result.cells.end(),
                        [](const Cell& a, const Cell& b) { return a.ordinal < b.ordinal; }))
      std::stable_sort(result.cells.begin(), result.cells.end(),
                       [](const Cell& a, const Cell& b) { return a.ordinal < b.ordinal; });
  }

 private:
  void readOlapInfo(CellSet& result) {
    forChildren(reader_, [&] {
      std::string_view name = reader_.name();
      if (name == "CubeInfo") {
        if (toChild(reader_, "Cube") && toChild(reader_, "CubeName")) reader_.readText(result.cube);
      } else if (name == "AxesInfo") {
        forChildren(reader_, [&] {
          std::string axis = attributeOr(reader_, "name");
          forChildren(reader_, [&] {
            std::string hierarchy = attributeOr(reader_, "name");
            forChildren(reader_, [&] {
              if (const std::string* full = reader_.attribute("name"))
                member_names_.push_back({axis, hierarchy, std::string(reader_.name()), *full});
            });
          });
        });
      } else if (name == "CellInfo") {
        forChildren(reader_, [&] {
          if (const std::string* full = reader_.attribute("name"))
            cell_names_.push_back({{}, {}, std::string(reader_.name()), *full});
        });
      }
    });
  }

  void readAxis(CellSet& result) {
    if (reader_.name() != "Axis") return;
    std::string name = attributeOr(reader_, "name");
    Axis* axis;
    if (name == "SlicerAxis") {
      axis = &result.slicer;
    } else {
      result.axes.emplace_back();
      axis = &result.axes.back();
    }
    axis->name = std::move(name);
    if (!toChild(reader_, "Tuples")) return;
    forChildren(reader_, [&] {
      if (reader_.name() != "Tuple") return;
      Position& position = axis->positions.emplace_back();
      forChildren(reader_, [&] {
        if (reader_.name() == "Member") readMember(axis->name, position.members.emplace_back());
      });
    });
  }

  void readMember(const std::string& axis, Member& member) {
    member.hierarchy = attributeOr(reader_, "Hierarchy");
    forChildren(reader_, [&] {
      std::string_view name = reader_.name();
      if (name == "UName") {
        reader_.readText(member.unique_name);
      } else if (name == "Caption") {
        reader_.readText(member.caption);
      } else if (name == "LName") {
        reader_.readText(member.level_unique_name);
      } else if (name == "LNum") {
        member.level_number = parseNumber<int>(textOf(reader_), "level number");
      } else if (name != "DisplayInfo") {
        Property& property = member.properties.emplace_back();
        property.name = fullName(member_names_, axis, member.hierarchy, name);
        reader_.readText(property.value);
      }
    });
  }

  void readCell(CellSet& result) {
    const std::string* ordinal = reader_.attribute("CellOrdinal");
    if (!ordinal) badShape("has a cell without an ordinal");
    Cell& cell = result.cells.emplace_back();
    cell.ordinal = parseNumber<std::uint64_t>(*ordinal, "cell ordinal");
    forChildren(reader_, [&] {
      std::string_view name = reader_.name();
      if (name == "Value") {
        const std::string* nil = reader_.attribute("nil");
        const std::string* type = reader_.attribute("type");
        if (nil && (*nil == "true" || *nil == "1")) return;
        cell.type = type ? valueType(*type) : ValueType::kString;
        readValue(cell);
      } else if (name == "FmtValue") {
        reader_.readText(cell.formatted_value);
      } else {
        Property& property = cell.properties.emplace_back();
        property.name = fullName(cell_names_, {}, {}, name);
        reader_.readText(property.value);
      }
    });
  }

  // A value's text, or, where the server put an Error element in it, the
  // error's description with the type kError.
  void readValue(Cell& cell) {
    const std::size_t depth = reader_.depth();
    for (;;) {
      XmlReader::Event event = reader_.next();
      if (event == XmlReader::kEnd && reader_.depth() < depth) return;
      if (event == XmlReader::kText && reader_.depth() == depth) {
        cell.value.append(reader_.text().data(), reader_.text().size());
      } else if (event == XmlReader::kStart && reader_.name() == "Error") {
        cell.type = ValueType::kError;
        cell.value = attributeOr(reader_, "Description");
        std::string code;
        if (cell.value.empty()) {
          readFaultDetail(reader_, code, cell.value);
        } else {
          reader_.skipElement();
        }
      } else if (event == XmlReader::kStart) {
        reader_.skipElement();
      }
    }
  }

  static std::string fullName(const std::vector<PropertyName>& names, std::string_view axis,
                              std::string_view hierarchy, std::string_view element) {
    for (const PropertyName& entry : names)
      if (entry.element == element && entry.axis == axis && entry.hierarchy == hierarchy)
        return entry.name;
    return decodeXmlName(element);
  }

  XmlReader& reader_;
  std::vector<PropertyName> member_names_;
  std::vector<PropertyName> cell_names_;
};

// Collects the row element's columns from the inline XML schema.
void readSchema(XmlReader& reader, bool in_row, Rowset& result) {
  forChildren(reader, [&] {
    std::string_view name = reader.name();
    if (name == "complexType") {
      readSchema(reader, attributeOr(reader, "name") == "row", result);
    } else if (name == "element" && in_row) {
      if (const std::string* column = reader.attribute("name")) {
        const std::string* field = reader.attribute("field");
        result.columns.push_back({*column, field ? *field : decodeXmlName(*column)});
      }
    } else {
      readSchema(reader, in_row, result);
    }
  });
}

void readRow(XmlReader& reader, Rowset& result) {
  auto& row = result.rows.emplace_back(result.columns.size());
  std::size_t guess = 0;
  forChildren(reader, [&] {
    std::string_view name = reader.name();
    std::size_t index = guess;
    if (index >= result.columns.size() || result.columns[index].name != name) {
      index = 0;
      while (index < result.columns.size() && result.columns[index].name != name) ++index;
      if (index == result.columns.size()) {
        result.columns.push_back({std::string(name), decodeXmlName(name)});
        row.resize(result.columns.size());
      }
    }
    guess = index + 1;
    const std::string* nil = reader.attribute("nil");
    if (nil && (*nil == "true" || *nil == "1")) return;
    std::string& value = row[index].emplace();
    reader.readText(value);
  });
}

}  // namespace

Envelope openEnvelope(XmlReader& reader) {
  Envelope envelope;
  if (reader.next() != XmlReader::kStart || reader.name() != "Envelope")
    badShape("is not a SOAP envelope");
  for (;;) {
    XmlReader::Event event = reader.next();
    if (event == XmlReader::kEnd) badShape("has no SOAP body");
    if (event != XmlReader::kStart) continue;
    if (reader.name() == "Header") {
      forChildren(reader, [&] {
        if (reader.name() == "Session") envelope.session_id = attributeOr(reader, "SessionId");
      });
    } else if (reader.name() == "Body") {
      break;
    } else {
      reader.skipElement();
    }
  }
  for (;;) {
    XmlReader::Event event = reader.next();
    if (event == XmlReader::kStart) return envelope;
    if (event == XmlReader::kEnd) badShape("has an empty SOAP body");
  }
}

bool enterRoot(XmlReader& reader) {
  if (reader.name() == "Fault") throwFault(reader);
  if (reader.name().size() < 8 ||
      reader.name().substr(reader.name().size() - 8) != "Response")
    badShape("is not a Discover or Execute response");
  return toChild(reader, "return") && toChild(reader, "root");
}

CellSet readCellSet(XmlReader& reader) {
  CellSet result;
  if (enterRoot(reader)) CellSetReader(reader).readRoot(result);
  readToEnd(reader);
  return result;
}

Rowset readRowset(XmlReader& reader) {
  Rowset result;
  if (enterRoot(reader)) {
    bool exception = false;
    forChildren(reader, [&] {
      std::string_view name = reader.name();
      if (name == "schema") {
        readSchema(reader, false, result);
      } else if (name == "row") {
        readRow(reader, result);
      } else if (name == "Exception") {
        exception = true;
      } else if (name == "Messages" && exception) {
        throwMessages(&reader);
      }
    });
    if (exception) throwMessages(nullptr);
    for (auto& row : result.rows) row.resize(result.columns.size());
  }
  readToEnd(reader);
  return result;
}

CellSet readCellSet(std::string_view response) {
  XmlReader reader(response);
  openEnvelope(reader);
  return readCellSet(reader);
}

Rowset readRowset(std::string_view response) {
  XmlReader reader(response);
  openEnvelope(reader);
  return readRowset(reader);
}

const Cell* CellSet::cell(std::uint64_t ordinal) const {
  auto it = std::lower_bound(cells.begin(), cells.end(), ordinal,
                             [](const Cell& cell, std::uint64_t key) { return cell.ordinal < key; });
  return it != cells.end() && it->ordinal == ordinal ? &*it : nullptr;
}

int Rowset::column(std::string_view name) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name || columns[i].field == name) return static_cast<int>(i);
  return -1;
}

std::string Rowset::value(std::size_t row, std::string_view name) const {
  int index = column(name);
  if (index < 0 || row >= rows.size() || static_cast<std::size_t>(index) >= rows[row].size() ||
      !rows[row][static_cast<std::size_t>(index)])
    return {};
  return *rows[row][static_cast<std::size_t>(index)];
}

}  // namespace xmla
}  // namespace mdxgen
