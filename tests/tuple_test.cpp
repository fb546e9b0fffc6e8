// Tuples: composed text, references on members, the empty tuple's error.
#include <gtest/gtest.h>

#include "mdxgen/mdxgen.h"

namespace {

class TupleTest : public ::testing::Test {
 protected:
  ~TupleTest() override {
    a->unuse();
    b->unuse();
    delete generator;
  }
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  MDXField* a = generator->GenerateField(L"[A].[a's]");
  MDXField* b = generator->GenerateField(L"[B]");
};

}  // namespace

TEST_F(TupleTest, Shapes) {
  auto_unuse<MDXTuple> t(generator->GenerateTuple());
  EXPECT_NE(dynamic_cast<MSOLAP8Tuple*>(t.get()), nullptr);
  EXPECT_EQ(t->FieldCount(), 0);
  t->AddField(a);
  EXPECT_EQ(t->getText().toUtf8(), "[A].[a's]");
  EXPECT_EQ(t->getQuotedText().toUtf8(), "[A].[a''s]");
  t->AddField(b);
  EXPECT_EQ(t->getText().toUtf8(), "( [A].[a's], [B] ) ");
  EXPECT_EQ(t->getQuotedText().toUtf8(), "( [A].[a''s], [B] ) ");
  t->AddField(a);
  EXPECT_EQ(t->getText().toUtf8(), "( [A].[a's], [B], [A].[a's] ) ");
  EXPECT_EQ(t->FieldCount(), 3);
  VelaString out(L"old");
  t->writeText(out);
  EXPECT_EQ(out.toUtf8(), "( [A].[a's], [B], [A].[a's] ) ");
  // A member changed after it was added shows in the next text.
  b->MoveToParent();
  EXPECT_EQ(t->getText().toUtf8(), "( [A].[a's], [B].PARENT, [A].[a's] ) ");
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

TEST_F(TupleTest, EmptyTupleRaises) {
  auto_unuse<MDXTuple> t(generator->GenerateTuple());
  for (int i = 0; i < 3; ++i) {
    try {
      if (i == 0) t->getText();
      if (i == 1) t->getQuotedText();
      if (i == 2) {
        VelaString out(L"kept");
        try {
          t->writeText(out);
        } catch (...) {
          EXPECT_EQ(out.toUtf8(), "kept");
          throw;
        }
      }
      FAIL();
    } catch (const MDXError& e) {
      EXPECT_EQ(e.getErrorCode(), MDXError::kEmptyTuple);
      EXPECT_TRUE(e.getInserts().empty());
    }
  }
  // The error passes unchanged through a set built from tuples.
  std::vector<MDXTuple*> tuples{t.get()};
  EXPECT_THROW(generator->GenerateSet(tuples), MDXError);
}
