// The embedded engine as the server tests see it: statements sent over XMLA
// to tools/engine/xmla-server through the mdxgen::xmla client, SQL through
// the server's test-only side door, answers as plain structs that a case
// compares as short texts.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mdxgen/xmla.h"

namespace server_test {

class XmlaServer;

struct EngineCell {
  std::string value;      // as the server wrote it; empty for an empty cell
  std::string formatted;  // the formatted value
  // "empty", "number", "string", "boolean" or "error".
  std::string type;

  bool empty() const { return type == "empty"; }
  bool error() const { return type == "error"; }
  // The value as a number; NaN for a cell that does not hold a number.
  double number() const;
};

struct EngineAxis {
  std::string name;  // "Axis0", ... or "SlicerAxis"
  // Member unique names of each position.
  std::vector<std::vector<std::string>> positions;
  // DIMENSION PROPERTIES by their last name ("Manager"), in order of first
  // appearance; properties[p][m][k] is the value of propertyNames[k] for
  // member m of position p, nullopt where it does not apply.
  std::vector<std::string> propertyNames;
  std::vector<std::vector<std::vector<std::optional<std::string>>>> properties;
};

struct EngineResult {
  bool ok = false;
  std::string kind;   // "MDX", "DRILLTHROUGH" or "SQL"
  std::string error;  // the server's description when ok is false
  std::string code;   // the server's error code when ok is false
  long long elapsedMs = 0;

  // MDX: axes in order, the slicer, every cell in ordinal order.
  std::vector<EngineAxis> axes;
  EngineAxis slicer;
  std::vector<EngineCell> cells;
  // DRILLTHROUGH and SQL: columns and rows (nullopt = NULL).
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
  long long updateCount = -1;
};

class EngineClient {
 public:
  // Starts the XMLA server on the sample cube, or on another schema over the
  // sample data.
  explicit EngineClient(const std::string& schema = {});
  ~EngineClient();

  bool running() const { return client_ != nullptr; }
  const std::string& startupError() const { return startupError_; }

  // Runs one MDX statement; DRILLTHROUGH comes back as rows.
  EngineResult mdx(std::string_view statement);
  // Runs one SQL statement on the database that holds the cube's data.
  EngineResult sql(std::string_view statement);

  const std::string& url() const;
  const std::string& catalog() const;

 private:
  std::unique_ptr<XmlaServer> server_;
  std::unique_ptr<mdxgen::xmla::Client> client_;
  std::string startupError_;
};

}  // namespace server_test
