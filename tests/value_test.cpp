// Value expressions: every constructor and operation as whole texts, the
// quoted copy, and an empty tuple's refusal.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "mdxgen/mdxgen.h"
#include "tests/text_cases.h"

namespace {

using Case = TextCase<MDXValue>;

class ValueTest : public ::testing::Test {
 protected:
  ValueTest() {
    pair->AddField(a)->AddField(b);
    single->AddField(a);
  }
  ~ValueTest() override {
    for (auto* x : std::initializer_list<olap_api::RefCount*>{a, b, m, s, pair, single, y, x2, p})
      x->unuse();
    delete generator;
  }

  void run(const std::vector<Case>& cases) {
    expectTexts([&](const VelaString& t) { return generator->GenerateValue(t); }, cases);
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXField* a = generator->GenerateField(L"[A]");
  MDXField* b = generator->GenerateField(L"[B]");
  MDXField* m = generator->GenerateField(L"[M]");
  MDXSet* s = generator->GenerateSet(VelaString(L"S"));
  MDXTuple* pair = generator->GenerateTuple();
  MDXTuple* single = generator->GenerateTuple();
  MDXValue* y = generator->GenerateValue(VelaString(L"Y"));
  MDXValue* x2 = generator->GenerateValue(VelaString(L"X2"));
  MDXValue* p = generator->GenerateValue(VelaString(L"P"));
};

}  // namespace

TEST_F(ValueTest, Constructors) {
  const struct {
    MDXValue* value;
    const char* text;
  } cases[] = {
      {generator->GenerateValue(0), "0"},
      {generator->GenerateValue(-12), "-12"},
      {generator->GenerateValue(INT_MIN), "-2147483648"},
      {generator->GenerateValue(VelaString(L" [Measures].[Joe's] ")), " [Measures].[Joe's] "},
  };
  for (const auto& c : cases) {
    auto_unuse<MDXValue> v(c.value);
    EXPECT_EQ(v->getText().toUtf8(), c.text);
    EXPECT_EQ(v->getRefCount(), 1);
    EXPECT_NE(dynamic_cast<MSOLAP8Value*>(v.get()), nullptr);
  }
}

TEST_F(ValueTest, MembersAndSets) {
  run({
      {"count", [&](MDXValue* v) { return v->TakeCount(s, true); }, "COUNT( S, IncludeEmpty )"},
      {"count non-empty", [&](MDXValue* v) { return v->TakeCount(s, false); },
       "COUNT( S, ExcludeEmpty )"},
      {"unique name", [&](MDXValue* v) { return v->TakeUniqueName(m); }, "[M].UNIQUENAME "},
      {"name", [&](MDXValue* v) { return v->TakeName(m); }, "[M].NAME "},
      {"caption", [&](MDXValue* v) { return v->TakeCaption(m); }, "[M].CAPTION "},
      {"description", [&](MDXValue* v) { return v->TakeDescription(m); }, "[M].DESCRIPTION "},
      {"property", [&](MDXValue* v) { return v->TakeProperty(m, L"Joe's \"x\"]"); },
       "[M].Properties(\"Joe's \"x\"]\")"},
      {"sum", [&](MDXValue* v) { return v->TakeSum(s); }, "SUM( S )"},
      {"average", [&](MDXValue* v) { return v->TakeAverage(s); }, "AVG( S )"},
      {"median", [&](MDXValue* v) { return v->TakeMedian(s); }, "MEDIAN( S )"},
      {"stdev", [&](MDXValue* v) { return v->TakeStDev(s); }, "STDEV( S )"},
      {"stdevp", [&](MDXValue* v) { return v->TakeStDevP(s); }, "STDEVP( S )"},
      {"variance", [&](MDXValue* v) { return v->TakeVariance(s); }, "VARIANCE( S )"},
      {"variancep", [&](MDXValue* v) { return v->TakeVarianceP(s); }, "VARIANCEP( S )"},
      {"aggregate", [&](MDXValue* v) { return v->TakeAggregate(s); }, "AGGREGATE( S )"},
      {"min", [&](MDXValue* v) { return v->TakeMin(s, nullptr); }, "MIN( S )"},
      {"min, one member", [&](MDXValue* v) { return v->TakeMin(s, single); }, "MIN( S, [A] )"},
      {"min, two members", [&](MDXValue* v) { return v->TakeMin(s, pair); },
       "MIN( S, ( [A], [B] )  )"},
      {"max", [&](MDXValue* v) { return v->TakeMax(s, nullptr); }, "MAX( S )"},
      {"max, two members", [&](MDXValue* v) { return v->TakeMax(s, pair); },
       "MAX( S, ( [A], [B] )  )"},
  });
}

TEST_F(ValueTest, Statistics) {
  run({
      {"covariance", [&](MDXValue* v) { return v->TakeCovariance(s, y, nullptr, false); },
       "COVARIANCE(S, Y ) "},
      {"covariance with x", [&](MDXValue* v) { return v->TakeCovariance(s, y, x2, false); },
       "COVARIANCE(S, Y, X2 ) "},
      {"covariance N", [&](MDXValue* v) { return v->TakeCovariance(s, y, nullptr, true); },
       "COVARIANCEN(S, Y ) "},
      {"covariance N with x", [&](MDXValue* v) { return v->TakeCovariance(s, y, x2, true); },
       "COVARIANCEN(S, Y, X2 ) "},
      {"variance", [&](MDXValue* v) { return v->TakeLinRegVariance(s, y, nullptr); },
       "LINREGVARIANCE(S, Y ) "},
      {"variance with x", [&](MDXValue* v) { return v->TakeLinRegVariance(s, y, x2); },
       "LINREGVARIANCE(S, Y, X2 ) "},
      {"r2", [&](MDXValue* v) { return v->TakeLinRegR2(s, y, nullptr); }, "LINREGR2(S, Y ) "},
      {"r2 with x", [&](MDXValue* v) { return v->TakeLinRegR2(s, y, x2); },
       "LINREGR2(S, Y, X2 ) "},
      {"slope", [&](MDXValue* v) { return v->TakeLinRegSlope(s, y, nullptr); },
       "LINREGSLOPE(S, Y ) "},
      {"slope with x", [&](MDXValue* v) { return v->TakeLinRegSlope(s, y, x2); },
       "LINREGSLOPE(S, Y, X2 ) "},
      {"intercept", [&](MDXValue* v) { return v->TakeLinRegIntercept(s, y, nullptr); },
       "LINREGINTERCEPT(S, Y ) "},
      {"intercept with x", [&](MDXValue* v) { return v->TakeLinRegIntercept(s, y, x2); },
       "LINREGINTERCEPT(S, Y, X2 ) "},
      {"correlation", [&](MDXValue* v) { return v->TakeCorrelation(s, y, nullptr); },
       "CORRELATION(S, Y ) "},
      {"correlation with x", [&](MDXValue* v) { return v->TakeCorrelation(s, y, x2); },
       "CORRELATION(S, Y, X2 ) "},
      {"point", [&](MDXValue* v) { return v->TakeLinRegPoint(p, s, y, nullptr); },
       "LINREGPOINT(P, S, Y ) "},
      {"point with x", [&](MDXValue* v) { return v->TakeLinRegPoint(p, s, y, x2); },
       "LINREGPOINT(P, S, Y, X2 ) "},
      // Given itself, a value reads the text it has begun to write.
      {"itself as y", [&](MDXValue* v) { return v->TakeLinRegR2(s, v, nullptr); },
       "LINREGR2(S, LINREGR2(S,  ) "},
  });
}

TEST_F(ValueTest, ArithmeticAndComparisons) {
  run({
      {"add", [](MDXValue* v) { return v->Add(5); }, "5 + T"},
      {"add negative", [](MDXValue* v) { return v->Add(-3); }, "-3 + T"},
      {"reverse sign", [](MDXValue* v) { return v->ReverseSign(); }, "- ( T ) "},
      {"reverse sign twice", [](MDXValue* v) { return v->ReverseSign()->ReverseSign(); },
       "- ( - ( T )  ) "},
      {"equal to a number", [](MDXValue* v) { return v->TakeEquality(7); }, "T = 7"},
      {"equal to a negative", [](MDXValue* v) { return v->TakeEquality(-7); }, "T = -7"},
      {"equal to a text", [](MDXValue* v) { return v->TakeEquality(VelaString(L"'a'")); },
       "T = 'a'"},
      {"not equal", [](MDXValue* v) { return v->TakeInequality(VelaString(L"0")); }, "T <> 0"},
      {"chain", [](MDXValue* v) { return v->Add(1)->TakeEquality(2)->ReverseSign(); },
       "- ( 1 + T = 2 ) "},
  });
}

TEST_F(ValueTest, TextAccess) {
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"X")));
  v->TakeProperty(m, L"Joe's");
  EXPECT_EQ(v->getText().toUtf8(), "[M].Properties(\"Joe's\")");
  EXPECT_EQ(v->getQuotedText().toUtf8(), "[M].Properties(\"Joe''s\")");
  VelaString out(L"previous text");
  v->writeText(out);
  EXPECT_EQ(out.toUtf8(), "[M].Properties(\"Joe's\")");
}

TEST_F(ValueTest, EmptyTupleLeavesTheValue) {
  auto_unuse<MDXTuple> hollow(generator->GenerateTuple());
  auto_unuse<MDXValue> v(generator->GenerateValue(VelaString(L"X")));
  for (bool max : {false, true}) {
    try {
      max ? v->TakeMax(s, hollow.get()) : v->TakeMin(s, hollow.get());
      FAIL() << "no error";
    } catch (const MDXError& e) {
      EXPECT_EQ(e.getErrorCode(), MDXError::kEmptyTuple);
    }
    EXPECT_EQ(v->getText().toUtf8(), "X");
  }
}
