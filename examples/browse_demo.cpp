// The browse demo: a host application's session on the sample cube [Sales],
// played through the library. Each step changes the query as a user's click
// would, prints the MDX the library writes (laid out) and, over XMLA, the
// grid the server answers with and the time it took.
//
//   mdxgen_browse_demo               on the embedded XMLA server it starts
//   mdxgen_browse_demo --url URL --catalog NAME --cube NAME
//       [--user NAME --password-env VARIABLE]
//                                    on any XMLA server
//   mdxgen_browse_demo --no-server   MDX only
//   --dialect mondrian|msolap8       the generator's dialect: mondrian for the
//                                    embedded server and without one,
//                                    msolap8 for a server given by --url
//
// Over XMLA, hierarchies, levels, members, measures and member properties
// come from the host model read from the server through Discover; with
// --no-server, from examples/sample/sales_schema.xml. When ORVO_REGISTRY names a registry file that switches the query
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
#ifdef MDXGEN_DEMO_WITH_XMLA
#include <mdxgen/xmla.h>

#include <cstdio>
#include <cstdlib>

#include "xmla_model.h"
#include "xmla_server_process.h"
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

#ifdef MDXGEN_DEMO_WITH_XMLA
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

std::string label(const mdxgen::xmla::Position& position) {
  std::string text;
  for (const auto& member : position.members) text += (text.empty() ? "" : " / ") + member.caption;
  return text;
}

// "Manager" from "[Store].[Store City].[Manager]".
std::string propertyName(const std::string& name) { return caption(name); }

// The result of a SELECT as a grid: row headers indented by depth, then the
// rows' member properties, then one column per position of the columns.
Table grid(const mdxgen::xmla::CellSet& result) {
  static const mdxgen::xmla::Axis none;
  const mdxgen::xmla::Axis& columns = result.axes.empty() ? none : result.axes[0];
  const mdxgen::xmla::Axis* rows = result.axes.size() > 1 ? &result.axes[1] : nullptr;
  std::vector<std::string> properties;
  if (rows && !rows->positions.empty())
    for (const auto& property : rows->positions[0].members.at(0).properties)
      properties.push_back(propertyName(property.name));
  Table table(1, std::vector<std::string>{""});
  table[0].insert(table[0].end(), properties.begin(), properties.end());
  for (const auto& position : columns.positions) table[0].push_back(label(position));

  const std::size_t rowCount = rows ? rows->positions.size() : 1;
  std::size_t top = std::numeric_limits<std::size_t>::max();
  for (std::size_t r = 0; rows && r < rowCount; ++r)
    top = std::min(top, depth(rows->positions[r].members.at(0).unique_name));
  for (std::size_t r = 0; r < rowCount; ++r) {
    std::vector<std::string> line{""};
    if (rows) {
      const auto& position = rows->positions[r];
      line[0] = std::string(2 * (depth(position.members.at(0).unique_name) - top), ' ') +
                label(position);
      for (const auto& property : position.members.at(0).properties) line.push_back(property.value);
      line.resize(1 + properties.size());
    }
    for (std::size_t c = 0; c < columns.positions.size(); ++c) {
      const mdxgen::xmla::Cell* cell = result.cell(r * columns.positions.size() + c);
      line.push_back(cell ? cell->formatted_value : "");
    }
    table.push_back(std::move(line));
  }
  return table;
}

// The rows of a DRILLTHROUGH under their column names.
Table factRows(const mdxgen::xmla::Rowset& result) {
  Table table(1);
  for (const auto& column : result.columns) table[0].push_back(column.field);
  for (const auto& row : result.rows) {
    table.emplace_back();
    for (const auto& value : row) table.back().push_back(value.value_or(""));
  }
  return table;
}
#endif

// The session: the generator, the XMLA client (if any) and the query log.
class Session {
 public:
  Session(const VelaString& cube, bool mondrian, mdxgen::xmla::Client* client,
          mdxgen::xmla::Properties properties)
      : generator_(mondrian ? createMondrianQueryGenerator(cube)
                            : createMSOLAP8QueryGenerator(cube)),
        client_(client),
        properties_(std::move(properties)) {
    log_ = generator_->GetMDXQueryLog();
    if (log_) std::cout << "Query log: on, every statement run is logged with its duration.\n";
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

  // One step: its title, the statement laid out, the server's answer and
  // the time the request took.
  void show(const char* title, const MDXSelectQuery& query) {
    std::cout << "\n== " << ++step_ << ". " << title << "\n";
    // A laid-out SELECT without WITH or DRILLTHROUGH starts with its own
    // line break.
    const VelaString text = query.getText(true);
    std::cout << (text.wstr().front() == L'\n' ? "" : "\n") << text << "\n";
#ifdef MDXGEN_DEMO_WITH_XMLA
    if (!client_) return;
    MDXQueryLog::MDXQueryTimer* timer = nullptr;
    if (log_) log_->timeQuery(&timer);
    const std::string statement = text.toUtf8();
    std::cout << '\n';
    try {
      if (statement.find("DRILLTHROUGH") == 0) {
        printTable(factRows(client_->executeTabular(statement, properties_)));
      } else {
        printTable(grid(client_->execute(statement, properties_)));
      }
      std::cout << "(" << static_cast<long>(client_->lastSeconds() * 1000)
                << " ms from request to answer)\n";
    } catch (const mdxgen::xmla::Error& error) {
      std::cout << "The server refused it: " << error.what() << "\n";
    }
    if (log_) log_->logQuery(&query, timer);
#endif
  }

 private:
  MDXQueryGenerator* generator_;
  mdxgen::xmla::Client* client_;
  mdxgen::xmla::Properties properties_;
  MDXQueryLog* log_ = nullptr;
  int step_ = 0;
};

// The session's steps, each building its query from the host model.
// The same steps run over the schema model or the model read from the
// server: both answer the look-ups below.
template <class Cube>
void browse(Session& session, const Cube& cube) {
  MDXQueryGenerator& g = session.generator();
  const auto& time = *cube.hierarchy("[Time]");
  const auto& store = *cube.hierarchy("[Store]");
  const auto& cities = *store.level("Store City");
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
  const char* usage = " [--no-server] [--url URL --catalog NAME --cube NAME"
                      " [--user NAME --password-env VARIABLE]] [--dialect mondrian|msolap8]\n";
  bool withServer = true;
  std::string url, catalog, cubeName = "Sales", user, passwordVariable, dialect;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* value = arg == "--url"            ? &url
                         : arg == "--catalog"      ? &catalog
                         : arg == "--cube"         ? &cubeName
                         : arg == "--user"         ? &user
                         : arg == "--password-env" ? &passwordVariable
                         : arg == "--dialect"      ? &dialect
                                                   : nullptr;
    if (value && i + 1 < argc && (value != &dialect || std::strcmp(argv[i + 1], "mondrian") == 0 ||
                                  std::strcmp(argv[i + 1], "msolap8") == 0)) {
      *value = argv[++i];
    } else if (arg == "--no-server") {
      withServer = false;
    } else {
      (arg == "--help" ? std::cout : std::cerr) << "usage: " << argv[0] << usage;
      return arg == "--help" ? 0 : 2;
    }
  }
  // The dialect follows the server unless chosen: Mondrian's for the
  // embedded one (and without a server), MSOLAP 8 for one given by --url.
  const bool mondrian = dialect.empty() ? url.empty() : dialect == "mondrian";
  std::cout << "Dialect: " << (mondrian ? "Mondrian" : "MSOLAP 8") << ".\n";
  try {
#ifdef MDXGEN_DEMO_WITH_XMLA
    if (withServer) {
      std::unique_ptr<mdxgen::engine::XmlaServerProcess> embedded;
      if (url.empty()) {
        std::cout << "Starting the embedded XMLA server (Mondrian in Jetty) on the sample cube..."
                  << std::endl;
        embedded = std::make_unique<mdxgen::engine::XmlaServerProcess>(
            MDXGEN_DEMO_XMLA_SERVER, std::vector<std::string>{}, &std::cout);
        url = embedded->url();
        catalog = embedded->catalog();
        if (url.empty()) {
          std::cout << "The embedded XMLA server is not available; showing the MDX only.\n";
          withServer = false;
        }
      }
      if (withServer) {
        mdxgen::xmla::ClientOptions options;
        options.url = url;
        options.user = user;
        if (!passwordVariable.empty()) {
          const char* password = std::getenv(passwordVariable.c_str());
          if (!password) {
            std::cerr << "the variable " << passwordVariable << " is not set\n";
            return 2;
          }
          options.password = password;
        }
        mdxgen::xmla::Properties properties;
        properties.catalog = catalog;
        std::cout << "Server " << url << ", catalog " << catalog << ", cube " << cubeName
                  << "; the host model is read from the server.\n";
        xmla_host::XmlaModel model(options, properties);
        const xmla_host::XmlaCube* cube = model.cube(VelaString(cubeName.c_str()));
        if (!cube) {
          std::cerr << "the server lists no cube " << cubeName << "\n";
          return 1;
        }
        mdxgen::xmla::Client client(options);
        Session session(cube->uniqueName(), mondrian, &client, properties);
        browse(session, *cube);
        return 0;
      }
    }
#else
    if (withServer) std::cout << "The XMLA client or server was not built; showing the MDX only.\n";
#endif
    const schema_host::SchemaModel model = schema_host::SchemaModel::load(MDXGEN_DEMO_SCHEMA);
    const SchemaCube& cube = *model.cubes().at(0);
    Session session(cube.uniqueName(), mondrian, nullptr, {});
    browse(session, cube);
  } catch (const schema_host::SchemaError& error) {
    std::cerr << "cannot read the sample cube: " << error.what() << "\n";
    return 1;
  } catch (const mdxgen::xmla::Error& error) {
    std::cerr << "the XMLA server failed: " << error.what() << "\n";
    return 1;
  } catch (const MDXError& error) {
    std::cerr << "the library refused a request: " << error.getMessage(nullptr) << "\n";
    return 1;
  }
  return 0;
}
