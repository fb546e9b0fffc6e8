// The library's error type: codes, inserts, the four ways to catch it,
// clone, and the one refusal that is logged before it is thrown.
#include <memory>

#include "tests/log_capture.h"
#include "tests/text_cases.h"

// No statement is made for a type outside 0 to 3; the refusal is logged
// once, whatever the verbosity settings, and then thrown.
TEST(MDXError, GenerateQueryRefusalIsLoggedThenThrown) {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  for (int type : {4, -1}) {
    LogCapture capture(5);
    EXPECT_EQ(refusal([&] { generator->GenerateQuery(MDXQuery::QueryType(type), nullptr); }),
              Refusal(MDXError::kValueOutOfRange, {std::to_string(type), "QueryType"}));
    ASSERT_EQ(capture.records.size(), 1u);
    EXPECT_EQ(capture.records[0].messageCode, MDXError::kValueOutOfRange);
    EXPECT_EQ(capture.records[0].inserts.size(), 2u);
  }
  delete generator;
}

TEST(MDXError, CaughtAsEachTypeClonedAndLogged) {
  auto raise = [] {
    MDXError e(MDXError::kUntranslatableNode);
    e.addNumericInsert(-4);
    e.addStringInsert(L"x");
    throw e;
  };
  EXPECT_THROW(raise(), MDXError);
  EXPECT_THROW(raise(), ExceptionCommon);
  EXPECT_THROW(raise(), olap_api::ServerException);
  try {
    raise();
  } catch (const olap_api::ApiException& api) {
    EXPECT_TRUE(api.getCode()->text() == "0xC201111D");
    EXPECT_EQ(VelaString(api.getMessage()->c_str()).toUtf8(), "ODBOMODULE 0xC201111D: -4, x");
    const auto& e = dynamic_cast<const MDXError&>(api);
    EXPECT_TRUE(e.getModuleName() == "ODBOMODULE");
    const std::unique_ptr<MDXError> copy(e.clone());
    EXPECT_EQ(refusal([&] { throw *copy; }), Refusal(MDXError::kUntranslatableNode, {"-4", "x"}));
    LogCapture capture(0);
    copy->log(support_dll::getLogObject());
    ASSERT_EQ(capture.records.size(), 1u);
    EXPECT_EQ(capture.records[0].messageCode, MDXError::kUntranslatableNode);
    EXPECT_EQ(capture.records[0].inserts.size(), 2u);
  }
}
