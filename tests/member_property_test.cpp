// Member properties: the two texts of each form, and the two names under
// which instances of one counter are logged.
#include <gtest/gtest.h>

#include <regex>

#include "mdxgen/mdxgen.h"
#include "tests/log_capture.h"

namespace {

class MemberPropertyTest : public ::testing::Test {
 protected:
  ~MemberPropertyTest() override { delete generator; }
  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
};

// A property whose unique name a subclass writes its own way.
class RenamedProperty : public MSOLAP8MemberProperty {
 public:
  using MSOLAP8MemberProperty::MSOLAP8MemberProperty;
  VelaString getPropertyUniqueName() const override { return VelaString(L"<P>"); }
};

}  // namespace

TEST_F(MemberPropertyTest, Texts) {
  const struct {
    const char* name;
    MDXMemberProperty* property;
    const char* text;
    const char* uniqueName;
  } cases[] = {
      {"owner and name", generator->GenerateMemberProperty(L"[Store].[City]", L"Manager"),
       "[Store].[City].[Manager]", "[Manager]"},
      {"name alone", generator->GenerateMemberProperty(L"Manager"), "Manager", "Manager"},
      {"empty owner", generator->GenerateMemberProperty(L"", L"Manager"), "Manager", "Manager"},
      {"blank owner", generator->GenerateMemberProperty(L" ", L"Manager"), " .[Manager]",
       "[Manager]"},
      {"nothing escaped", generator->GenerateMemberProperty(L"[S's]", L"a]b"), "[S's].[a]b]",
       "[a]b]"},
      {"bracketed name alone", generator->GenerateMemberProperty(L"[a]b]"), "[a]b]", "[a]b]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto_unuse<MDXMemberProperty> p(c.property);
    EXPECT_NE(dynamic_cast<MSOLAP8MemberProperty*>(p.get()), nullptr);
    EXPECT_EQ(p->getText().toUtf8(), c.text);
    EXPECT_EQ(p->getPropertyUniqueName().toUtf8(), c.uniqueName);
    VelaString out(L"previous text");
    p->writeText(out);
    EXPECT_EQ(out.toUtf8(), c.text);
  }
}

// The qualified text takes its bracketed part through the virtual call,
// and writeText takes the text the same way.
TEST_F(MemberPropertyTest, TextFollowsAnOverriddenUniqueName) {
  auto_unuse<MDXMemberProperty> qualified(new RenamedProperty(L"[D]", L"P"));
  auto_unuse<MDXMemberProperty> bare(new RenamedProperty(L"P"));
  EXPECT_EQ(qualified->getText().toUtf8(), "[D].<P>");
  VelaString out;
  qualified->writeText(out);
  EXPECT_EQ(out.toUtf8(), "[D].<P>");
  EXPECT_EQ(bare->getText().toUtf8(), "P");
}

// Both constructors number from one counter; the one-name form registers
// as "MDXMemberPRoperty".
TEST_F(MemberPropertyTest, OneCounterTwoNames) {
  LogCapture capture(5);
  MDXMemberProperty* two = generator->GenerateMemberProperty(L"[D]", L"P");
  MDXMemberProperty* one = generator->GenerateMemberProperty(L"P");
  MDXMemberProperty* emptyOwner = generator->GenerateMemberProperty(L"", L"P");
  const unsigned n = two->getInstanceNumber();
  EXPECT_EQ(one->getInstanceNumber(), n + 1);
  EXPECT_EQ(emptyOwner->getInstanceNumber(), n + 2);
  one->unuse();
  two->unuse();
  emptyOwner->unuse();

  const auto instance = [](const char* name, unsigned number, const char* event) {
    return std::regex(std::string(name) + ": Instance " + std::to_string(number) +
                      " \\(.+\\): " + event);
  };
  const std::vector<std::regex> expected = {
      instance("MDXMemberProperty", n, "Created"),
      instance("MDXMemberPRoperty", n + 1, "Created"),
      instance("MDXMemberProperty", n + 2, "Created"),
      instance("MDXMemberPRoperty", n + 1, "Destroyed"),
      instance("MDXMemberProperty", n, "Destroyed"),
      instance("MDXMemberProperty", n + 2, "Destroyed"),
  };
  const auto messages = capture.messages();
  ASSERT_EQ(messages.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(std::regex_match(messages[i], expected[i])) << messages[i];
  }
}
