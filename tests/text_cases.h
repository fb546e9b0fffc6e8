// Tables of golden texts for fragments that rewrite their text in place.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"

// One operation applied to a fragment that holds `start`, and the whole
// text it must leave, blanks included.
template <class Fragment>
struct TextCase {
  const char* name;
  std::function<Fragment*(Fragment*)> op;
  std::string text;
  const wchar_t* start = L"T";
};

// Runs each case on a new fragment from make(start) whose quoted copy has
// been read, and checks that the operation returns the fragment itself,
// leaves exactly the expected text, and that the quoted copy follows it.
template <class Fragment, class Make>
void expectTexts(Make make, const std::vector<TextCase<Fragment>>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto_unuse<Fragment> fragment(make(VelaString(c.start)));
    fragment->getQuotedText();
    EXPECT_EQ(c.op(fragment.get()), fragment.get());
    EXPECT_EQ(fragment->getText().toUtf8(), c.text);
    VelaString quoted;
    quote_member_name(quoted, fragment->getText());
    EXPECT_EQ(fragment->getQuotedText().toUtf8(), quoted.toUtf8());
  }
}
