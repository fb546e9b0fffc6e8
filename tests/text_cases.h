// What the fragment and statement tests share, with GoogleTest and the
// library's headers: a generator with the fragments a test holds, tables of
// golden texts, and refusals.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "mdxgen/mdxgen.h"

// One operation on a fragment that holds `start`, and the whole text it
// must leave, blanks included.
template <class Fragment>
struct TextCase {
  int line;
  std::function<Fragment*(Fragment*)> op;
  std::string text;
  const wchar_t* start = L"T";
};

// A row of a text table: the call made on the fragment x, the text it
// leaves and, optionally, the text x starts with.
#define ROW(call, ...) {__LINE__, [&](auto* x) { return x->call; }, __VA_ARGS__}

// Runs each case on a new fragment from make(start) whose quoted copy was
// read first: the operation returns the fragment itself and leaves exactly
// the expected text, which writeText gives too; the quoted copy follows it.
template <class Fragment, class Make>
void expectTexts(Make make, const std::vector<TextCase<Fragment>>& cases) {
  for (const auto& c : cases) {
    auto_unuse<Fragment> fragment(make(VelaString(c.start)));
    fragment->getQuotedText();
    EXPECT_EQ(c.op(fragment.get()), fragment.get()) << "line " << c.line;
    VelaString written(L"previous text"), quoted;
    fragment->writeText(written);
    EXPECT_EQ(written.toUtf8(), c.text) << "line " << c.line;
    quote_member_name(quoted, written);
    EXPECT_EQ(fragment->getQuotedText().toUtf8(), quoted.toUtf8()) << "line " << c.line;
  }
}

// The code and the inserts of the MDXError a call raises; code 0 when the
// call returns.
using Refusal = std::pair<unsigned long, std::vector<std::string>>;

inline Refusal refusal(const std::function<void()>& call) {
  try {
    call();
  } catch (const MDXError& e) {
    Refusal r{e.getErrorCode(), {}};
    for (const auto& insert : e.getInserts()) r.second.push_back(insert.toUtf8());
    return r;
  }
  return {0, {}};
}

// A generator for the cube [Sales], and the fragments a test holds until it
// ends (after the generator: fragments may outlive it).
class GeneratorTest : public ::testing::Test {
 protected:
  ~GeneratorTest() override { delete generator; }

  template <class T>
  T* hold(T* object) {
    held.emplace_back(object);
    return object;
  }
  MDXField* field(const wchar_t* text) { return hold(generator->GenerateField(VelaString(text))); }
  MDXSet* set(const wchar_t* text) { return hold(generator->GenerateSet(VelaString(text))); }
  MDXValue* value(const wchar_t* text) { return hold(generator->GenerateValue(VelaString(text))); }
  // A tuple of new members with these texts.
  MDXTuple* tuple(std::initializer_list<const wchar_t*> members) {
    MDXTuple* t = hold(generator->GenerateTuple());
    for (const wchar_t* member : members) t->AddField(field(member));
    return t;
  }

  void expectFieldTexts(const std::vector<TextCase<MDXField>>& cases) {
    expectTexts<MDXField>([&](const VelaString& t) { return generator->GenerateField(t); }, cases);
  }
  void expectSetTexts(const std::vector<TextCase<MDXSet>>& cases) {
    expectTexts<MDXSet>([&](const VelaString& t) { return generator->GenerateSet(t); }, cases);
  }
  void expectValueTexts(const std::vector<TextCase<MDXValue>>& cases) {
    expectTexts<MDXValue>([&](const VelaString& t) { return generator->GenerateValue(t); }, cases);
  }

  MDXQueryGenerator* generator = createMSOLAP8QueryGenerator(L"[Sales]");
  std::vector<auto_unuse<olap_api::RefCount>> held;
};
