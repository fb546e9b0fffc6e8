// Tuples: composed text, references on members, the empty tuple's error.
#include "tests/text_cases.h"

namespace {

class TupleTest : public GeneratorTest {
 protected:
  MDXField* a = field(L"[A].[a's]");
  MDXField* b = field(L"[B]");
};

}  // namespace

TEST_F(TupleTest, Shapes) {
  MDXTuple* t = tuple({});
  VelaString out(L"kept");
  for (const auto& read : std::initializer_list<std::function<void()>>{
           [&] { t->getText(); }, [&] { t->getQuotedText(); }, [&] { t->writeText(out); }}) {
    EXPECT_EQ(refusal(read), Refusal(MDXError::kEmptyTuple, {}));
  }
  EXPECT_EQ(out.toUtf8(), "kept");
  EXPECT_EQ(t->AddField(a), t);
  EXPECT_EQ(t->getText().toUtf8(), "[A].[a's]");
  EXPECT_EQ(t->getQuotedText().toUtf8(), "[A].[a''s]");
  t->AddField(b)->AddField(a);
  EXPECT_EQ(t->FieldCount(), 3);
  EXPECT_EQ(t->getText().toUtf8(), "( [A].[a's], [B], [A].[a's] ) ");
  EXPECT_EQ(t->getQuotedText().toUtf8(), "( [A].[a''s], [B], [A].[a''s] ) ");
  // A member changed after it was added shows in the next text.
  b->MoveToParent();
  t->writeText(out);
  EXPECT_EQ(out.toUtf8(), "( [A].[a's], [B].PARENT, [A].[a's] ) ");
}

TEST_F(TupleTest, HoldsOneReferencePerEntry) {
  MDXTuple* t = generator->GenerateTuple();
  t->AddField(a)->AddField(a)->AddField(b);
  EXPECT_EQ(a->getRefCount(), 3);
  EXPECT_EQ(b->getRefCount(), 2);
  t->unuse();
  EXPECT_EQ(a->getRefCount(), 1);
  EXPECT_EQ(b->getRefCount(), 1);
}
