// The XMLA client's answer readers over arbitrary bytes: each input is read
// as a cell set and as a rowset. A refusal is an Error; anything else (a
// crash, a leak, a hang, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mdxgen/xmla.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    mdxgen::xmla::CellSet cells = mdxgen::xmla::readCellSet(text);
    for (const auto& cell : cells.cells) (void)cells.cell(cell.ordinal);
  } catch (const mdxgen::xmla::Error&) {
  }
  try {
    mdxgen::xmla::Rowset rows = mdxgen::xmla::readRowset(text);
    if (!rows.columns.empty()) (void)rows.value(0, rows.columns[0].name);
  } catch (const mdxgen::xmla::Error&) {
  }
  return 0;
}
