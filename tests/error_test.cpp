// The library's error type: codes, inserts, the four ways to catch it,
// clone, and the one refusal that is logged before it is thrown.
#include <gtest/gtest.h>

#include <memory>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"

namespace {

std::vector<std::string> insertsOf(const ExceptionCommon& e) {
  std::vector<std::string> out;
  for (const auto& i : e.getInserts()) out.push_back(i.toUtf8());
  return out;
}

}  // namespace

TEST(MDXError, GenerateQueryOutOfRangeIsLoggedOnceThenThrown) {
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  for (int type : {4, 7, -1}) {
    LogCapture capture(0);
    try {
      generator->GenerateQuery(static_cast<MDXQuery::QueryType>(type), nullptr);
      FAIL() << "no error for type " << type;
    } catch (const olap_api::ServerException& e) {
      const auto& common = dynamic_cast<const ExceptionCommon&>(e);
      EXPECT_EQ(common.getErrorCode(), MDXError::kValueOutOfRange);
      EXPECT_EQ(insertsOf(common), (std::vector<std::string>{std::to_string(type), "QueryType"}));
      EXPECT_TRUE(common.getModuleName() == "ODBOMODULE");
    }
    ASSERT_EQ(capture.records.size(), 1u);
    EXPECT_EQ(capture.records[0].messageCode, MDXError::kValueOutOfRange);
    EXPECT_EQ(capture.records[0].inserts.size(), 2u);
  }
  delete generator;
}

TEST(MDXError, CaughtAsEachTypeAndCloned) {
  auto raise = [] {
    MDXError e(MDXError::kUntranslatableNode);
    e.addNumericInsert(-4);
    e.addStringInsert(L"x");
    throw e;
  };
  EXPECT_THROW(raise(), MDXError);
  EXPECT_THROW(raise(), ExceptionCommon);
  EXPECT_THROW(raise(), olap_api::ApiException);
  EXPECT_THROW(raise(), olap_api::ServerException);
  try {
    raise();
  } catch (const olap_api::ApiException& e) {
    EXPECT_TRUE(e.getCode()->text() == "0xC201111D");
    EXPECT_EQ(VelaString(e.getMessage()->c_str()).toUtf8(), "ODBOMODULE 0xC201111D: -4, x");
  }
  try {
    raise();
  } catch (const MDXError& e) {
    std::unique_ptr<MDXError> copy(e.clone());
    EXPECT_EQ(copy->getErrorCode(), MDXError::kUntranslatableNode);
    EXPECT_EQ(insertsOf(*copy), (std::vector<std::string>{"-4", "x"}));
  }
}

TEST(MDXError, LoggingIgnoresVerbosity) {
  LogCapture capture(0);
  MDXError e(MDXError::kEmptyTuple);
  e.log(support_dll::getLogObject());
  ASSERT_EQ(capture.records.size(), 1u);
  EXPECT_EQ(capture.records[0].messageCode, MDXError::kEmptyTuple);
  EXPECT_TRUE(capture.records[0].inserts.empty());
}
