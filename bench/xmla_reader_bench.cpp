// The XMLA client's cell-set reader over a generated answer of 1 000 000
// cells (1000 x 1000), shaped and indented as the embedded server writes
// them: each cell with a typed value, a formatted value and a format string.
// Counters: cells per CPU second of the reading thread (on a shared machine
// the wall clock mostly measures the neighbours), and the process's peak
// resident memory while reading, as a multiple of the answer's size (the
// answer itself included).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "mdxgen/xmla.h"

namespace {

constexpr int kSide = 1000;

std::string member(const std::string& hierarchy, int i) {
  std::string name = "[" + hierarchy + "].[Member " + std::to_string(i) + "]";
  return "              <Member Hierarchy=\"" + hierarchy + "\">\n                <UName>" + name +
         "</UName>\n                <Caption>Member " + std::to_string(i) +
         "</Caption>\n                <LName>[" + hierarchy + "].[Level]</LName>\n"
         "                <LNum>1</LNum>\n                <DisplayInfo>0</DisplayInfo>\n"
         "              </Member>\n";
}

std::string axis(const std::string& name, const std::string& hierarchy) {
  std::string text = "      <Axis name=\"" + name + "\">\n        <Tuples>\n";
  for (int i = 0; i < kSide; ++i)
    text += "          <Tuple>\n" + member(hierarchy, i) + "          </Tuple>\n";
  return text + "        </Tuples>\n      </Axis>\n";
}

const std::string& answer() {
  static const std::string text = [] {
    std::string out;
    out.reserve(std::size_t{130} << 20);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope xmlns:SOAP-ENV="
           "\"http://schemas.xmlsoap.org/soap/envelope/\">\n<SOAP-ENV:Header>\n</SOAP-ENV:Header>\n"
           "<SOAP-ENV:Body>\n<cxmla:ExecuteResponse xmlns:cxmla=\"urn:schemas-microsoft-com:xml-analysis\">\n"
           "  <cxmla:return>\n    <root xmlns=\"urn:schemas-microsoft-com:xml-analysis:mddataset\">\n"
           "      <OlapInfo><CubeInfo><Cube><CubeName>Sales</CubeName></Cube></CubeInfo>"
           "<CellInfo><Value name=\"VALUE\"/><FmtValue name=\"FORMATTED_VALUE\"/>"
           "<FormatString name=\"FORMAT_STRING\"/></CellInfo></OlapInfo>\n    <Axes>\n";
    out += axis("Axis0", "Product");
    out += axis("Axis1", "Store");
    out += "    </Axes>\n      <CellData>\n";
    char cell[256];
    for (int i = 0; i < kSide * kSide; ++i) {
      int value = static_cast<int>((static_cast<long long>(i) * 7919) % 100000);
      int length = std::snprintf(cell, sizeof cell,
                                 "        <Cell CellOrdinal=\"%d\">\n"
                                 "          <Value xsi:type=\"xsd:double\">%d.25</Value>\n"
                                 "          <FmtValue>%d.25</FmtValue>\n"
                                 "          <FormatString>#,##0.00</FormatString>\n"
                                 "        </Cell>\n",
                                 i, value, value);
      out.append(cell, static_cast<std::size_t>(length));
    }
    out += "      </CellData>\n    </root>\n  </cxmla:return>\n</cxmla:ExecuteResponse>\n"
           "</SOAP-ENV:Body>\n</SOAP-ENV:Envelope>\n";
    return out;
  }();
  return text;
}

// Resident memory now and at its peak, in bytes, from /proc/self/status.
std::size_t statusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stoull(line.substr(std::strlen(field))) * 1024;
  return 0;
}

void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_ReadCellSet(benchmark::State& state) {
  const std::string& text = answer();
  std::size_t cells = 0;
  double peak_ratio = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // The peak is measured above what the process holds besides the answer.
    std::size_t before = statusBytes("VmRSS:");
    resetPeak();
    state.ResumeTiming();
    mdxgen::xmla::CellSet result = mdxgen::xmla::readCellSet(text);
    cells = result.cells.size();
    benchmark::DoNotOptimize(result);
    state.PauseTiming();
    std::size_t peak = statusBytes("VmHWM:");
    peak_ratio = static_cast<double>(peak - before + text.size()) / static_cast<double>(text.size());
    state.ResumeTiming();
  }
  state.counters["cells_per_second"] =
      benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["answer_MiB"] = static_cast<double>(text.size()) / (1 << 20);
  state.counters["peak_over_answer"] = peak_ratio;
}
BENCHMARK(BM_ReadCellSet)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
