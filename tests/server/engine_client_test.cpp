// Runs statements on the embedded Mondrian engine through EngineClient and
// checks the answers against SQL over the same data.

#include "engine_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>

namespace {

using mdxgen::engine::EngineClient;
using mdxgen::engine::EngineOptions;
using mdxgen::engine::EngineResult;

// One runner for the whole suite: starting a JVM costs about a second.
class EngineClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine_ = new EngineClient(); }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(engine_->running()) << engine_->startupError();
    }

    static EngineResult mdx(const std::string& statement) {
        EngineResult r = engine_->mdx(statement);
        EXPECT_TRUE(r.ok) << r.error << "\nstatement: " << statement;
        return r;
    }

    // Runs a two-column SQL query (key, value) and returns it as a map.
    static std::map<std::string, std::string> sqlMap(const std::string& query) {
        EngineResult r = engine_->sql(query);
        EXPECT_TRUE(r.ok) << r.error << "\nquery: " << query;
        std::map<std::string, std::string> m;
        for (const auto& row : r.rows) {
            EXPECT_EQ(row.size(), 2u);
            if (row.size() == 2 && row[0] && row[1]) {
                m[*row[0]] = *row[1];
            }
        }
        return m;
    }

    static std::string sqlValue(const std::string& query) {
        EngineResult r = engine_->sql(query);
        EXPECT_TRUE(r.ok) << r.error << "\nquery: " << query;
        if (r.rows.size() != 1 || r.rows[0].size() != 1 || !r.rows[0][0]) {
            ADD_FAILURE() << "expected one value from: " << query;
            return {};
        }
        return *r.rows[0][0];
    }

    static EngineClient* engine_;
};

EngineClient* EngineClientTest::engine_ = nullptr;

// kill() only queues a signal; a busy JVM may answer one more request before
// it takes effect. Waits until /proc shows the process in the given state
// ('T' stopped, 'Z' dead but not yet reaped).
bool waitForState(pid_t pid, char state) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        // Format: pid (comm) state ...; comm may contain spaces.
        auto close = line.rfind(')');
        if (close != std::string::npos && close + 2 < line.size() &&
            line[close + 2] == state) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

TEST_F(EngineClientTest, ReportsMondrianVersion) {
    EXPECT_NE(engine_->version().find("mondrian"), std::string::npos)
        << engine_->version();
    EngineResult r = engine_->ping();
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.kind, "PING");
}

TEST_F(EngineClientTest, YearTotalsMatchSql) {
    EngineResult r = mdx(
        "SELECT {[Measures].[Unit Sales], [Measures].[Store Sales],"
        " [Measures].[Average Price]} ON COLUMNS,\n"
        "  [Time].[Year].Members ON ROWS\n"
        "FROM [Sales]");
    ASSERT_EQ(r.axes.size(), 2u);
    ASSERT_EQ(r.axes[0].name, "COLUMNS");
    ASSERT_EQ(r.axes[0].positions.size(), 3u);
    EXPECT_EQ(r.axes[0].positions[2],
              std::vector<std::string>{"[Measures].[Average Price]"});
    ASSERT_EQ(r.axes[1].positions.size(), 2u);
    EXPECT_EQ(r.axes[1].positions[0][0], "[Time].[2023]");
    EXPECT_EQ(r.axes[1].positions[1][0], "[Time].[2024]");
    ASSERT_EQ(r.cells.size(), 6u);

    auto units = sqlMap(
        "SELECT t.the_year, SUM(f.unit_sales) FROM sales_fact f"
        " JOIN time_by_month t ON t.month_id = f.month_id GROUP BY t.the_year");
    auto sales = sqlMap(
        "SELECT t.the_year, SUM(f.store_sales) FROM sales_fact f"
        " JOIN time_by_month t ON t.month_id = f.month_id GROUP BY t.the_year");
    const char* years[] = {"2023", "2024"};
    for (std::size_t y = 0; y < 2; ++y) {
        EXPECT_EQ(r.cell({0, y}).value, units[years[y]]) << years[y];
        EXPECT_EQ(r.cell({1, y}).value, sales[years[y]]) << years[y];
        EXPECT_NEAR(r.cell({2, y}).number(),
                    std::stod(sales[years[y]]) / std::stod(units[years[y]]),
                    1e-9);
    }
    // Format strings from the schema: "#,##0.00" on Store Sales and on the
    // calculated Average Price.
    EXPECT_EQ(r.cell({1, 0}).formatted, "4,940.94");
    EXPECT_EQ(r.cell({2, 0}).formatted, "5.41");
}

TEST_F(EngineClientTest, NonEmptyDropsStoresWithoutSales) {
    EngineResult all = mdx(
        "SELECT {[Measures].[Unit Sales]} ON 0, [Store].[Store City].Members"
        " ON 1 FROM [Sales] WHERE ([Time].[2023])");
    EngineResult nonEmpty = mdx(
        "SELECT {[Measures].[Unit Sales]} ON 0, NON EMPTY"
        " [Store].[Store City].Members ON 1 FROM [Sales] WHERE ([Time].[2023])");
    ASSERT_EQ(all.axes.size(), 2u);
    ASSERT_EQ(nonEmpty.axes.size(), 2u);
    EXPECT_EQ(all.axes[1].positions.size(), 7u);
    EXPECT_EQ(all.slicer.positions.at(0),
              std::vector<std::string>{"[Time].[2023]"});

    // Vancouver never sold anything; Zürich opened in 2024.
    std::size_t empties = 0;
    for (const auto& c : all.cells) {
        empties += c.empty() ? 1 : 0;
    }
    EXPECT_EQ(empties, 2u);

    auto expected = sqlMap(
        "SELECT s.store_city, SUM(f.unit_sales) FROM sales_fact f"
        " JOIN store s ON s.store_id = f.store_id"
        " JOIN time_by_month t ON t.month_id = f.month_id"
        " WHERE t.the_year = 2023 GROUP BY s.store_city");
    ASSERT_EQ(nonEmpty.axes[1].positions.size(), expected.size());
    for (std::size_t i = 0; i < nonEmpty.axes[1].positions.size(); ++i) {
        const std::string& unique = nonEmpty.axes[1].positions[i][0];
        std::string city = unique.substr(unique.rfind(".[") + 2);
        city.pop_back();
        EXPECT_EQ(nonEmpty.cell({0, i}).value, expected[city]) << unique;
    }
}

TEST_F(EngineClientTest, FilterIsEmptyFindsStoresWithoutSales) {
    EngineResult r = mdx(
        "SELECT {[Measures].[Unit Sales]} ON 0,\n"
        " FILTER([Store].[Store City].Members, IsEmpty([Measures].[Unit Sales]))"
        " ON 1\nFROM [Sales] WHERE ([Time].[2023])");
    ASSERT_EQ(r.axes.size(), 2u);
    ASSERT_EQ(r.axes[1].positions.size(), 2u);
    EXPECT_EQ(r.axes[1].positions[0][0], "[Store].[Canada].[BC].[Vancouver]");
    EXPECT_EQ(r.axes[1].positions[1][0],
              "[Store].[Switzerland].[ZH].[Z\xC3\xBCrich]");
}

TEST_F(EngineClientTest, EscapedNamesRoundTrip) {
    // "]" doubled inside brackets, non-ASCII letters as UTF-8.
    EngineResult r = mdx(
        "SELECT NON EMPTY CROSSJOIN({[Time].[2024].[Q2]},"
        " {[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]}) ON 0,\n"
        " {[Store].[Switzerland].[ZH].[Zürich]} ON 1\n"
        "FROM [Sales] WHERE ([Measures].[Unit Sales])");
    ASSERT_EQ(r.axes.size(), 2u);
    ASSERT_EQ(r.axes[0].positions.size(), 1u);
    EXPECT_EQ(r.axes[0].positions[0],
              (std::vector<std::string>{
                  "[Time].[2024].[Q2]",
                  "[Product].[Non-Consumable].[Electronics].[Gadgets [New]]]"}));
    EXPECT_EQ(r.axes[1].positions[0][0], "[Store].[Switzerland].[ZH].[Zürich]");
    EXPECT_EQ(r.cell({0, 0}).value,
              sqlValue("SELECT SUM(f.unit_sales) FROM sales_fact f"
                       " JOIN time_by_month t ON t.month_id = f.month_id"
                       " JOIN product p ON p.product_id = f.product_id"
                       " JOIN store s ON s.store_id = f.store_id"
                       " WHERE t.month_id BETWEEN 202404 AND 202406"
                       " AND p.product_category = 'Gadgets [New]'"
                       " AND s.store_city = 'Zürich'"));
}

TEST_F(EngineClientTest, ApostrophesInNamesAndStringLiterals) {
    // In brackets an apostrophe is plain; inside a quoted formula it doubles.
    EngineResult r = mdx(
        "WITH MEMBER [Measures].[Joe's Units] AS\n"
        " '([Measures].[Unit Sales], [Product].[Food].[Baked Goods].[Joe''s Cookies])'\n"
        "SELECT {[Measures].[Joe's Units]} ON 0,\n"
        " {[Store].[USA].[ID].[Coeur d'Alene]} ON 1\n"
        "FROM [Sales]");
    ASSERT_EQ(r.axes.size(), 2u);
    EXPECT_EQ(r.axes[0].positions[0][0], "[Measures].[Joe's Units]");
    EXPECT_EQ(r.axes[1].positions[0][0], "[Store].[USA].[ID].[Coeur d'Alene]");
    EXPECT_EQ(r.cell({0, 0}).value,
              sqlValue("SELECT SUM(f.unit_sales) FROM sales_fact f"
                       " JOIN product p ON p.product_id = f.product_id"
                       " JOIN store s ON s.store_id = f.store_id"
                       " WHERE p.product_category = 'Joe''s Cookies'"
                       " AND s.store_city = 'Coeur d''Alene'"));
}

TEST_F(EngineClientTest, DimensionPropertiesComeBackPerMember) {
    EngineResult r = mdx(
        "SELECT {[Measures].[Unit Sales]} ON 0,\n"
        " {[Store].[Switzerland].[ZH].[Zürich], [Store].[USA].[ID].[Coeur d'Alene]}\n"
        " DIMENSION PROPERTIES [Store].[Store City].[Manager],"
        " [Store].[Store City].[Store Size], PARENT_UNIQUE_NAME ON 1\n"
        "FROM [Sales]");
    ASSERT_EQ(r.axes.size(), 2u);
    const auto& rows = r.axes[1];
    EXPECT_TRUE(r.axes[0].propertyNames.empty());
    ASSERT_EQ(rows.propertyNames,
              (std::vector<std::string>{"Manager", "Store Size",
                                        "PARENT_UNIQUE_NAME"}));
    ASSERT_EQ(rows.properties.size(), 2u);
    ASSERT_EQ(rows.properties[0].size(), 1u);
    ASSERT_EQ(rows.properties[0][0].size(), 3u);
    EXPECT_EQ(rows.properties[0][0][0].value_or("<null>"), "Jürg Müller");
    EXPECT_EQ(rows.properties[0][0][1].value_or("<null>"), "15000");
    EXPECT_EQ(rows.properties[0][0][2].value_or("<null>"),
              "[Store].[Switzerland].[ZH]");
    EXPECT_EQ(rows.properties[1][0][0].value_or("<null>"), "Joe O'Brien");
}

TEST_F(EngineClientTest, CalculatedMemberBelowYear) {
    EngineResult r = mdx(
        "SELECT {[Measures].[Unit Sales]} ON 0,\n"
        " {[Time].[2024].[First Half], [Time].[2024].[Q1], [Time].[2024].[Q2]}"
        " ON 1\nFROM [Sales]");
    ASSERT_EQ(r.cells.size(), 3u);
    EXPECT_EQ(r.axes[1].positions[0][0], "[Time].[2024].[First Half]");
    EXPECT_EQ(r.cells[0].number(), r.cells[1].number() + r.cells[2].number());
}

TEST_F(EngineClientTest, DrillThroughReturnsFactRows) {
    EngineResult r = engine_->mdx(
        "DRILLTHROUGH\n"
        "SELECT {[Measures].[Store Sales]} ON 0 FROM [Sales]\n"
        "WHERE ([Store].[Switzerland].[ZH].[Zürich], [Time].[2024].[Q2])\n"
        "RETURN [Product].[Product Category], [Measures].[Store Sales]");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.kind, "DRILLTHROUGH");
    ASSERT_EQ(r.columns,
              (std::vector<std::string>{"Product Category", "Store Sales"}));
    EngineResult expected = engine_->sql(
        "SELECT p.product_category, f.store_sales FROM sales_fact f"
        " JOIN product p ON p.product_id = f.product_id"
        " WHERE f.store_id = 5 AND f.month_id BETWEEN 202404 AND 202406");
    ASSERT_TRUE(expected.ok) << expected.error;
    ASSERT_FALSE(expected.rows.empty());
    std::multiset<std::string> got;
    std::multiset<std::string> want;
    for (const auto& row : r.rows) {
        got.insert(row.at(0).value_or("") + "|" + row.at(1).value_or(""));
    }
    for (const auto& row : expected.rows) {
        want.insert(row.at(0).value_or("") + "|" + row.at(1).value_or(""));
    }
    EXPECT_EQ(got, want);
}

TEST_F(EngineClientTest, StatementsKeepLineBreaksAndTabs) {
    EngineResult r = mdx(
        "SELECT\r\n\t{[Measures].[Unit Sales]} ON COLUMNS\r\n"
        "-- a comment line\n"
        "FROM\t[Sales]\n");
    ASSERT_EQ(r.cells.size(), 1u);
    EXPECT_EQ(r.cells[0].value,
              sqlValue("SELECT SUM(unit_sales) FROM sales_fact"));
}

TEST_F(EngineClientTest, EngineErrorIsReportedAndRunnerGoesOn) {
    EngineResult bad = engine_->mdx("SELECT FROM [Sales] WHERE ([Store].[Atlantis])");
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.kind, "MDX");
    EXPECT_NE(bad.error.find("MDX object '[Store].[Atlantis]' not found in cube"),
              std::string::npos)
        << bad.error;

    EngineResult syntax = engine_->mdx("SELECT {[Measures].[Unit Sales] ON 0 FROM [Sales]");
    EXPECT_FALSE(syntax.ok);
    EXPECT_NE(syntax.error.find("Syntax error"), std::string::npos) << syntax.error;

    EngineResult badSql = engine_->sql("SELECT no_such_column FROM sales_fact");
    EXPECT_FALSE(badSql.ok);
    EXPECT_EQ(badSql.kind, "SQL");

    EXPECT_TRUE(engine_->ping().ok);
}

TEST_F(EngineClientTest, MalformedRecordsAreReportedAndSkipped) {
    EngineResult unknown = engine_->sendRaw("FOO 3\nabc");
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.kind, "PROTOCOL");
    EXPECT_NE(unknown.error.find("unknown record type"), std::string::npos)
        << unknown.error;

    EngineResult length = engine_->sendRaw("MDX twelve\n");
    EXPECT_FALSE(length.ok);
    EXPECT_EQ(length.kind, "PROTOCOL");
    EXPECT_NE(length.error.find("bad payload length"), std::string::npos)
        << length.error;

    EngineResult utf8 = engine_->sendRaw("MDX 2\n\xC3\x28");
    EXPECT_FALSE(utf8.ok);
    EXPECT_NE(utf8.error.find("not valid UTF-8"), std::string::npos) << utf8.error;

    // The framing is intact: the next statement is answered normally.
    EngineResult after = mdx("SELECT FROM [Sales]");
    ASSERT_EQ(after.cells.size(), 1u);
    EXPECT_EQ(after.cells[0].value,
              sqlValue("SELECT SUM(unit_sales) FROM sales_fact"));
}

TEST(EngineClientLifecycle, StartupFailureIsReported) {
    EngineOptions options = EngineOptions::sample();
    options.schema = "/nonexistent/schema.xml";
    EngineClient client(options);
    EXPECT_FALSE(client.running());
    EXPECT_NE(client.startupError().find("cannot read schema"), std::string::npos)
        << client.startupError();
    EngineResult r = client.mdx("SELECT FROM [Sales]");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.kind, "CLIENT");
}

TEST(EngineClientLifecycle, MissingJavaIsReported) {
    EngineOptions options = EngineOptions::sample();
    options.java = "/nonexistent/java";
    EngineClient client(options);
    EXPECT_FALSE(client.running());
    EXPECT_FALSE(client.startupError().empty());
}

TEST(EngineClientLifecycle, RunnerStderrExplainsEarlyExit) {
    EngineOptions options = EngineOptions::sample();
    options.jvmArguments.push_back("-XX:+NoSuchOptionAnywhere");
    EngineClient client(options);
    EXPECT_FALSE(client.running());
    EXPECT_NE(client.startupError().find("exited with status"), std::string::npos)
        << client.startupError();
    EXPECT_NE(client.startupError().find("NoSuchOptionAnywhere"), std::string::npos)
        << client.startupError();
}

TEST(EngineClientLifecycle, SurvivesRunnerCrashAndRestarts) {
    EngineClient client;
    ASSERT_TRUE(client.running()) << client.startupError();
    ASSERT_TRUE(client.ping().ok);

    const pid_t pid = client.processId();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_TRUE(waitForState(pid, 'Z'));
    EngineResult r = client.mdx("SELECT FROM [Sales]");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.kind, "CLIENT");
    EXPECT_NE(r.error.find("signal 9"), std::string::npos) << r.error;
    EXPECT_FALSE(client.running());
    EXPECT_FALSE(client.mdx("SELECT FROM [Sales]").ok);

    ASSERT_TRUE(client.restart()) << client.startupError();
    EXPECT_TRUE(client.mdx("SELECT FROM [Sales]").ok);
}

TEST(EngineClientLifecycle, HungRunnerIsKilledAfterTimeout) {
    EngineOptions options = EngineOptions::sample();
    options.statementTimeout = std::chrono::milliseconds(300);
    EngineClient client(options);
    ASSERT_TRUE(client.running()) << client.startupError();

    const pid_t pid = client.processId();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    ASSERT_TRUE(waitForState(pid, 'T'));
    EngineResult r = client.ping();
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("no answer within 300 ms"), std::string::npos)
        << r.error;
    EXPECT_FALSE(client.running());
    // The stopped JVM was killed and reaped, not left behind.
    EXPECT_NE(kill(pid, 0), 0);
}

}  // namespace
