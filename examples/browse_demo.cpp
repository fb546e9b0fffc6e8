// The browse demo: a host application's session on the sample cube [Sales],
// played through the library. Each step changes the query as a user's click
// would, prints the MDX the library writes (laid out) and, when the embedded
// MDX engine is there, the grid the server answers with.
//
//   mdxgen_browse_demo               MDX and results
//   mdxgen_browse_demo --no-server   MDX only
//   --dialect mondrian|msolap8       the generator's dialect; mondrian, the
//                                    embedded engine's, by default
//
// Hierarchies, levels, members, measures and member properties come from the
// host model read from examples/sample/sales_schema.xml, the file the engine
// serves. When ORVO_REGISTRY names a registry file that switches the query
// log on, every statement the server runs is logged with its duration.
#include <mdxgen/mdxgen.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "schema_model.h"
#ifdef MDXGEN_DEMO_WITH_ENGINE
#include "engine_client.h"
#endif

namespace {

using schema_host::SchemaCube;

// The host's filter conditions: a tree of nodes that answers the library's
// calls (KIVA_o::Expression). A node owns its operands.
class Condition final : public KIVA_o::Expression {
 public:
  Condition(int kind, std::vector<Condition*> operands) : kind_(kind) {
    VariantInit(&value_);
    for (Condition* operand : operands) {
      owned_.emplace_back(operand);
      operands_.push_back(operand);
    }
  }
  static Condition* number(double value) {
    auto* node = new Condition(KIVA_o::ET_VALUE, {});
    node->value_.vt = VT_R8;
    node->value_.dblVal = value;
    return node;
  }
  ~Condition() override { VariantClear(&value_); }
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  const std::vector<KIVA_o::Expression*>& getChildren() const override { return operands_; }
  int getType() const override { return kind_; }
  const VARIANT* getValue() const override { return &value_; }
  const VelaString& getString() const override { return text_; }

 private:
  int kind_;
  VelaString text_;
  VARIANT value_;
  std::vector<std::unique_ptr<Condition>> owned_;
  std::vector<KIVA_o::Expression*> operands_;
};

#ifdef MDXGEN_DEMO_WITH_ENGINE
using mdxgen::engine::EngineAxis;
using mdxgen::engine::EngineClient;
using mdxgen::engine::EngineResult;
using Table = std::vector<std::vector<std::string>>;

// Display width of UTF-8 text: one column per character.
std::size_t displayWidth(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

bool looksNumeric(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789.,-% ") == std::string::npos;
}

// Prints a table whose first row is the header; a column whose cells are all
// numbers is right-aligned, any other left-aligned.
void printTable(const Table& table) {
  std::vector<std::size_t> widths;
  std::vector<bool> right;
  for (std::size_t r = 0; r < table.size(); ++r) {
    for (std::size_t c = 0; c < table[r].size(); ++c) {
      if (c == widths.size()) {
        widths.push_back(0);
        right.push_back(true);
      }
      widths[c] = std::max(widths[c], displayWidth(table[r][c]));
      if (r > 0 && !table[r][c].empty() && !looksNumeric(table[r][c])) right[c] = false;
    }
  }
  for (const auto& row : table) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string padding(widths[c] - displayWidth(row[c]), ' ');
      line += "  " + (right[c] ? padding + row[c] : row[c] + padding);
    }
    std::cout << line.substr(0, line.find_last_not_of(' ') + 1) << '\n';
  }
}

// "Zürich" from "[Store].[Switzerland].[ZH].[Zürich]"; "]]" stands for "]".
std::string caption(const std::string& uniqueName) {
  const std::size_t dot = uniqueName.rfind(".[");
  std::string name = uniqueName.substr(dot == std::string::npos ? 1 : dot + 2);
  if (!name.empty() && name.back() == ']') name.pop_back();
  for (std::size_t at = 0; (at = name.find("]]", at)) != std::string::npos; ++at) name.erase(at, 1);
  return name;
}

// How deep a member lies: the number of names in its unique name.
std::size_t depth(const std::string& uniqueName) {
  std::size_t names = 0;
  for (std::size_t at = 0; (at = uniqueName.find(".[", at)) != std::string::npos; ++at) ++names;
  return names;
}

std::string label(const std::vector<std::string>& tuple) {
  std::string text;
  for (const auto& member : tuple) text += (text.empty() ? "" : " / ") + caption(member);
  return text;
}

// The result of a SELECT as a grid: row headers indented by depth, then the
// rows' member properties, then one column per position of the columns.
Table grid(const EngineResult& result) {
  const EngineAxis& columns = result.axes.at(0);
  const EngineAxis* rows = result.axes.size() > 1 ? &result.axes[1] : nullptr;
  Table table(1, std::vector<std::string>{""});
  if (rows) table[0].insert(table[0].end(), rows->propertyNames.begin(), rows->propertyNames.end());
  for (const auto& position : columns.positions) table[0].push_back(label(position));

  const std::size_t rowCount = rows ? rows->positions.size() : 1;
  std::size_t top = std::numeric_limits<std::size_t>::max();
  for (std::size_t r = 0; rows && r < rowCount; ++r) {
    top = std::min(top, depth(rows->positions[r].at(0)));
  }
  for (std::size_t r = 0; r < rowCount; ++r) {
    std::vector<std::string> line{""};
    if (rows) {
      const auto& position = rows->positions[r];
      line[0] = std::string(2 * (depth(position.at(0)) - top), ' ') + label(position);
      for (std::size_t k = 0; k < rows->propertyNames.size(); ++k) {
        line.push_back(rows->properties.at(r).at(0).at(k).value_or(""));
      }
    }
    for (std::size_t c = 0; c < columns.positions.size(); ++c) {
      line.push_back(rows ? result.cell({c, r}).formatted : result.cell({c}).formatted);
    }
    table.push_back(std::move(line));
  }
  return table;
}

// The rows of a DRILLTHROUGH under their column names.
Table factRows(const EngineResult& result) {
  Table table{result.columns};
  for (const auto& row : result.rows) {
    table.emplace_back();
    for (const auto& value : row) table.back().push_back(value.value_or(""));
  }
  return table;
}
#endif

// The session: the generator, the server (if any) and the query log.
class Session {
 public:
  Session(const SchemaCube& cube, bool withServer, bool mondrian)
      : generator_(mondrian ? createMondrianQueryGenerator(cube.uniqueName())
                            : createMSOLAP8QueryGenerator(cube.uniqueName())) {
    std::cout << "Dialect: " << (mondrian ? "Mondrian" : "MSOLAP 8") << ".\n";
    log_ = generator_->GetMDXQueryLog();
    if (log_) std::cout << "Query log: on, every statement run is logged with its duration.\n";
#ifdef MDXGEN_DEMO_WITH_ENGINE
    if (!withServer) return;
    std::cout << "Starting the MDX engine (Mondrian in a JVM) on the sample cube..." << std::endl;
    const auto start = std::chrono::steady_clock::now();
    engine_ = std::make_unique<EngineClient>();
    if (!engine_->running()) {
      std::cout << "The MDX engine is not available, so only the MDX is shown. Its start "
                   "failed with:\n"
                << engine_->startupError() << "\n";
      engine_.reset();
      return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::cout << "Engine " << engine_->version() << " ready in " << elapsed.count()
              << " ms (JVM start and cube load).\n";
#else
    if (withServer) std::cout << "The MDX engine was not built; showing the MDX only.\n";
#endif
  }
  ~Session() { delete generator_; }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  MDXQueryGenerator& generator() { return *generator_; }

  // A new SELECT of columns and rows, as the host makes one for each view.
  auto_unuse<MDXSelectQuery> select(MDXSet* columns, MDXSet* rows,
                                    const std::vector<VelaString>& properties = {},
                                    MDXSelectQuery::NonEmptyStatus rowStatus =
                                        MDXSelectQuery::MayBeEmpty) {
    auto_unuse<MDXSelectQuery> query(
        static_cast<MDXSelectQuery*>(generator_->GenerateQuery(MDXQuery::Select, nullptr)));
    query->AddAxisSpecification(0, columns, {}, MDXSelectQuery::MayBeEmpty);
    query->AddAxisSpecification(1, rows, properties, rowStatus);
    return query;
  }

  // One step: its title, the statement laid out, the server's answer.
  void show(const char* title, const MDXSelectQuery& query) {
    std::cout << "\n== " << ++step_ << ". " << title << "\n";
    // A laid-out SELECT without WITH or DRILLTHROUGH starts with its own
    // line break.
    const VelaString text = query.getText(true);
    std::cout << (text.wstr().front() == L'\n' ? "" : "\n") << text << "\n";
#ifdef MDXGEN_DEMO_WITH_ENGINE
    if (!engine_) return;
    MDXQueryLog::MDXQueryTimer* timer = nullptr;
    if (log_) log_->timeQuery(&timer);
    const EngineResult result = engine_->mdx(text.toUtf8());
    if (log_) log_->logQuery(&query, timer);
    std::cout << '\n';
    if (!result.ok) {
      std::cout << "The server refused it: " << result.error << "\n";
      return;
    }
    printTable(result.kind == "DRILLTHROUGH" ? factRows(result) : grid(result));
    std::cout << "(" << result.elapsedMs << " ms on the server)\n";
#endif
  }

 private:
  MDXQueryGenerator* generator_;
  MDXQueryLog* log_ = nullptr;
#ifdef MDXGEN_DEMO_WITH_ENGINE
  std::unique_ptr<EngineClient> engine_;
#endif
  int step_ = 0;
};

// The session's steps, each building its query from the host model.
void browse(Session& session, const SchemaCube& cube) {
  MDXQueryGenerator& g = session.generator();
  const schema_host::SchemaHierarchy& time = *cube.hierarchy("[Time]");
  const schema_host::SchemaHierarchy& store = *cube.hierarchy("[Store]");
  const schema_host::SchemaLevel& cities = *store.level("Store City");
  auto member = [&](const char* uniqueName) {
    return auto_unuse<MDXField>(g.GenerateField(cube.member(uniqueName)));
  };
  auto measure = [&](const VelaString& name) {
    return auto_unuse<MDXField>(g.GenerateField(cube.measure(name)));
  };
  auto tupleOf = [&](MDXField* field) {
    auto_unuse<MDXTuple> tuple(g.GenerateTuple());
    tuple->AddField(field);
    return tuple;
  };

  // The stored measures, in schema order, on the columns.
  std::vector<auto_unuse<MDXField>> measures;
  for (const VelaString& name : cube.measureNames()) measures.push_back(measure(name));
  auto_unuse<MDXSet> columns(g.GenerateSet(measures));
  auto_unuse<MDXTuple> unitSales = tupleOf(measures.at(0).get());
  auto_unuse<MDXTuple> storeSales = tupleOf(measures.at(1).get());

  auto_unuse<MDXSet> years(g.GenerateSet(time.level("Year")));
  session.show("Years by the two measures", *session.select(columns.get(), years.get()));

  // The set on the rows is changed in place: the next statement shows it so.
  auto_unuse<MDXField> year = member("[Time].[2024]");
  auto_unuse<MDXSet> drilled(g.GenerateSet(year.get()));
  years->DrillDownOnSet(drilled.get());
  session.show("Drill down into 2024", *session.select(columns.get(), years.get()));

  // In the MSOLAP 8 dialect, DRILLUPMEMBER, which Mondrian does not know.
  years->DrillUpOnSet(drilled.get());
  session.show("Drill 2024 back up", *session.select(columns.get(), years.get()));

  auto_unuse<MDXSet> top(g.GenerateSet(&cities));
  top->TakeExtremity(MDXSet::Top, MDXSet::Count, L"3", unitSales.get());
  session.show("Top 3 cities by unit sales, with their managers",
               *session.select(columns.get(), top.get(), {cities.propertyUniqueName(L"Manager")}));

  // The condition "the cell's value > 8.00", as the host's own expression
  // tree; the cell is that of the tuple passed along, the average price.
  auto_unuse<MDXField> price = measure(L"Average Price");
  auto_unuse<MDXTuple> averagePrice = tupleOf(price.get());
  Condition above(KIVA_o::ET_GREATERTHAN,
                        {new Condition(KIVA_o::ET_TUPLE_VALUE,
                                       {new Condition(KIVA_o::ET_CURRENT, {})}),
                         Condition::number(8)});
  auto_unuse<MDXSet> expensive(g.GenerateSet(&cities));
  expensive->TakeFilter(&above, averagePrice.get());
  auto_unuse<MDXSet> withPrice(g.GenerateSet(columns.get()));
  *withPrice += *price;
  session.show("Cities whose average price is above 8.00",
               *session.select(withPrice.get(), expensive.get()));

  // In the MSOLAP 8 dialect, ORDER( UNIQUE( ... ) ...), which Mondrian does
  // not know.
  auto_unuse<MDXSet> sorted(g.GenerateSet(&cities));
  sorted->Order(MDXSet::BDesc, storeSales.get());
  session.show("Cities by store sales, largest first",
               *session.select(columns.get(), sorted.get()));

  VelaString ratio(L"[Measures].[Unit Sales] / ([Measures].[Unit Sales], ");
  ratio += store.allMemberUniqueName();
  ratio += L")";
  auto_unuse<MDXField> share(g.GenerateField(L"[Measures]", L"Share"));
  auto_unuse<MDXValue> formula(g.GenerateValue(ratio));
  auto_unuse<MDXSet> unitsAndShare(
      g.GenerateSet(std::vector<MDXField*>{measures.at(0).get(), share.get()}));
  auto_unuse<MDXSelectQuery> shares = session.select(unitsAndShare.get(), sorted.get());
  shares->AddMemberFormula(share.get(), formula.get(), 1, {L"FORMAT_STRING"}, {L"'0.0%'"});
  session.show("Each city's share of all stores' unit sales", *shares);

  auto_unuse<MDXSet> allCities(g.GenerateSet(&cities));
  auto_unuse<MDXSelectQuery> sliced =
      session.select(columns.get(), allCities.get(), {}, MDXSelectQuery::NonEmpty);
  auto_unuse<MDXField> drink = member("[Product].[Drink]");
  sliced->AddSlicerSpecification(drink.get());
  sliced->AddSlicerSpecification(year.get());
  session.show("Cities that sold drinks in 2024", *sliced);

  auto_unuse<MDXField> zurich = member("[Store].[Switzerland].[ZH].[Zürich]");
  auto_unuse<MDXSet> zurichSet(g.GenerateSet(zurich.get()));
  auto_unuse<MDXSet> units(g.GenerateSet(std::vector<MDXField*>{measures.at(0).get()}));
  auto_unuse<MDXSelectQuery> facts = session.select(units.get(), zurichSet.get());
  auto_unuse<MDXField> quarter = member("[Time].[2024].[Q2]");
  facts->AddSlicerSpecification(quarter.get());
  facts->SpecifyDrillThrough(10);
  session.show("Drill through to the sales of Zürich in 2024 Q2 (10 rows at most)", *facts);
}

}  // namespace

int main(int argc, char** argv) {
  bool withServer = true;
  bool mondrian = true;
  for (int i = 1; i < argc; ++i) {
    const bool help = std::strcmp(argv[i], "--help") == 0;
    const char* const dialect = i + 1 < argc && std::strcmp(argv[i], "--dialect") == 0
                                    ? argv[i + 1] : "";
    if (std::strcmp(argv[i], "--no-server") == 0) {
      withServer = false;
    } else if (std::strcmp(dialect, "mondrian") == 0 || std::strcmp(dialect, "msolap8") == 0) {
      mondrian = std::strcmp(dialect, "mondrian") == 0;
      ++i;
    } else {
      (help ? std::cout : std::cerr)
          << "usage: " << argv[0] << " [--no-server] [--dialect mondrian|msolap8]\n";
      return help ? 0 : 2;
    }
  }
  try {
    const schema_host::SchemaModel model = schema_host::SchemaModel::load(MDXGEN_DEMO_SCHEMA);
    const SchemaCube& cube = *model.cubes().at(0);
    Session session(cube, withServer, mondrian);
    browse(session, cube);
  } catch (const schema_host::SchemaError& error) {
    std::cerr << "cannot read the sample cube: " << error.what() << "\n";
    return 1;
  } catch (const MDXError& error) {
    std::cerr << "the library refused a request: " << error.getMessage(nullptr) << "\n";
    return 1;
  }
  return 0;
}
