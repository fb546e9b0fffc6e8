// Reference counts, the instance log and the host's holder.
#include "tests/log_capture.h"
#include "tests/text_cases.h"

using RefCountTest = GeneratorTest;

TEST_F(RefCountTest, LifeOfAFieldInTheInstanceLog) {
  LogCapture capture;
  MDXField* f = generator->GenerateField(L"[Time].[1997]");
  const std::string n = "MDXField: Instance " + std::to_string(f->getInstanceNumber()) + " (@): ";
  EXPECT_EQ(f->getRefCount(), 1);
  EXPECT_EQ(f->use(), 2);
  EXPECT_EQ(f->unuse(), 1);
  EXPECT_EQ(f->unuse(), 0);
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{n + "Created", n + "Refcount raised to 2",
                                      n + "Refcount lowered to 1", n + "Refcount lowered to 0",
                                      n + "Destroyed"}));
  const std::vector<int> verbosities = {5, 6, 6, 6, 5};
  for (std::size_t i = 0; i < capture.records.size(); ++i) {
    const auto& r = capture.records[i];
    EXPECT_EQ(r.verbosity, verbosities[i]);
    EXPECT_EQ(r.messageCode, 0xC2011F00u);
    EXPECT_EQ(r.unit, LogCapture::unitKey());
    EXPECT_EQ(r.source, ".\\source\\componentlog");
    EXPECT_EQ(r.line, 81);
    EXPECT_EQ(r.function, "ComponentLog::log");
  }
}

TEST_F(RefCountTest, VerbosityFiveLogsOnlyLifeAndZeroNothing) {
  for (int verbosity : {5, 0}) {
    LogCapture capture(verbosity);
    MDXSet* s = generator->GenerateSet();
    s->use();
    s->unuse();
    s->unuse();
    EXPECT_EQ(capture.records.size(), verbosity ? 2u : 0u);
  }
}

TEST_F(RefCountTest, InstanceNumbersCountPerFamily) {
  MDXField* a = field(L"[A]");
  MDXSet* s = set(L"S");
  MDXField* b = field(L"[B]");
  MDXSet* t = set(L"T");
  EXPECT_EQ(b->getInstanceNumber(), a->getInstanceNumber() + 1);
  EXPECT_EQ(t->getInstanceNumber(), s->getInstanceNumber() + 1);
}

TEST_F(RefCountTest, UnuseVectorLowersEachElementOnce) {
  MDXField* f = field(L"[A]");
  MDXField::unuseVector({});
  f->use();
  f->use();
  MDXField::unuseVector({f, f});
  EXPECT_EQ(f->getRefCount(), 1);
  MDXTuple* t = tuple({});
  t->use();
  MDXTuple::unuseVector({t});
  EXPECT_EQ(t->getRefCount(), 1);
}

TEST_F(RefCountTest, AutoUnuseHoldsOneReference) {
  MDXField* raw = field(L"[A]");
  {
    auto_unuse<MDXField> held(raw);
    raw->use();
    {
      auto_unuse<MDXField> copy(held);
      EXPECT_EQ(raw->getRefCount(), 3);
      auto_unuse<MDXField> moved(std::move(copy));
      EXPECT_EQ(raw->getRefCount(), 3);
      EXPECT_EQ(copy.get(), nullptr);
    }
    EXPECT_EQ(raw->getRefCount(), 2);
    auto_unuse<const MDXField> constant(raw);
    constant.release();
    held.reset();
  }
  EXPECT_EQ(raw->getRefCount(), 1);
}
