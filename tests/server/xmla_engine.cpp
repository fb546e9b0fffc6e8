#include "tests/server/xmla_engine.h"

#include <curl/curl.h>

#include <charconv>
#include <limits>

#include "tests/server/xmla_server.h"

namespace server_test {
namespace {

// "[Store].[Store City].[Manager]" gives "Manager".
std::string lastName(const std::string& name) {
  const auto dot = name.rfind(".[");
  std::string last = name.substr(dot == std::string::npos ? 0 : dot + 1);
  if (last.size() >= 2 && last.front() == '[' && last.back() == ']') last = last.substr(1, last.size() - 2);
  return last;
}

EngineAxis axisOf(const mdxgen::xmla::Axis& axis) {
  EngineAxis out;
  out.name = axis.name;
  for (const auto& position : axis.positions) {
    auto& names = out.positions.emplace_back();
    auto& values = out.properties.emplace_back();
    for (const auto& member : position.members) {
      names.push_back(member.unique_name);
      auto& slots = values.emplace_back(out.propertyNames.size());
      for (const auto& property : member.properties) {
        const std::string name = lastName(property.name);
        std::size_t k = 0;
        while (k < out.propertyNames.size() && out.propertyNames[k] != name) ++k;
        if (k == out.propertyNames.size()) out.propertyNames.push_back(name);
        if (slots.size() <= k) slots.resize(k + 1);
        slots[k] = property.value;
      }
    }
  }
  for (auto& position : out.properties)
    for (auto& member : position) member.resize(out.propertyNames.size());
  if (out.propertyNames.empty()) out.properties.clear();
  return out;
}

std::string typeOf(const mdxgen::xmla::Cell& cell) {
  using mdxgen::xmla::ValueType;
  if (cell.type == ValueType::kError || cell.formatted_value.rfind("#ERR:", 0) == 0) return "error";
  switch (cell.type) {
    case ValueType::kEmpty: return "empty";
    case ValueType::kDouble:
    case ValueType::kFloat:
    case ValueType::kDecimal:
    case ValueType::kInteger: return "number";
    case ValueType::kBoolean: return "boolean";
    default: return "string";
  }
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// Undoes the side door's escapes: \\ \t \n \r; a field that is \N is NULL.
std::optional<std::string> field(const std::string& text) {
  if (text == "\\N") return std::nullopt;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

}  // namespace

double EngineCell::number() const {
  double v = std::numeric_limits<double>::quiet_NaN();
  if (type == "number") std::from_chars(value.data(), value.data() + value.size(), v);
  return v;
}

EngineClient::EngineClient(const std::string& schema) {
  try {
    std::vector<std::string> args;
    if (!schema.empty()) args = {"--schema", schema, "--data", MDXGEN_SAMPLE_DATA_PATH};
    server_ = std::make_unique<XmlaServer>(MDXGEN_XMLA_SERVER_LAUNCHER, args);
    client_ = std::make_unique<mdxgen::xmla::Client>(server_->options());
  } catch (const std::exception& e) {
    startupError_ = e.what();
    client_.reset();
  }
}

EngineClient::~EngineClient() = default;

const std::string& EngineClient::url() const { return server_->url(); }
const std::string& EngineClient::catalog() const { return server_->catalog(); }

EngineResult EngineClient::mdx(std::string_view statement) {
  EngineResult result;
  const bool drill = statement.substr(0, 12) == "DRILLTHROUGH";
  result.kind = drill ? "DRILLTHROUGH" : "MDX";
  if (!client_) {
    result.error = startupError_;
    return result;
  }
  try {
    if (drill) {
      mdxgen::xmla::Rowset rows = client_->executeTabular(statement, server_->properties());
      for (const auto& column : rows.columns) result.columns.push_back(column.field);
      result.rows = std::move(rows.rows);
    } else {
      mdxgen::xmla::CellSet cells = client_->execute(statement, server_->properties());
      std::size_t total = 1;
      for (const auto& axis : cells.axes) {
        result.axes.push_back(axisOf(axis));
        total *= axis.positions.size();
      }
      result.slicer = axisOf(cells.slicer);
      result.cells.resize(total, EngineCell{"", "", "empty"});
      for (const auto& cell : cells.cells) {
        if (cell.ordinal >= total) continue;
        result.cells[cell.ordinal] = {cell.value, cell.formatted_value, typeOf(cell)};
      }
    }
    result.ok = true;
  } catch (const mdxgen::xmla::Error& e) {
    result.error = e.description().empty() ? e.what() : e.description();
    result.code = e.code();
  }
  result.elapsedMs = static_cast<long long>(client_->lastSeconds() * 1000);
  return result;
}

EngineResult EngineClient::sql(std::string_view statement) {
  EngineResult result;
  result.kind = "SQL";
  if (!client_) {
    result.error = startupError_;
    return result;
  }
  std::string url = server_->url();
  url = url.substr(0, url.rfind('/')) + "/sql";
  std::string body;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, statement.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(statement.size()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 120L);
  CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(curl);
  if (code != CURLE_OK || status != 200) {
    result.error = code != CURLE_OK ? curl_easy_strerror(code) : body;
    return result;
  }
  std::size_t start = 0;
  while (start < body.size()) {
    std::size_t end = body.find('\n', start);
    if (end == std::string::npos) end = body.size();
    std::vector<std::string> fields;
    for (std::size_t at = start; at <= end;) {
      std::size_t tab = body.find('\t', at);
      if (tab == std::string::npos || tab > end) tab = end;
      fields.push_back(body.substr(at, tab - at));
      at = tab + 1;
    }
    if (fields[0] == "COLS") {
      for (std::size_t i = 1; i < fields.size(); ++i) result.columns.push_back(*field(fields[i]));
    } else if (fields[0] == "ROW") {
      auto& row = result.rows.emplace_back();
      for (std::size_t i = 1; i < fields.size(); ++i) row.push_back(field(fields[i]));
    } else if (fields[0] == "COUNT" && fields.size() > 1) {
      result.updateCount = std::stoll(fields[1]);
    }
    start = end + 1;
  }
  result.ok = true;
  return result;
}

}  // namespace server_test
