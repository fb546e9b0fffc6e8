// What the server tests share: one embedded XMLA server on the sample cube
// per test process, and answers written as short texts that a case compares
// whole.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/server/xmla_engine.h"

namespace server_test {

using Rows = std::vector<std::vector<std::optional<std::string>>>;

// The XMLA server on the sample cube, started on first use and stopped at
// exit: a JVM costs seconds, so the cases of a process share it.
inline EngineClient& sampleEngine() {
  static EngineClient engine;
  return engine;
}

// The last name of a unique name, unbracketed: "[A].[Gadgets [New]]]" gives
// "Gadgets [New]".
inline std::string lastName(const std::string& uniqueName) {
  const auto dot = uniqueName.rfind(".[");
  std::string name = uniqueName.substr(dot == std::string::npos ? 1 : dot + 2);
  if (!name.empty()) name.pop_back();
  for (auto at = name.find("]]"); at != std::string::npos; at = name.find("]]", at + 1))
    name.erase(at, 1);
  return name;
}

// "a|b, c|d": the last names of each position's members.
inline std::string axisText(const EngineAxis& axis) {
  std::string text;
  for (const auto& tuple : axis.positions) {
    if (!text.empty()) text += ", ";
    for (std::size_t m = 0; m < tuple.size(); ++m) text += (m ? "|" : "") + lastName(tuple[m]);
  }
  return text;
}

// "a|b, c|-": rows joined by ", ", columns by "|", "-" for NULL.
inline std::string rowsText(const Rows& rows) {
  std::string text;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      text += (c ? "|" : r ? ", " : "") + rows[r][c].value_or("-");
  }
  return text;
}

// The member properties of an axis as rows, one per position (its first
// member).
inline std::string propertiesText(const EngineAxis& axis) {
  Rows rows;
  for (const auto& position : axis.properties) rows.push_back(position.at(0));
  return rowsText(rows);
}

// The cells as rows of the columns axis, empty cells as NULLs: the text of
// an SQL query that returns one row per row position, one column per column.
inline std::string cellsText(const EngineResult& result) {
  const std::size_t width =
      result.axes.empty() ? 1 : std::max<std::size_t>(1, result.axes[0].positions.size());
  Rows rows;
  for (std::size_t i = 0; i < result.cells.size(); ++i) {
    if (i % width == 0) rows.emplace_back();
    const auto& cell = result.cells[i];
    rows.back().push_back(cell.empty() ? std::nullopt : std::optional<std::string>(cell.value));
  }
  return rowsText(rows);
}

// The rows of an SQL query, as rowsText writes them.
inline std::string sqlText(EngineClient& engine, const std::string& query) {
  EngineResult r = engine.sql(query);
  EXPECT_TRUE(r.ok) << r.error << "\nquery: " << query;
  return rowsText(r.rows);
}

}  // namespace server_test
