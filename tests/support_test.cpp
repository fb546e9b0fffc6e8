// The portable support layer: strings, number texts, variants, the log
// service and its assertion reports.
#include <gtest/gtest.h>

#include <sstream>

#include "mdxgen/mdxgen.h"

TEST(VelaString, Utf8) {
  const VelaString zurich("[Store].[Zürich]");
  EXPECT_EQ(zurich.length(), 16u);
  std::ostringstream os;
  os << zurich;
  EXPECT_EQ(os.str(), "[Store].[Zürich]");
  EXPECT_EQ(VelaString(static_cast<const char*>(nullptr)).length(), 0u);
}

// Every entry point taking 8-bit text decodes it as the constructor does,
// well-formed or not; well-formed text comes back byte for byte.
TEST(VelaString, EveryEightBitEntryPointDecodesTheSame) {
  const std::pair<const char*, std::wstring> cases[] = {
      {"[Store].[Zürich]", L"[Store].[Z\u00FCrich]"},
      {"\xE2\x82\xAC \xF0\x9D\x84\x9E", L"\u20AC \U0001D11E"},
      {"", L""},
      // One U+FFFD per longest well-formed beginning, or per byte.
      {"a\xFF", L"a\uFFFD"},
      {"\xE2\x82x", L"\uFFFDx"},
      {"\xC0\xAF\x80", L"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x9D\x84", L"\uFFFD"},
  };
  for (const auto& [utf8, wide] : cases) {
    const VelaString made(utf8);
    EXPECT_EQ(made.wstr(), wide) << utf8;
    EXPECT_EQ(VelaString::fromUtf8(utf8).wstr(), wide);
    EXPECT_TRUE(made == utf8);
    EXPECT_FALSE(made != utf8);
    EXPECT_FALSE(VelaString(wide + L"!") == utf8);
    VelaString assigned(L"old");
    assigned = utf8;
    EXPECT_EQ(assigned.wstr(), wide);
    VelaString appended(L"<");
    appended += utf8;
    EXPECT_EQ(appended.wstr(), L"<" + wide);
    EXPECT_EQ(VelaString(L"<<" + wide).find(utf8, 2), 2u);
    VelaString built;
    built.build(utf8);
    built.buildAppend("%s", L"|");
    built.buildAppend(utf8);
    EXPECT_EQ(built.wstr(), wide + L"|" + wide);
    if (made.wstr().find(L'\uFFFD') == std::wstring::npos) {
      EXPECT_EQ(made.toUtf8(), utf8);
    }
  }
  // A wide character that is no Unicode scalar value is written as U+FFFD.
  EXPECT_EQ(VelaString(std::wstring(1, static_cast<wchar_t>(0xD800))).toUtf8(), "\xEF\xBF\xBD");
}

TEST(StringConverters, IntegersAndReals) {
  VelaString out(L"old");
  StringConverters::convertIntegerToString(-2147483648LL, out, 10);
  EXPECT_TRUE(out == "-2147483648");
  const std::pair<double, const char*> cases[] = {
      {5, "5"},          {2.5, "2.5"},          {-0.125, "-0.125"}, {0.1 + 0.2, "0.3"},
      {1e-5, "0.00001"}, {1234567.0, "1234567"}, {-0.0, "0"},       {1e15, "1000000000000000"},
      {1e16, "1e+16"},   {1.5e-7, "1.5e-07"},   {100, "100"},       {1.0 / 3, "0.3333333333333333"},
  };
  for (const auto& [value, text] : cases) {
    StringConverters::convertRealToString(value, out, 10, 16, false);
    EXPECT_EQ(out.toUtf8(), text) << value;
  }
}

// Numbers, booleans and decimal texts to a double; a failed conversion
// leaves the output as it was.
TEST(Variant, ChangeTypeToDouble) {
  const std::pair<VARIANT, double> cases[] = {
      {[] { VARIANT v{}; v.vt = VT_I4, v.lVal = -42; return v; }(), -42},
      {[] { VARIANT v{}; v.vt = VT_BOOL, v.boolVal = VARIANT_TRUE; return v; }(), -1},
      {[] { VARIANT v{}; v.vt = VT_BSTR, v.bstrVal = SysAllocString(L" 2.5 "); return v; }(), 2.5},
      {[] { VARIANT v{}; v.vt = VT_BSTR, v.bstrVal = SysAllocString(L"2.5x"); return v; }(), 0},
      {[] { VARIANT v{}; v.vt = 99; return v; }(), 0},
  };
  for (auto [in, number] : cases) {
    VARIANT out{};
    out.vt = VT_I2;
    EXPECT_EQ(VariantChangeType(&out, &in, 0, VT_R8) == 0, number != 0);
    EXPECT_EQ(out.vt, number != 0 ? VT_R8 : VT_I2);
    EXPECT_EQ(number != 0 ? out.dblVal : 0.0, number);
    VariantClear(&in);
  }
}

TEST(CoreLog, SinkVerbosityAndAssertions) {
  auto* log = support_dll::getLogObject();
  std::vector<support_dll::LogRecord> records;
  const std::string unit = support_dll::CoreLog::getUnitString(L"TEST", L"Unit");
  EXPECT_EQ(unit, "TEST.Unit");
  log->setSink([&](const support_dll::LogRecord& r) { records.push_back(r); });
  log->setVerbosity(unit, 5);
  EXPECT_TRUE(log->shouldLog(unit, 5));
  EXPECT_FALSE(log->shouldLog(unit, 6));
  EXPECT_FALSE(log->shouldLog("OTHER.Unit", 1));
  // A failed internal check is reported under SUPPORT.Assert and goes on.
  const std::string asserts = support_dll::CoreLog::getUnitString(L"SUPPORT", L"Assert");
  log->setVerbosity(asserts, 1);
  support_dll::AssertionFailure("RefCountImpl::getRefCount() != 0", ".\\source\\refcountimpl", 53);
  log->setVerbosity(asserts, 0);
  log->setVerbosity(unit, 0);
  EXPECT_FALSE(log->shouldLog(unit, 1));
  log->setSink(nullptr);
  const wchar_t* inserts[] = {L"a"};
  log->log(7, 5, unit, "src", 3, "fn", 1, inserts);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].unit, asserts);
  EXPECT_TRUE(records[0].inserts[0] == "RefCountImpl::getRefCount() != 0");
}

// Records from a place and from the texts given each time, one after the
// other on one thread: each carries its own unit, source, line, function
// and inserts, whichever the thread logged before.
TEST(CoreLog, RecordsFromAPlaceAndFromTextsCarryTheirOwnTexts) {
  auto* log = support_dll::getLogObject();
  std::vector<support_dll::LogRecord> records;
  log->setSink([&](const support_dll::LogRecord& r) { records.push_back(r); });
  const support_dll::LogPlace place("P.Unit", "place.cpp", 9, "placed");
  const support_dll::LogPlace other("O.Unit", "other.cpp", 4, "other");
  EXPECT_NE(place.id(), other.id());
  const wchar_t* inserts[] = {L"t"};
  log->log(1, 2, place, {L"p1", std::wstring_view(L"p2x", 2)});
  log->log(3, 4, "T.Unit", "texts.cpp", 7, "given", 1, inserts);
  log->log(5, 6, place, {L"p3"});
  log->log(7, 1, other, {});
  log->log(8, 1, place, {L"p4"});
  log->setSink(nullptr);
  log->log(9, 1, place, {L"nobody"});
  struct Expected {
    unsigned long code;
    const char* unit;
    const char* source;
    int line;
    const char* function;
    std::vector<std::wstring> inserts;
  };
  const std::vector<Expected> expected = {
      {1, "P.Unit", "place.cpp", 9, "placed", {L"p1", L"p2"}},
      {3, "T.Unit", "texts.cpp", 7, "given", {L"t"}},
      {5, "P.Unit", "place.cpp", 9, "placed", {L"p3"}},
      {7, "O.Unit", "other.cpp", 4, "other", {}},
      {8, "P.Unit", "place.cpp", 9, "placed", {L"p4"}},
  };
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& r = records[i];
    EXPECT_EQ(r.messageCode, expected[i].code);
    EXPECT_EQ(r.unit, expected[i].unit);
    EXPECT_EQ(r.source, expected[i].source);
    EXPECT_EQ(r.line, expected[i].line);
    EXPECT_EQ(r.function, expected[i].function);
    ASSERT_EQ(r.inserts.size(), expected[i].inserts.size());
    for (std::size_t k = 0; k < r.inserts.size(); ++k)
      EXPECT_EQ(r.inserts[k].wstr(), expected[i].inserts[k]);
  }
}
