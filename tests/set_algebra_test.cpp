// Set expressions: construction, text access, union, difference, cross
// joins and the one-function wrappers, as whole texts.
#include "memory_host.h"
#include "tests/log_capture.h"
#include "tests/text_cases.h"

namespace {

class SetAlgebraTest : public GeneratorTest {
 protected:
  MDXField* a = field(L"[A]");
  MDXField* b = field(L"[B]");
  MDXField* c = field(L"[C]");
  MDXSet* o = set(L"O");
};

}  // namespace

TEST_F(SetAlgebraTest, Constructors) {
  fake::Hierarchy h{L"[H]"};
  fake::Level level{L"[H].[L1]"};
  std::vector<auto_unuse<MDXField>> held;
  for (MDXField* f : {a, b}) held.emplace_back(f)->use();
  const std::pair<std::function<MDXSet*()>, const char*> cases[] = {
      {[&] { return generator->GenerateSet(); }, "{  }"},
      {[&] { return generator->GenerateSet(VelaString(L" x' ")); }, " x' "},
      {[&] { return generator->GenerateSet(o); }, "O"},
      {[&] { return generator->GenerateSet(&level); }, " { [H].[L1].MEMBERS } "},
      {[&] { return generator->GenerateSet(a); }, " { [A] } "},
      {[&] { return generator->GenerateSet(a, b); }, " { [A]:[B] } "},
      {[&] { return generator->GenerateSet(&h); }, "{[H].allmembers}"},
      {[&] { return generator->GenerateSet(std::vector<MDXField*>{a, b, c}); },
       " { [A], [B], [C] } "},
      {[&] { return generator->GenerateSet(std::vector<MDXField*>{}); }, " {  } "},
      {[&] { return generator->GenerateSet(held); }, " { [A], [B] } "},
      {[&] { return generator->GenerateSet(std::vector<MDXTuple*>{tuple({L"[C]"}),
                                                                tuple({L"[A]", L"[B's]"})}); },
       " { [C], ( [A], [B's] )  } "},
  };
  for (const auto& [make, text] : cases) {
    auto_unuse<MDXSet> s(make());
    EXPECT_EQ(s->getText().toUtf8(), text);
    EXPECT_EQ(s->getRefCount(), 1);
  }
}

// "{  }", "{ }" and "{}" count as empty on either side of a union or
// difference; texts that merely look empty do not.
TEST_F(SetAlgebraTest, EmptyForms) {
  for (const wchar_t* form : {L"{  }", L"{ }", L"{}"}) {
    MDXSet* e = set(form);
    MDXField* f = field(form);
    const std::string t = VelaString(form).toUtf8();
    expectSetTexts({
        ROW(operator+=(*o), "O", form),
        ROW(operator-=(*o), t, form),
        ROW(operator+=(*e), "T"),
        ROW(operator-=(*f), "T"),
    });
  }
  MDXSet* e = set(L"{}");
  MDXField* f = field(L"{}");
  expectSetTexts({
      ROW(operator+=(*a), "{[A]}", L"{  }"),
      ROW(operator+=(*f), "{{}}", L"{ }"),
      ROW(operator-=(*a), "{}", L"{}"),
      ROW(operator+=(*f), "T"),
      ROW(operator-=(*e), "T"),
      ROW(operator+=(*set(L" {  } ")), "UNION( T,  {  }  )"),
      ROW(operator+=(*o), "UNION(  {} , O )", L" {} "),
      ROW(operator*=(*set(L"{  }")), "CROSSJOIN( {  }, {  } )", L"{  }"),
  });
}

TEST_F(SetAlgebraTest, AlgebraAndWrappers) {
  std::vector<auto_unuse<MDXSet>> none, two;
  two.emplace_back(generator->GenerateSet(VelaString(L"A")));
  two.emplace_back(generator->GenerateSet(VelaString(L"B")));
  expectSetTexts({
      ROW(operator+=(*x), "UNION( T, T )"),
      ROW(nonEmptyCrossjoin(none), "T'", L"T'"),
      ROW(nonEmptyCrossjoin(two), "NONEMPTYCROSSJOIN( T, A, B )"),
  });
}

TEST_F(SetAlgebraTest, CrossJoinOfFields) {
  const std::pair<std::vector<MDXField*>, const char*> cases[] = {
      {{}, " {} "}, {{a}, "{[A]}"}, {{a, b, c}, "{[A]} * {[B]} * {[C]}"}};
  for (const auto& [members, text] : cases) {
    std::vector<auto_unuse<const MDXField>> fields;
    for (MDXField* f : members) {
      f->use();
      fields.emplace_back(f);
    }
    auto_unuse<MDXSet> s(MDXSet::crossjoinFields(fields));
    EXPECT_EQ(s->getText().toUtf8(), text);
  }
}

// Assignment copies the text and its quoted copy.
TEST_F(SetAlgebraTest, Assignment) {
  MDXSet* x = set(L"[Joe's]");
  EXPECT_EQ(x->getQuotedText().toUtf8(), "[Joe''s]");
  MDXSet* y = set(L"{  }");
  *y = *x;
  EXPECT_EQ(y->getText().toUtf8(), "[Joe's]");
  EXPECT_EQ(y->getQuotedText().toUtf8(), "[Joe''s]");
}

// A tuple without members refuses its text inside the tuple-vector
// constructor: no set is made.
TEST_F(SetAlgebraTest, EmptyTuplePassesThroughConstruction) {
  const std::vector<MDXTuple*> tuples{tuple({L"[A]"}), tuple({})};
  LogCapture capture(5);
  EXPECT_EQ(refusal([&] { generator->GenerateSet(tuples); }), Refusal(MDXError::kEmptyTuple, {}));
  // The half-made set was counted, then freed without a last unuse.
  ASSERT_EQ(capture.messages().size(), 1u);
  EXPECT_NE(capture.messages()[0].find("MDXSet: Instance"), std::string::npos);
}
