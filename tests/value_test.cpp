// Value expressions: the constructors, and a value given itself.
#include <climits>

#include "tests/text_cases.h"

namespace {

class ValueTest : public GeneratorTest {
 protected:
  MDXSet* s = set(L"S");
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

// Given itself, a value reads the text it has begun to write.
TEST_F(ValueTest, ReadsItsOwnText) {
  expectValueTexts({
      ROW(TakeLinRegR2(s, x, nullptr), "LINREGR2(S, LINREGR2(S,  ) "),
  });
}
