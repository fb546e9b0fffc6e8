// The portable support layer: strings, number texts, variants, the log
// service and the exception base.
#include <gtest/gtest.h>

#include <sstream>

#include "mdxgen/mdxgen.h"

TEST(VelaString, Utf8RoundTripAndComparisons) {
  const VelaString zurich("[Store].[Zürich]");
  EXPECT_EQ(zurich.length(), 16u);
  EXPECT_EQ(zurich.toUtf8(), "[Store].[Zürich]");
  EXPECT_TRUE(VelaString::fromUtf8("\xE2\x82\xAC") == VelaString(L"\u20AC"));
  std::ostringstream os;
  os << zurich;
  EXPECT_EQ(os.str(), "[Store].[Zürich]");
  // An invalid byte stands for itself instead of being dropped.
  EXPECT_EQ(VelaString("a\xFF").length(), 2u);
  EXPECT_TRUE(VelaString(L"{ }") == "{ }");
  EXPECT_FALSE(VelaString(L"{ } ") == "{ }");
  EXPECT_FALSE(VelaString(L"{") == "{ }");
}

TEST(VelaString, FindUpperAndBuild) {
  VelaString s(L"order( a, b )");
  EXPECT_EQ(s.find(L"("), 5u);
  EXPECT_EQ(s.find(L"x"), VelaString::npos);
  s.toUpper();
  EXPECT_TRUE(s == "ORDER( A, B )");
  VelaString b;
  b.build("%s: Instance %d (%p): Refcount raised to %d", L"MDXField", 3, nullptr, 2);
  EXPECT_EQ(b.toUtf8().substr(0, 22), "MDXField: Instance 3 (");
  b.build("[NS_%u]", 7u);
  EXPECT_TRUE(b == "[NS_7]");
  b.buildAppend(" %.3f%%", 0.125);
  EXPECT_TRUE(b == "[NS_7] 0.125%");
}

TEST(StringConverters, Integers) {
  VelaString out(L"old");
  StringConverters::convertIntegerToString(-12, out, 10);
  EXPECT_TRUE(out == "-12");
  StringConverters::convertIntegerToString(-2147483648LL, out, 10);
  EXPECT_TRUE(out == "-2147483648");
  StringConverters::convertIntegerToString(0, out, 10);
  EXPECT_TRUE(out == "0");
}

TEST(StringConverters, Reals) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {5, "5"},           {2.5, "2.5"},          {-0.125, "-0.125"},   {0.1 + 0.2, "0.3"},
      {1e-5, "0.00001"},  {1234567.0, "1234567"}, {-0.0, "0"},         {1e15, "1000000000000000"},
      {1e16, "1e+16"},    {1.5e-7, "1.5e-07"},   {100, "100"},          {1.0 / 3, "0.3333333333333333"},
  };
  for (const auto& c : cases) {
    VelaString out;
    StringConverters::convertRealToString(c.value, out, 10, 16, false);
    EXPECT_EQ(out.toUtf8(), c.text) << c.value;
  }
}

TEST(Variant, ChangeTypeToDoubleAndText) {
  VARIANT in;
  VariantInit(&in);
  in.vt = VT_I4;
  in.lVal = -42;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &in, 0, VT_R8), 0);
  EXPECT_EQ(out.vt, VT_R8);
  EXPECT_EQ(out.dblVal, -42.0);
  ASSERT_EQ(VariantChangeType(&out, &in, 0, VT_BSTR), 0);
  EXPECT_TRUE(VelaString(out.bstrVal) == "-42");
  VariantClear(&out);

  in.vt = VT_BSTR;
  in.bstrVal = SysAllocString(L" 2.5 ");
  ASSERT_EQ(VariantChangeType(&out, &in, 0, VT_R8), 0);
  EXPECT_EQ(out.dblVal, 2.5);
  VariantClear(&in);

  in.vt = VT_BSTR;
  in.bstrVal = SysAllocString(L"abc");
  out.vt = VT_I2;
  EXPECT_LT(VariantChangeType(&out, &in, 0, VT_R8), 0);
  EXPECT_EQ(out.vt, VT_I2);  // unchanged on failure
  VariantClear(&in);
  in.vt = 99;
  EXPECT_LT(VariantChangeType(&out, &in, 0, VT_R8), 0);
}

TEST(CoreLog, SinkAndVerbosity) {
  auto* log = support_dll::getLogObject();
  std::vector<support_dll::LogRecord> records;
  const std::string unit = support_dll::CoreLog::getUnitString(L"TEST", L"Unit");
  EXPECT_FALSE(log->shouldLog(unit, 1));
  log->setSink([&](const support_dll::LogRecord& r) { records.push_back(r); });
  log->setVerbosity(unit, 5);
  EXPECT_TRUE(log->shouldLog(unit, 5));
  EXPECT_FALSE(log->shouldLog(unit, 6));
  EXPECT_FALSE(log->shouldLog("OTHER.Unit", 1));
  const wchar_t* inserts[] = {L"a", L"b"};
  log->log(7, 5, unit, "src", 3, "fn", 2, inserts);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].messageCode, 7u);
  EXPECT_EQ(records[0].inserts.size(), 2u);
  log->setVerbosity(unit, 0);
  EXPECT_FALSE(log->shouldLog(unit, 1));
  log->setSink(nullptr);
  log->log(7, 5, unit, "src", 3, "fn", 2, inserts);
  EXPECT_EQ(records.size(), 1u);
}
