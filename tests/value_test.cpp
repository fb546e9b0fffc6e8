// Value expressions: every constructor and operation as whole texts, the
// quoted copy, and an empty tuple's refusal.
#include <climits>

#include "tests/text_cases.h"

namespace {

class ValueTest : public GeneratorTest {
 protected:
  MDXField* m = field(L"[M]");
  MDXSet* s = set(L"S");
  MDXTuple* single = tuple({L"[A]"});
  MDXTuple* pair = tuple({L"[A]", L"[B]"});
  MDXValue* y = value(L"Y");
  MDXValue* x2 = value(L"X2");
  MDXValue* p = value(L"P");
};

}  // namespace

TEST_F(ValueTest, Constructors) {
  const std::pair<MDXValue*, const char*> cases[] = {
      {generator->GenerateValue(0), "0"},
      {generator->GenerateValue(-12), "-12"},
      {generator->GenerateValue(INT_MIN), "-2147483648"},
      {generator->GenerateValue(VelaString(L" [Measures].[Joe's] ")), " [Measures].[Joe's] "},
  };
  for (const auto& [made, text] : cases) {
    auto_unuse<MDXValue> v(made);
    EXPECT_EQ(v->getText().toUtf8(), text);
    EXPECT_EQ(v->getRefCount(), 1);
    EXPECT_NE(dynamic_cast<MSOLAP8Value*>(v.get()), nullptr);
  }
}

TEST_F(ValueTest, Texts) {
  expectValueTexts({
      ROW(TakeCount(s, true), "COUNT( S, IncludeEmpty )"),
      ROW(TakeCount(s, false), "COUNT( S, ExcludeEmpty )"),
      ROW(TakeUniqueName(m), "[M].UNIQUENAME "),
      ROW(TakeName(m), "[M].NAME "),
      ROW(TakeCaption(m), "[M].CAPTION "),
      ROW(TakeDescription(m), "[M].DESCRIPTION "),
      ROW(TakeProperty(m, L"Joe's \"x\"]"), "[M].Properties(\"Joe's \"x\"]\")"),
      ROW(TakeSum(s), "SUM( S )"),
      ROW(TakeAverage(s), "AVG( S )"),
      ROW(TakeMedian(s), "MEDIAN( S )"),
      ROW(TakeStDev(s), "STDEV( S )"),
      ROW(TakeStDevP(s), "STDEVP( S )"),
      ROW(TakeVariance(s), "VARIANCE( S )"),
      ROW(TakeVarianceP(s), "VARIANCEP( S )"),
      ROW(TakeAggregate(s), "AGGREGATE( S )"),
      ROW(TakeMin(s, nullptr), "MIN( S )"),
      ROW(TakeMin(s, single), "MIN( S, [A] )"),
      ROW(TakeMax(s, pair), "MAX( S, ( [A], [B] )  )"),
      ROW(TakeCovariance(s, y, nullptr, false), "COVARIANCE(S, Y ) "),
      ROW(TakeCovariance(s, y, x2, true), "COVARIANCEN(S, Y, X2 ) "),
      ROW(TakeLinRegVariance(s, y, x2), "LINREGVARIANCE(S, Y, X2 ) "),
      ROW(TakeLinRegR2(s, y, nullptr), "LINREGR2(S, Y ) "),
      ROW(TakeLinRegSlope(s, y, x2), "LINREGSLOPE(S, Y, X2 ) "),
      ROW(TakeLinRegIntercept(s, y, nullptr), "LINREGINTERCEPT(S, Y ) "),
      ROW(TakeCorrelation(s, y, x2), "CORRELATION(S, Y, X2 ) "),
      ROW(TakeLinRegPoint(p, s, y, x2), "LINREGPOINT(P, S, Y, X2 ) "),
      // Given itself, a value reads the text it has begun to write.
      ROW(TakeLinRegR2(s, x, nullptr), "LINREGR2(S, LINREGR2(S,  ) "),
      ROW(Add(5), "5 + T"),
      ROW(Add(-3), "-3 + T"),
      ROW(ReverseSign()->ReverseSign(), "- ( - ( T )  ) "),
      ROW(TakeEquality(-7), "T = -7"),
      ROW(TakeEquality(VelaString(L"'a'")), "T = 'a'"),
      ROW(TakeInequality(VelaString(L"0")), "T <> 0"),
  });
}

TEST_F(ValueTest, EmptyTupleLeavesTheValue) {
  MDXValue* v = value(L"X");
  MDXTuple* hollow = tuple({});
  EXPECT_EQ(refusal([&] { v->TakeMin(s, hollow); }), Refusal(MDXError::kEmptyTuple, {}));
  EXPECT_EQ(refusal([&] { v->TakeMax(s, hollow); }), Refusal(MDXError::kEmptyTuple, {}));
  EXPECT_EQ(v->getText().toUtf8(), "X");
}
