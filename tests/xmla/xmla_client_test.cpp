// The XMLA client: its readers over recorded and hostile answers, and its
// transport against a misbehaving stub server on loopback (stub_server.py).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "mdxgen/xmla.h"
#include "tools/engine/child_process.h"

namespace {

using mdxgen::xmla::CellSet;
using mdxgen::xmla::Client;
using mdxgen::xmla::ClientOptions;
using mdxgen::xmla::Error;
using mdxgen::xmla::ErrorKind;
using mdxgen::xmla::Rowset;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The kind of error a call throws, or nullopt when it returns.
template <class Call>
std::optional<ErrorKind> kindOf(Call&& call) {
  try {
    call();
  } catch (const Error& error) {
    return error.kind();
  }
  return std::nullopt;
}

std::string envelope(const std::string& body) {
  return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"x\"><s:Body>" + body +
         "</s:Body></s:Envelope>";
}

std::string rowsetAnswer(const std::string& rows) {
  return envelope("<DiscoverResponse><return><root>" + rows + "</root></return></DiscoverResponse>");
}

TEST(XmlaReader, RecordedAnswersOfTheEmbeddedServer) {
  const std::string dir = MDXGEN_RECORDED_DIR;
  CellSet years = mdxgen::xmla::readCellSet(readFile(dir + "/execute_by_year.xml"));
  ASSERT_EQ(years.axes.size(), 2u);
  ASSERT_EQ(years.axes[1].positions.size(), 2u);
  EXPECT_EQ(years.axes[1].positions[0].members[0].unique_name, "[Time].[2023]");
  EXPECT_EQ(years.axes[1].positions[0].members[0].level_number, 1);
  ASSERT_NE(years.cell(1), nullptr);
  EXPECT_EQ(years.cell(0)->value, "913");
  EXPECT_EQ(years.cell(1)->formatted_value, "1,189");
  EXPECT_EQ(years.cell(1)->type, mdxgen::xmla::ValueType::kDouble);

  CellSet grid = mdxgen::xmla::readCellSet(readFile(dir + "/execute_cellset.xml"));
  ASSERT_FALSE(grid.slicer.positions.empty());
  bool named = false;
  for (const auto& position : grid.axes[1].positions)
    for (const auto& member : position.members)
      for (const auto& property : member.properties)
        named = named || (property.name == "[Store].[Manager]" && property.value == "Jürg Müller");
  EXPECT_TRUE(named) << "a DIMENSION PROPERTY keeps its full name and its non-ASCII value";

  Rowset rows = mdxgen::xmla::readRowset(readFile(dir + "/drillthrough.xml"));
  EXPECT_EQ(rows.rows.size(), 10u);
  EXPECT_GE(rows.column("Unit Sales"), 0);

  try {
    mdxgen::xmla::readCellSet(readFile(dir + "/fault_unknown_measure.xml"));
    FAIL() << "a fault must throw";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kServer);
    EXPECT_EQ(error.code(), "00HSBD01");
    EXPECT_NE(error.description().find("'[Measures].[No Such Measure]' not found"), std::string::npos);
  }
}

TEST(XmlaReader, HostileAndBrokenAnswers) {
  const std::string deep = std::string(2000, '<') ;
  std::string nested;
  for (int i = 0; i < 600; ++i) nested += "<a>";
  struct Case {
    const char* name;
    std::string text;
    std::optional<ErrorKind> kind;
  } cases[] = {
      {"rows with entities, nil and unknown columns",
       rowsetAnswer("<row><A>x &amp; &#x5B;y&#93; &#233;</A><B xsi:nil=\"true\"/></row><row><C>1</C></row>"),
       std::nullopt},
      {"empty return", envelope("<ExecuteResponse><return/></ExecuteResponse>"), std::nullopt},
      {"DOCTYPE", "<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + rowsetAnswer(""),
       ErrorKind::kBadResponse},
      {"undefined entity", rowsetAnswer("<row><A>&e;</A></row>"), ErrorKind::kBadResponse},
      {"bad character reference", rowsetAnswer("<row><A>&#0;</A></row>"), ErrorKind::kBadResponse},
      {"mismatched end tag", rowsetAnswer("<row><A></B></row>"), ErrorKind::kBadResponse},
      {"cut short", rowsetAnswer("<row><A>1</A></row>").substr(0, 90), ErrorKind::kBadResponse},
      {"not UTF-8", rowsetAnswer("<row><A>\xC3\x28</A></row>"), ErrorKind::kBadResponse},
      {"nested too deeply", rowsetAnswer(nested), ErrorKind::kBadResponse},
      {"two document elements", rowsetAnswer("") + "<x/>", ErrorKind::kBadResponse},
      {"not an envelope", "<html><body>hello</body></html>", ErrorKind::kBadResponse},
      {"not XML", deep, ErrorKind::kBadResponse},
      {"empty", "", ErrorKind::kBadResponse},
      {"empty body", envelope(""), ErrorKind::kBadResponse},
      {"exception with messages",
       rowsetAnswer("<Exception/><Messages><Error ErrorCode=\"7\" Description=\"no\"/></Messages>"),
       ErrorKind::kServer},
      {"fault without detail",
       envelope("<s:Fault><faultcode>s:Client</faultcode><faultstring>bad</faultstring></s:Fault>"),
       ErrorKind::kServer},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kindOf([&] { mdxgen::xmla::readRowset(c.text); }), c.kind) << c.name;
    EXPECT_EQ(kindOf([&] { mdxgen::xmla::readCellSet(c.text); }), c.kind) << c.name;
  }
  CellSet errors = mdxgen::xmla::readCellSet(envelope(
      "<ExecuteResponse><return><root><CellData>"
      "<Cell CellOrdinal=\"0\"><Value><Error ErrorCode=\"5\" Description=\"div by 0\"/></Value></Cell>"
      "<Cell CellOrdinal=\"2\"><Value><Error><Description>bad</Description></Error></Value></Cell>"
      "</CellData></root></return></ExecuteResponse>"));
  ASSERT_EQ(errors.cells.size(), 2u);
  EXPECT_EQ(errors.cell(0)->type, mdxgen::xmla::ValueType::kError);
  EXPECT_EQ(errors.cell(0)->value, "div by 0");
  EXPECT_EQ(errors.cell(2)->value, "bad");
  EXPECT_EQ(errors.cell(1), nullptr);
  Rowset rows = mdxgen::xmla::readRowset(cases[0].text);
  ASSERT_EQ(rows.rows.size(), 2u);
  EXPECT_EQ(rows.value(0, "A"), "x & [y] \xC3\xA9");
  EXPECT_FALSE(rows.rows[0][1].has_value());
  EXPECT_EQ(rows.rows[1].size(), 3u);
}

// The stub server in a child process; it stops when its stdin closes.
class Stub {
 public:
  explicit Stub(const std::vector<std::string>& extra = {}) : process_(words(extra), true) {
    if (!process_.started()) std::abort();
    process_.readLines([this](const char* line) {
      if (std::sscanf(line, "PORT %d", &port_) != 1) port_ = 0;
      return true;
    });
  }
  std::string url(const std::string& scheme, const std::string& path) const {
    return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
  }
  int port() const { return port_; }

 private:
  static std::vector<std::string> words(const std::vector<std::string>& extra) {
    std::vector<std::string> all = {"python3", MDXGEN_STUB_SERVER};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }

  mdxgen::engine::ChildProcess process_;
  int port_ = 0;
};

ClientOptions quick(const std::string& url) {
  ClientOptions options;
  options.url = url;
  options.timeout = std::chrono::milliseconds(1500);
  options.max_response_bytes = 1 << 20;
  return options;
}

TEST(XmlaTransport, EachFailureHasItsKind) {
  Stub stub;
  ASSERT_NE(stub.port(), 0);
  int free_port;
  {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    free_port = ntohs(address.sin_port);
    close(probe);
  }
  struct Case {
    std::string url;
    std::optional<ErrorKind> kind;
    long status;
  } cases[] = {
      {stub.url("http", "/echo"), std::nullopt, 0},
      {stub.url("http", "/gzip"), std::nullopt, 0},
      {stub.url("http", "/close"), ErrorKind::kConnection, 0},
      {stub.url("http", "/short"), ErrorKind::kConnection, 0},
      {"http://127.0.0.1:" + std::to_string(free_port) + "/xmla", ErrorKind::kConnection, 0},
      {stub.url("http", "/500"), ErrorKind::kHttpStatus, 500},
      {stub.url("http", "/nowhere"), ErrorKind::kHttpStatus, 404},
      {stub.url("http", "/redirect"), ErrorKind::kHttpStatus, 302},
      {stub.url("http", "/fault500"), ErrorKind::kServer, 500},
      {stub.url("http", "/garbage"), ErrorKind::kBadResponse, 0},
      {stub.url("http", "/truncated"), ErrorKind::kBadResponse, 0},
      {stub.url("http", "/doctype"), ErrorKind::kBadResponse, 0},
      {stub.url("http", "/big"), ErrorKind::kTooLarge, 0},
      {stub.url("http", "/bigstream"), ErrorKind::kTooLarge, 0},
      {stub.url("http", "/stall"), ErrorKind::kTimeout, 0},
  };
  for (const Case& c : cases) {
    ClientOptions options = quick(c.url);
    options.user = "ann";
    options.password = "pa55-secret";
    Client client(options);
    try {
      Rowset rows = client.discover("DISCOVER_DATASOURCES");
      EXPECT_FALSE(c.kind.has_value()) << c.url << " answered";
      EXPECT_EQ(rows.rows.size(), 1u) << c.url;
    } catch (const Error& error) {
      EXPECT_EQ(std::optional<ErrorKind>(error.kind()), c.kind) << c.url << ": " << error.what();
      EXPECT_EQ(error.httpStatus(), c.status) << c.url;
      EXPECT_EQ(std::string(error.what()).find("pa55-secret"), std::string::npos);
    }
  }
  ClientOptions follow = quick(stub.url("http", "/redirect"));
  follow.follow_redirects = true;
  EXPECT_EQ(Client(follow).discover("DISCOVER_DATASOURCES").rows.size(), 1u);
  ClientOptions bigger = quick(stub.url("http", "/bigstream"));
  bigger.max_response_bytes = 8 << 20;
  EXPECT_EQ(Client(bigger).discover("DISCOVER_DATASOURCES").value(0, "A").size(), 2u << 20);
  EXPECT_EQ(kindOf([] { Client(quick("ftp://127.0.0.1/")); }), ErrorKind::kInvalidArgument);
  EXPECT_EQ(kindOf([] { Client(quick("http://ann:pw@127.0.0.1/")); }), ErrorKind::kInvalidArgument);
}

TEST(XmlaTransport, RequestsCarryEscapedTextsCredentialsAndSessions) {
  Stub stub;
  ClientOptions options = quick(stub.url("http", "/echo"));
  options.user = "ann";
  options.password = "pw";
  Client client(options);
  const std::string statement = "SELECT {[Product].[Gadgets [New]]], [Store].[Zürich], "
                                "[Store].[Coeur d'Alene]} ON 0 FROM [Sales] WHERE <&>";
  mdxgen::xmla::Properties properties;
  properties.catalog = "Sales & Co";
  Rowset echo = client.executeTabular(statement, properties);
  EXPECT_NE(echo.value(0, "BODY").find("<Statement>SELECT {[Product].[Gadgets [New]]], "
                                       "[Store].[Zürich], [Store].[Coeur d&apos;Alene]} ON 0 "
                                       "FROM [Sales] WHERE &lt;&amp;&gt;</Statement>"),
            std::string::npos)
      << echo.value(0, "BODY");
  EXPECT_NE(echo.value(0, "BODY").find("<Catalog>Sales &amp; Co</Catalog>"), std::string::npos);
  EXPECT_EQ(echo.value(0, "ACTION"), "\"urn:schemas-microsoft-com:xml-analysis:Execute\"");
  EXPECT_EQ(echo.value(0, "AUTH"), "Basic YW5uOnB3");
  EXPECT_EQ(echo.value(0, "SESSION"), "");

  client.beginSession();
  EXPECT_EQ(client.sessionId(), "S-42");
  Rowset next = client.discover("MDSCHEMA_CUBES", {{"CUBE_NAME", "Sales"}});
  EXPECT_EQ(next.value(0, "SESSION"), "S-42");
  EXPECT_NE(next.value(0, "BODY").find("<CUBE_NAME>Sales</CUBE_NAME>"), std::string::npos);
  client.endSession();
  EXPECT_EQ(client.sessionId(), "");
  EXPECT_EQ(client.discover("DISCOVER_DATASOURCES").value(0, "SESSION"), "");

  for (const char* bad : {"MDSCHEMA CUBES", "", "<x>"})
    EXPECT_EQ(kindOf([&] { client.discover(bad); }), ErrorKind::kInvalidArgument) << bad;
  EXPECT_EQ(kindOf([&] { client.execute(std::string("a\x01", 2)); }), ErrorKind::kInvalidArgument);
  EXPECT_EQ(kindOf([&] { client.execute("\xFF"); }), ErrorKind::kInvalidArgument);
}

TEST(XmlaTransport, SeveralClientsOnSeveralThreads) {
  Stub stub;
  std::vector<std::thread> threads;
  std::vector<int> answered(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Client client(quick(stub.url("http", "/echo")));
      for (int i = 0; i < 10; ++i) {
        std::string statement = "thread " + std::to_string(t) + " request " + std::to_string(i);
        Rowset echo = client.executeTabular(statement);
        if (echo.value(0, "BODY").find(statement) != std::string::npos) ++answered[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : answered) EXPECT_EQ(count, 10);
}

TEST(XmlaTransport, HttpsVerifiesTheCertificateUnlessToldOtherwise) {
  auto dir = std::filesystem::temp_directory_path() / ("xmla-tls-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::string cert = (dir / "cert.pem").string(), key = (dir / "key.pem").string();
  std::string command =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
      "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " + key + " -out " + cert +
      " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << "openssl could not make a certificate";
  {
    Stub stub({"--cert", cert, "--key", key});
    ASSERT_NE(stub.port(), 0);
    ClientOptions plain = quick(stub.url("https", "/echo"));
    EXPECT_EQ(kindOf([&] { Client(plain).discover("DISCOVER_DATASOURCES"); }), ErrorKind::kTls);
    ClientOptions trusted = plain;
    trusted.ca_file = cert;
    EXPECT_EQ(Client(trusted).discover("DISCOVER_DATASOURCES").rows.size(), 1u);
    ClientOptions insecure = plain;
    insecure.insecure_skip_verify = true;
    EXPECT_EQ(Client(insecure).discover("DISCOVER_DATASOURCES").rows.size(), 1u);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
