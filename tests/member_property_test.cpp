// Member properties: the two texts of each form, and the two names under
// which instances of one counter are logged.
#include "tests/log_capture.h"
#include "tests/text_cases.h"

namespace {

// A property whose unique name a subclass writes its own way.
class RenamedProperty : public MSOLAP8MemberProperty {
 public:
  using MSOLAP8MemberProperty::MSOLAP8MemberProperty;
  VelaString getPropertyUniqueName() const override { return VelaString(L"<P>"); }
};

using MemberPropertyTest = GeneratorTest;

}  // namespace

TEST_F(MemberPropertyTest, Texts) {
  const struct {
    MDXMemberProperty* property;
    const char* text;
    const char* uniqueName;
  } cases[] = {
      {generator->GenerateMemberProperty(L"[Store].[City]", L"Manager"), "[Store].[City].[Manager]",
       "[Manager]"},
      {generator->GenerateMemberProperty(L"Manager"), "Manager", "Manager"},
      {generator->GenerateMemberProperty(L"", L"Manager"), "Manager", "Manager"},
      {generator->GenerateMemberProperty(L" ", L"Manager"), " .[Manager]", "[Manager]"},
      {generator->GenerateMemberProperty(L"[S's]", L"a]b"), "[S's].[a]b]", "[a]b]"},
      // The qualified text takes its bracketed part through the virtual call.
      {new RenamedProperty(L"[D]", L"P"), "[D].<P>", "<P>"},
  };
  for (const auto& c : cases) {
    hold(c.property);
    EXPECT_EQ(c.property->getPropertyUniqueName().toUtf8(), c.uniqueName);
    VelaString out(L"previous text");
    c.property->writeText(out);
    EXPECT_EQ(out.toUtf8(), c.text);
  }
}

// Both constructors number from one counter; the one-name form registers
// as "MDXMemberPRoperty".
TEST_F(MemberPropertyTest, OneCounterTwoNames) {
  LogCapture capture(5);
  MDXMemberProperty* two = generator->GenerateMemberProperty(L"[D]", L"P");
  MDXMemberProperty* one = generator->GenerateMemberProperty(L"P");
  MDXMemberProperty* emptyOwner = generator->GenerateMemberProperty(L"", L"P");
  const unsigned n = two->getInstanceNumber();
  for (MDXMemberProperty* p : {one, two, emptyOwner}) p->unuse();
  const auto event = [](const char* name, unsigned number, const char* what) {
    return std::string(name) + ": Instance " + std::to_string(number) + " (@): " + what;
  };
  EXPECT_EQ(capture.messages(), (std::vector<std::string>{
                                    event("MDXMemberProperty", n, "Created"),
                                    event("MDXMemberPRoperty", n + 1, "Created"),
                                    event("MDXMemberProperty", n + 2, "Created"),
                                    event("MDXMemberPRoperty", n + 1, "Destroyed"),
                                    event("MDXMemberProperty", n, "Destroyed"),
                                    event("MDXMemberProperty", n + 2, "Destroyed"),
                                }));
}
