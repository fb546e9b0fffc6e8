// Writes the reference of the library's MDX texts: for each family and
// each operation one example call and the exact text it produces. The
// committed docs/reference.md is this program's output; a test fails when
// the two differ, so the reference cannot drift from the code.
//
//   mdxgen_reference > docs/reference.md
#include <algorithm>
#include <cctype>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "memory_host.h"
#include "tools/reference/rows.h"

namespace {

MDXQueryGenerator* g = nullptr;
std::vector<olap_api::RefCount*> made;  // released at the end, once each

template <class T>
T* keep(T* object) {
  olap_api::RefCount* counted = object;
  if (std::find(made.begin(), made.end(), counted) == made.end()) made.push_back(counted);
  return object;
}

// Fragments used by the examples; each call makes a fresh one.
MDXField* field(const wchar_t* name = L"[Time].[1997]") { return keep(g->GenerateField(name)); }
MDXSet* set(const wchar_t* text = L"S") { return keep(g->GenerateSet(VelaString(text))); }
MDXValue* value(const wchar_t* text = L"V") { return keep(g->GenerateValue(VelaString(text))); }
MDXTuple* tuple(std::initializer_list<const wchar_t*> names) {
  MDXTuple* t = keep(g->GenerateTuple());
  for (const wchar_t* name : names) t->AddField(field(name));
  return t;
}

// Shows every blank as "·" and every line break as "⏎", so that texts
// that differ only in blanks read differently.
std::string visible(const VelaString& text) {
  std::string out;
  for (wchar_t c : text.wstr()) {
    if (c == L' ') {
      out += "\u00B7";
    } else if (c == L'\n') {
      out += "\u23CE";
    } else if (c == L'|') {
      out += "\\|";
    } else {
      out += VelaString(std::wstring(1, c)).toUtf8();
    }
  }
  return out;
}

std::string callText(std::string code) {
  // Wide literals read as plain strings in the table.
  for (std::size_t p = code.find("L\""); p != std::string::npos; p = code.find("L\"", p)) {
    if (p > 0 && (std::isalnum(static_cast<unsigned char>(code[p - 1])) || code[p - 1] == '_')) {
      ++p;
      continue;
    }
    code.erase(p, 1);
  }
  for (std::size_t p = code.find('|'); p != std::string::npos; p = code.find('|', p + 2))
    code.replace(p, 1, "\\|");
  return code;
}

// The text of what an example made; the object is released at the end.
template <class T>
VelaString textOf(T* object) {
  return keep(object)->getText();
}
VelaString textOf(const VelaString& s) { return s; }

// The text an example leaves, or the refusal it raises.
std::string shown(const std::function<VelaString()>& text) {
  try {
    return "`" + visible(text()) + "`";
  } catch (const MDXError& e) {
    std::ostringstream os;
    os << "throws MDXError " << e.getCode()->text();
    for (const auto& insert : e.getInserts()) os << " \"" << insert << "\"";
    return os.str();
  }
}

// One example with the MSOLAP 8 generator, then again with a new Mondrian
// generator; a second line gives the Mondrian text where it differs.
void row(const char* code, const std::function<VelaString()>& text) {
  const std::string msolap = shown(text);
  MDXQueryGenerator* const msolapGenerator = g;
  const std::unique_ptr<MDXQueryGenerator> mondrian(createMondrianQueryGenerator(L"[Sales]"));
  g = mondrian.get();
  const std::string other = shown(text);
  g = msolapGenerator;
  std::cout << "| `" << callText(code) << "` | " << msolap << " |\n";
  if (other != msolap) std::cout << "| \u21B3 Mondrian | " << other << " |\n";
}

#define ROW(expr) row(#expr, [&] { return textOf(expr); })

// The rows of one family, each on a new fragment `maker(start)`.
template <class Fragment, class Make>
void rows(const char* maker, const std::vector<reference::Row<Fragment>>& table, Make make) {
  for (const auto& r : table) {
    std::string code = std::string(maker) + "(L\"" + VelaString(r.start).toUtf8() + "\")->" + r.call;
    for (std::size_t p = code.find("r."); p != std::string::npos; p = code.find("r.", p)) {
      const bool word = p > 0 && (std::isalnum(static_cast<unsigned char>(code[p - 1])) ||
                                  code[p - 1] == '_');
      if (word) ++p; else code.erase(p, 2);
    }
    row(code.c_str(), [&] {
      Fragment* x = make(VelaString(r.start));
      r.op(x);
      return x->getText();
    });
  }
}

void section(const char* title, const char* note = nullptr) {
  std::cout << "\n## " << title << "\n\n";
  if (note) std::cout << note << "\n\n";
  std::cout << "| call | text |\n|---|---|\n";
}

}  // namespace

int main() {
  g = createMSOLAP8QueryGenerator(L"[Sales]");
  fake::Hierarchy time(L"[Time]", {L"[Time].[Year]", L"[Time].[Quarter]", L"[Time].[Month]"});
  fake::Dimension timeDim(L"[Time]");
  fake::Level quarter(L"[Time].[Quarter]");
  fake::Member m1997(L"[Time].[1997]");
  fake::Calculation calc(L"[Time].[1997].[Growth]", L"[Time].[1997]", &time);
  fake::Calculation topCalc(L"[Time].[Total]", L"", &time);
  fake::DynamicCalculation dynamic(L"Share");
  time.calculations_[1] = &topCalc;
  reference::Fixture fixture(g);

  std::cout << "# MDX text reference\n\n"
               "Generated by `tools/reference` from the library itself; do not edit by hand.\n"
               "Every example uses the generator of the cube `[Sales]`. In the texts, `\u00B7` "
               "stands for one blank and `\u23CE` for a line break. `T` or `S` is the text the "
               "fragment held before the call; `field()` makes the member `[Time].[1997]`. A row "
               "`\u21B3 Mondrian` follows an example whose text differs with the generator of "
               "`createMondrianQueryGenerator`.\n";

  section("Member expressions");
  ROW(g->GenerateField(L"[Time].[1997]"));
  ROW(g->GenerateField(L"[Time].[1997]", L"Q1"));
  ROW(g->GenerateField(&m1997));
  ROW(g->GenerateField(&time));
  ROW(g->GenerateField(&time, L"1998"));
  ROW(g->GenerateField(&timeDim));
  ROW(g->GenerateField(&quarter, L"Q2"));
  ROW(g->GenerateField(&calc, L"X"));
  ROW(g->GenerateField(&topCalc, L"X"));
  ROW(g->GenerateField(&dynamic, L"[Time].[1997]"));
  rows("field", reference::fieldRows(fixture), [&](const VelaString& t) { return field(t.c_str()); });
  row("field(\"[Store].[Joe's]\")->getQuotedText()",
      [&] { return field(L"[Store].[Joe's]")->getQuotedText(); });

  section("Tuples");
  ROW(tuple({L"[Time].[1997]"}));
  ROW(tuple({L"[Time].[1997]", L"[Store].[USA]"}));
  ROW(tuple({}));

  section("Set expressions: construction and algebra");
  ROW(g->GenerateSet());
  ROW(g->GenerateSet(VelaString(L"S")));
  ROW(g->GenerateSet(&quarter));
  ROW(g->GenerateSet(field()));
  ROW(g->GenerateSet(field(), field(L"[Time].[1998]")));
  ROW(g->GenerateSet(&time));
  ROW(g->GenerateSet(std::vector<MDXField*>{field(), field(L"[Time].[1998]")}));
  ROW(g->GenerateSet(std::vector<MDXField*>{}));
  ROW(g->GenerateSet(std::vector<MDXTuple*>{tuple({L"[A]", L"[B]"})}));
  row("set()->nonEmptyCrossjoin({set(\"A\"), set(\"B\")})", [&] {
    std::vector<auto_unuse<MDXSet>> sets;
    sets.emplace_back(g->GenerateSet(VelaString(L"A")));
    sets.emplace_back(g->GenerateSet(VelaString(L"B")));
    return set()->nonEmptyCrossjoin(sets)->getText();
  });
  row("MDXSet::crossjoinFields({field(\"A\"), field(\"B\")})", [&] {
    std::vector<auto_unuse<const MDXField>> fields;
    fields.emplace_back(g->GenerateField(L"A"));
    fields.emplace_back(g->GenerateField(L"B"));
    return keep(MDXSet::crossjoinFields(fields))->getText();
  });
  row("set(\"'a'\")->getQuotedText()", [&] { return set(L"'a'")->getQuotedText(); });

  section("Set expressions: operations",
          "`o` is the set `O`, `f` the member `F`, `v`, `x` and `y` the values `V`, `X` and `Y`, "
          "`a`, `b` and `ab` the tuples `( A )`, `( B )` and `( A, B )`. Sort directions: 0 ASC, "
          "1 DESC, 2 BASC, 3 BDESC.");
  rows("set", reference::setRows(fixture), [&](const VelaString& t) { return set(t.c_str()); });
  ROW(set()->getMemberAt(0, 1));
  ROW(keep(new MDXSet(VelaString(L"S")))->Order(1, value()));
  ROW(keep(new MDXSet(VelaString(L"S")))->Order(1, tuple({L"A"})));
  ROW(set()->TakeExtremity(static_cast<MDXSet::ExtremityType>(5), static_cast<MDXSet::ExtremityMeasure>(9), L"1", nullptr));

  section("Set expressions: filters from host expression trees",
          "`m` is the tuple `M`, `mn` the tuple `( M, N )`.");
  for (const auto& c : reference::conditionRows(fixture)) {
    std::string code = std::string("set(\"S\")->Filter(") + c.tree + ", " +
                       (c.tuple == fixture.m ? "m" : c.tuple == fixture.mn ? "mn" : "nullptr") + ")";
    row(code.c_str(), [&] {
      const std::unique_ptr<fake::Expression> tree(c.make());
      return set()->Filter(tree.get(), c.tuple)->getText();
    });
  }
  {
    std::unique_ptr<fake::Expression> filter(fake::node(
        KIVA_o::ET_FILTER,
        {fake::node(KIVA_o::ET_CURRENTSET),
         fake::node(KIVA_o::ET_EQUALTO, {fake::str(L"X"), fake::str(L"1")})}));
    std::unique_ptr<fake::Expression> equal(
        fake::node(KIVA_o::ET_EQUALTO, {fake::str(L"X"), fake::str(L"1")}));
    std::unique_ptr<fake::Expression> between(fake::node(
        KIVA_o::ET_BETWEEN, {fake::str(L"X"), fake::number(1), fake::number(9.5)}));
    std::unique_ptr<fake::Expression> top(fake::node(
        KIVA_o::ET_TOPCOUNT, {fake::node(KIVA_o::ET_CURRENTSET), fake::str(L"10"),
                              fake::node(KIVA_o::ET_CURRENT)}));
    std::unique_ptr<fake::Expression> arithmetic(fake::node(
        KIVA_o::ET_ADD,
        {fake::node(KIVA_o::ET_TUPLE_VALUE,
                    {fake::node(KIVA_o::ET_TUPLE, {fake::str(L"m1"), fake::str(L"m2")})}),
         fake::str(L"5")}));
    std::unique_ptr<fake::Expression> isNull(
        fake::node(KIVA_o::ET_TUPLE_IS_NULL, {fake::node(KIVA_o::ET_CURRENT)}));
    std::unique_ptr<fake::Expression> unknown(fake::node(4));
    MDXTuple* m = tuple({L"M"});
    ROW(set()->Filter(filter.get(), nullptr));
    ROW(set()->TakeFilter(equal.get(), nullptr));
    ROW(set()->Filter(between.get(), nullptr));
    ROW(set()->Filter(top.get(), m));
    ROW(set()->Filter(arithmetic.get(), nullptr));
    ROW(set()->Filter(isNull.get(), m));
    ROW(set()->Filter(unknown.get(), nullptr));
  }

  section("Value expressions");
  ROW(g->GenerateValue(-12));
  rows("value", reference::valueRows(fixture), [&](const VelaString& t) { return value(t.c_str()); });

  section("Member properties");
  ROW(keep(g->GenerateMemberProperty(L"[Store].[Store City]", L"Manager")));
  ROW(keep(g->GenerateMemberProperty(L"Manager")));

  section("Statements", "`select()` is `GenerateQuery(0, nullptr)` with the axis set `S`.");
  auto select = [&] {
    auto* q = static_cast<MDXSelectQuery*>(keep(g->GenerateQuery(MDXQuery::Select, nullptr)));
    q->AddAxisSpecification(0, set(), {}, MDXSelectQuery::MayBeEmpty);
    return q;
  };
  row("select()->getText(false)", [&] { return select()->getText(false); });
  row("select() with NON EMPTY rows, range (0, 9), a property, slicer, cell property",
      [&] {
        MDXSelectQuery* q = select();
        q->AddAxisSpecification(1, set(L"R"), {L"[D].[L1].[P1]"}, MDXSelectQuery::NonEmpty);
        q->AddAxisRange(1, 0, 9);
        q->AddSlicerSpecification(field(L"[T].[Y1]"));
        q->AddCellProperty(L"VALUE");
        return q->getText(false);
      });
  row("the same, laid out: getText(true)", [&] {
    MDXSelectQuery* q = select();
    q->AddAxisSpecification(1, set(L"R"), {L"[D].[L1].[P1]"}, MDXSelectQuery::NonEmpty);
    q->AddAxisRange(1, 0, 9);
    q->AddSlicerSpecification(field(L"[T].[Y1]"));
    q->AddCellProperty(L"VALUE");
    return q->getText(true);
  });
  row("select() with AddMemberFormula(field(\"[Measures].[M2]\"), value(\"[Measures].[M1] * 2\"), 1, {}, {})",
      [&] {
        MDXSelectQuery* q = select();
        q->AddMemberFormula(field(L"[Measures].[M2]"), value(L"[Measures].[M1] * 2"), 1, {}, {});
        return q->getText(false);
      });
  row("select() with AddSetFormula(set(\"{[A], [B]}\")) and DRILLTHROUGH MAXROWS 100", [&] {
    MDXSelectQuery* q = select();
    q->AddSetFormula(set(L"{[A], [B]}"));
    q->SpecifyDrillThrough(100);
    return q->getText(false);
  });
  row("select() with rows DIMENSION PROPERTIES member_caption", [&] {
    MDXSelectQuery* q = select();
    q->AddAxisSpecification(1, set(L"R"), {L"member_caption"}, MDXSelectQuery::MayBeEmpty);
    return q->getText(false);
  });
  row("select()->AddAxisSpecification(2, …) before axis 1", [&] {
    MDXSelectQuery* q = select();
    q->AddAxisSpecification(2, set(), {}, MDXSelectQuery::MayBeEmpty);
    return q->getText(false);
  });
  row("GenerateQuery(1) with a member formula and a named set", [&] {
    auto* q = static_cast<MDXCreateQuery*>(keep(g->GenerateQuery(MDXQuery::Create, nullptr)));
    q->AddMemberFormula(field(L"[Measures].[M2]"), value(L"[Measures].[M1] * 2"), -1, {}, {});
    q->AddSetFormula(L"[S1]", set(L"{[A]}"));
    return q->getText(false);
  });
  row("the same CREATE's text taken, then select()", [&] {
    auto* q = static_cast<MDXCreateQuery*>(keep(g->GenerateQuery(MDXQuery::Create, nullptr)));
    q->AddMemberFormula(field(L"[Measures].[M2]"), value(L"[Measures].[M1] * 2"), -1, {}, {});
    q->AddSetFormula(L"[S1]", set(L"{[A]}"));
    q->getText(false);
    return select()->getText(false);
  });
  row("GenerateQuery(2) with AddMemberToDrop twice", [&] {
    auto* q = static_cast<MDXDropQuery*>(keep(g->GenerateQuery(MDXQuery::Drop, nullptr)));
    q->AddMemberToDrop(L"[Measures].[M2]");
    q->AddMemberToDrop(L"[Measures].[M3]");
    return q->getText(false);
  });
  row("GenerateQuery(3) with addNames(\"[Product].[All Products]\", \"Gadgets\")", [&] {
    auto* q = static_cast<MDXAlterQuery*>(keep(g->GenerateQuery(MDXQuery::Alter, nullptr)));
    q->addNames(L"[Product].[All Products]", L"Gadgets");
    return q->getText(false);
  });
  row("new MDXUpdateQuery(\"[Sales]\") with names [A].[a1], [B].[b1] and value 100", [&] {
    auto* q = keep(new MDXUpdateQuery(L"[Sales]"));
    q->addNameVector({L"[A].[a1]", L"[B].[b1]"});
    VelaString v(L"100");
    q->addData(v);
    return q->getText(false);
  });
  row("GenerateQuery(4, nullptr)", [&] {
    return keep(g->GenerateQuery(static_cast<MDXQuery::QueryType>(4), nullptr))->getText(false);
  });

  for (olap_api::RefCount* object : made) object->unuse();
  delete g;
  return 0;
}
