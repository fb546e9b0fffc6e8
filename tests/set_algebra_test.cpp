// Set expressions: construction, text access, union, difference, cross
// joins and the one-function wrappers, as whole texts.
#include <gtest/gtest.h>

#include <functional>

#include "mdxgen/mdxgen.h"
#include "tests/fake_host.h"
#include "tests/log_capture.h"
#include "tests/text_cases.h"

namespace {

using Case = TextCase<MDXSet>;

class SetAlgebraTest : public ::testing::Test {
 protected:
  ~SetAlgebraTest() override {
    for (auto* x : std::initializer_list<olap_api::RefCount*>{a, b, c, o, empty}) x->unuse();
    delete generator;
  }

  void run(const std::vector<Case>& cases) {
    expectTexts([&](const VelaString& t) { return generator->GenerateSet(t); }, cases);
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  fake::Hierarchy h{L"[H]"};
  fake::Level level{L"[H].[L1]"};
  MDXField* a = generator->GenerateField(L"[A]");
  MDXField* b = generator->GenerateField(L"[B]");
  MDXField* c = generator->GenerateField(L"[C]");
  MDXSet* o = generator->GenerateSet(VelaString(L"O"));
  MDXSet* empty = generator->GenerateSet();
};

}  // namespace

TEST_F(SetAlgebraTest, Constructors) {
  auto_unuse<MDXTuple> pair(generator->GenerateTuple());
  pair->AddField(a)->AddField(b);
  auto_unuse<MDXTuple> single(generator->GenerateTuple());
  single->AddField(c);
  std::vector<auto_unuse<MDXField>> held;
  for (MDXField* f : {a, b}) {
    f->use();
    held.emplace_back(f);
  }
  const struct {
    const char* name;
    std::function<MDXSet*()> make;
    const char* text;
  } cases[] = {
      {"empty", [&] { return generator->GenerateSet(); }, "{  }"},
      {"text", [&] { return generator->GenerateSet(VelaString(L" x' ")); }, " x' "},
      {"copy", [&] { return generator->GenerateSet(o); }, "O"},
      {"level", [&] { return generator->GenerateSet(&level); }, " { [H].[L1].MEMBERS } "},
      {"field", [&] { return generator->GenerateSet(a); }, " { [A] } "},
      {"range", [&] { return generator->GenerateSet(a, b); }, " { [A]:[B] } "},
      {"hierarchy", [&] { return generator->GenerateSet(&h); }, "{[H].allmembers}"},
      {"fields", [&] { return generator->GenerateSet(std::vector<MDXField*>{a, b, c}); },
       " { [A], [B], [C] } "},
      {"one field", [&] { return generator->GenerateSet(std::vector<MDXField*>{a}); },
       " { [A] } "},
      {"no field", [&] { return generator->GenerateSet(std::vector<MDXField*>{}); }, " {  } "},
      {"held fields", [&] { return generator->GenerateSet(held); }, " { [A], [B] } "},
      {"no held field",
       [&] { return generator->GenerateSet(std::vector<auto_unuse<MDXField>>{}); }, " {  } "},
      {"tuples",
       [&] { return generator->GenerateSet(std::vector<MDXTuple*>{single.get(), pair.get()}); },
       " { [C], ( [A], [B] )  } "},
      {"no tuple", [&] { return generator->GenerateSet(std::vector<MDXTuple*>{}); }, " {  } "},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    auto_unuse<MDXSet> set(k.make());
    EXPECT_EQ(set->getText().toUtf8(), k.text);
    EXPECT_EQ(set->getRefCount(), 1);
    EXPECT_NE(dynamic_cast<MSOLAP8Set*>(set.get()), nullptr);
  }
}

// "{  }", "{ }" and "{}", in that order, count as empty on either side of a
// union or difference; texts that merely look empty do not.
TEST_F(SetAlgebraTest, EmptyForms) {
  for (const wchar_t* form : {L"{  }", L"{ }", L"{}"}) {
    auto_unuse<MDXField> f(generator->GenerateField(VelaString(form)));
    auto_unuse<MDXSet> e(generator->GenerateSet(VelaString(form)));
    MDXField* fp = f.get();
    MDXSet* ep = e.get();
    const std::string t = VelaString(form).toUtf8();
    const std::string braced = "{" + t + "}";
    run({
        {"set onto empty", [&](MDXSet* x) { return *x += *o; }, "O", form},
        {"field onto empty", [&](MDXSet* x) { return *x += *a; }, "{[A]}", form},
        {"empty field onto empty", [&](MDXSet* x) { return *x += *fp; }, braced, form},
        {"set from empty", [&](MDXSet* x) { return *x -= *o; }, t, form},
        {"field from empty", [&](MDXSet* x) { return *x -= *a; }, t, form},
        {"empty set onto T", [&](MDXSet* x) { return *x += *ep; }, "T"},
        {"empty field onto T", [&](MDXSet* x) { return *x += *fp; }, "T"},
        {"empty set from T", [&](MDXSet* x) { return *x -= *ep; }, "T"},
        {"empty field from T", [&](MDXSet* x) { return *x -= *fp; }, "T"},
    });
  }
  auto_unuse<MDXSet> spaced(generator->GenerateSet(VelaString(L" {  } ")));
  MDXSet* sp = spaced.get();
  run({
      {"empty vector text onto T", [&](MDXSet* x) { return *x += *sp; },
       "UNION( T,  {  }  )"},
      {"onto no-field crossing", [&](MDXSet* x) { return *x += *o; },
       "UNION(  {} , O )", L" {} "},
      {"three blanks", [&](MDXSet* x) { return *x -= *o; }, "EXCEPT( {   }, { O } )", L"{   }"},
      {"cross join of empties", [&](MDXSet* x) { return *x *= *empty; },
       "CROSSJOIN( {  }, {  } )", L"{  }"},
  });
}

TEST_F(SetAlgebraTest, AlgebraAndWrappers) {
  run({
      {"union", [&](MDXSet* x) { return *x += *o; }, "UNION( T, O )"},
      {"union with a field", [&](MDXSet* x) { return *x += *a; }, "UNION( T, { [A] } )"},
      {"difference", [&](MDXSet* x) { return *x -= *o; }, "EXCEPT( T, { O } )"},
      {"difference with a field", [&](MDXSet* x) { return *x -= *a; },
       "EXCEPT( T, { [A] } )"},
      {"cross join", [&](MDXSet* x) { return *x *= *o; }, "CROSSJOIN( T, O )"},
      {"union with itself", [](MDXSet* x) { return *x += *x; }, "UNION( T, T )"},
      {"add field as union", [&](MDXSet* x) { return x->AddField(*a, true); },
       "UNION( T, { [A] } )"},
      {"add field to a list", [&](MDXSet* x) { return x->AddField(*a, false); }, "T, [A]"},
      {"add field to empty", [&](MDXSet* x) { return x->AddField(*a, false); },
       "{  }, [A]", L"{  }"},
      {"add field as union to empty", [&](MDXSet* x) { return x->AddField(*a, true); },
       "UNION( {  }, { [A] } )", L"{  }"},
      {"empty", [](MDXSet* x) { return x->Empty(); }, "{  }"},
      {"delimit", [](MDXSet* x) { return x->Delimit(); }, "{ T } "},
      {"set expression", [](MDXSet* x) { return x->SetExpression(L"it's"); }, "it's"},
      {"name", [](MDXSet* x) { return x->TakeName(VelaString(L"[N's]")); }, "[N's]"},
      {"name of a set", [&](MDXSet* x) { return x->TakeName(o); }, "O"},
      {"calculations", [](MDXSet* x) { return x->AddCalculations(); },
       "ADDCALCULATEDMEMBERS( T ) "},
      {"strip calculations", [](MDXSet* x) { return x->StripCalculations(nullptr); },
       "STRIPCALCULATEDMEMBERS( T ) "},
      {"hierarchize", [](MDXSet* x) { return x->Hierarchize(false); },
       "HIERARCHIZE( T ) "},
      {"hierarchize post", [](MDXSet* x) { return x->Hierarchize(true); },
       "HIERARCHIZE( A , POST ) ", L"A"},
      {"unorder", [](MDXSet* x) { return x->Unorder(); }, "UNORDER( T ) "},
      {"distinct", [](MDXSet* x) { return x->SpecifyDistinct(); }, "DISTINCT( T ) "},
      {"non-empty", [&](MDXSet* x) { return x->takeNonEmpty(o); }, "T"},
      {"chain", [&](MDXSet* x) { return x->Delimit()->AddCalculations(); },
       "ADDCALCULATEDMEMBERS( { it's }  ) ", L"it's"},
  });
}

TEST_F(SetAlgebraTest, NonEmptyCrossJoin) {
  std::vector<auto_unuse<MDXSet>> none, one, two;
  one.emplace_back(generator->GenerateSet(VelaString(L"A")));
  two.emplace_back(generator->GenerateSet(VelaString(L"A")));
  two.emplace_back(generator->GenerateSet(VelaString(L"B")));
  run({
      {"no set", [&](MDXSet* x) { return x->nonEmptyCrossjoin(none); }, "T'", L"T'"},
      {"one set", [&](MDXSet* x) { return x->nonEmptyCrossjoin(one); },
       "NONEMPTYCROSSJOIN( T, A )"},
      {"two sets", [&](MDXSet* x) { return x->nonEmptyCrossjoin(two); },
       "NONEMPTYCROSSJOIN( T, A, B )"},
  });
}

TEST_F(SetAlgebraTest, CrossJoinOfFields) {
  const struct {
    std::vector<MDXField*> fields;
    const char* text;
  } cases[] = {
      {{}, " {} "},
      {{a}, "{[A]}"},
      {{a, b, c}, "{[A]} * {[B]} * {[C]}"},
  };
  for (const auto& k : cases) {
    std::vector<auto_unuse<const MDXField>> fields;
    for (MDXField* f : k.fields) {
      f->use();
      fields.emplace_back(f);
    }
    auto_unuse<MDXSet> set(MDXSet::crossjoinFields(fields));
    EXPECT_EQ(set->getText().toUtf8(), k.text);
    EXPECT_EQ(set->getRefCount(), 1);
    EXPECT_EQ(dynamic_cast<MSOLAP8Set*>(set.get()), nullptr);
  }
}

TEST_F(SetAlgebraTest, TextAccess) {
  auto_unuse<MDXSet> x(generator->GenerateSet(VelaString(L"[Joe's]")));
  VelaString out(L"previous text");
  x->writeText(out);
  EXPECT_EQ(out.toUtf8(), "[Joe's]");
  EXPECT_EQ(x->getQuotedText().toUtf8(), "[Joe''s]");
  // Assignment copies the text and its quoted copy.
  auto_unuse<MDXSet> y(generator->GenerateSet());
  *y = *x;
  EXPECT_EQ(y->getText().toUtf8(), "[Joe's]");
  EXPECT_EQ(y->getQuotedText().toUtf8(), "[Joe''s]");
  y->Delimit();
  EXPECT_EQ(y->getQuotedText().toUtf8(), "{ [Joe''s] } ");
  EXPECT_EQ(x->getText().toUtf8(), "[Joe's]");
}

// A tuple without members refuses its text inside the tuple-vector
// constructor: no set is made, and the host's sets are as they were.
TEST_F(SetAlgebraTest, EmptyTuplePassesThroughConstruction) {
  auto_unuse<MDXTuple> full(generator->GenerateTuple());
  full->AddField(a);
  auto_unuse<MDXTuple> hollow(generator->GenerateTuple());
  const std::vector<MDXTuple*> tuples{full.get(), hollow.get()};
  auto_unuse<MDXSet> held(generator->GenerateSet(VelaString(L"H")));
  LogCapture capture(5);
  try {
    held->TakeName(generator->GenerateSet(tuples));
    FAIL() << "no error";
  } catch (const MDXError& e) {
    EXPECT_EQ(e.getErrorCode(), MDXError::kEmptyTuple);
    EXPECT_TRUE(e.getInserts().empty());
  }
  EXPECT_EQ(held->getText().toUtf8(), "H");
  // The half-made set was counted, then freed without a last unuse.
  ASSERT_EQ(capture.messages().size(), 1u);
  EXPECT_NE(capture.messages()[0].find("MDXSet: Instance"), std::string::npos);
  EXPECT_NE(capture.messages()[0].find("Created"), std::string::npos);
}
