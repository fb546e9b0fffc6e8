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
  }
}

TEST_F(ValueTest, Texts) {
  expectValueTexts({
      ROW(TakeProperty(m, L"Joe's \"x\"]"), "[M].Properties(\"Joe's \"x\"]\")"),
      ROW(TakeMin(s, single), "MIN( S, [A] )"),
      ROW(TakeCovariance(s, y, x2, true), "COVARIANCEN(S, Y, X2 ) "),
      // Given itself, a value reads the text it has begun to write.
      ROW(TakeLinRegR2(s, x, nullptr), "LINREGR2(S, LINREGR2(S,  ) "),
      ROW(TakeEquality(-7), "T = -7"),
  });
}
