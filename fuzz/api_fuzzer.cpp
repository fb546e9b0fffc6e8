// Reads bytes as a program of library calls on a small pool of fragments
// and statements. After each input: nothing crashed, every object created
// was destroyed once its references were given back, and an object whose
// operation was refused kept its text.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "mdxgen/mdxgen.h"
#include "memory_host.h"
#include "fuzz/fuzz_input.h"

namespace {

// Counts live objects through the instance log.
struct LiveCount {
  LiveCount() {
    auto* log = support_dll::getLogObject();
    log->setSink([this](const support_dll::LogRecord& r) {
      if (r.inserts.empty()) return;
      const std::wstring& m = r.inserts[0].wstr();
      if (m.size() >= 7 && m.compare(m.size() - 7, 7, L"Created") == 0) ++live;
      if (m.size() >= 9 && m.compare(m.size() - 9, 9, L"Destroyed") == 0) --live;
    });
    log->setVerbosity(support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount"), 5);
  }
  ~LiveCount() {
    auto* log = support_dll::getLogObject();
    log->setVerbosity(support_dll::CoreLog::getUnitString(L"MEMORY", L"RefCount"), 0);
    log->setSink(nullptr);
  }
  LiveCount(const LiveCount&) = delete;
  LiveCount& operator=(const LiveCount&) = delete;
  long live = 0;
};

struct Host {
  fake::Hierarchy time{L"[Time]", {L"[Time].[Year]", L"[Time].[Quarter]", L"[Time].[Month]"}};
  fake::Hierarchy empty{L"[Empty]"};
  fake::Dimension dimension{L"[Time]"};
  fake::Level level{L"[Time].[Quarter]"};
  fake::Member member{L"[Time].[1997]"};
  fake::Calculation calc{L"[Time].[1997].[C]", L"[Time].[1997]", &time};
  fake::Calculation orphan{L"[Time].[D]", L"", &time};
  fake::DynamicCalculation dynamic{L"Dyn"};
  Host() {
    time.calculations_[1] = &calc;
    time.calculations_[2] = nullptr;
    time.calculations_[3] = &orphan;
  }
};

template <class T>
struct Pool {
  std::vector<T*> items;
  T* pick(fuzz::Input& in) { return items.empty() ? nullptr : items[in.below(static_cast<int>(items.size()))]; }
  void add(T* item, std::size_t max = 6) {
    if (items.size() >= max) {
      items.front()->unuse();
      items.erase(items.begin());
    }
    items.push_back(item);
  }
  void release() {
    for (T* item : items) item->unuse();
    items.clear();
  }
};

// Runs op; if it throws the library's error (or the string library's range
// error from Delimit), the object's text must be what it was.
void guarded(const std::function<VelaString()>& textOf, const std::function<void()>& op) {
  VelaString before;
  bool readable = true;
  try {
    before = textOf();
  } catch (const MDXError&) {
    readable = false;
  }
  try {
    op();
  } catch (const MDXError&) {
    if (readable) fuzz::require(textOf() == before, "refused operation changed the text");
  } catch (const std::out_of_range&) {
    if (readable) fuzz::require(textOf() == before, "refused Delimit changed the text");
  }
}

void run(fuzz::Input& in, MDXQueryGenerator* g, Host& host) {
  Pool<MDXField> fields;
  Pool<MDXSet> sets;
  Pool<MDXTuple> tuples;
  Pool<MDXValue> values;
  Pool<MDXQuery> statements;
  fields.add(g->GenerateField(L"[Time].[1997]"));
  sets.add(g->GenerateSet());
  values.add(g->GenerateValue(1));
  tuples.add(g->GenerateTuple());

  for (int steps = 0; steps < 64 && !in.done(); ++steps) {
    // Operations that repeat their operand (LoopLeft writes T four times, a
    // set may be crossed with itself) double a text at each step; long texts
    // are cut back so the run measures the library, not the allocator.
    constexpr std::size_t kLongText = 4096;
    for (MDXField* x : fields.items)
      if (x->getText().size() > kLongText) x->ReplaceName(L"[Long]");
    for (MDXSet* x : sets.items)
      if (x->getText().size() > kLongText) x->SetExpression(L"[Long]");
    for (MDXValue*& x : values.items) {
      if (x->getText().size() > kLongText) {
        x->unuse();
        x = g->GenerateValue(L"[Long]");
      }
    }
    MDXField* f = fields.pick(in);
    MDXSet* s = sets.pick(in);
    MDXTuple* t = tuples.pick(in);
    MDXValue* v = values.pick(in);
    const auto setText = [s] { return s->getText(); };
    const auto fieldText = [f] { return f->getText(); };
    const auto valueText = [v] { return v->getText(); };
    switch (in.below(40)) {
      case 0: fields.add(g->GenerateField(in.text())); break;
      case 1: fields.add(g->GenerateField(in.text(), in.text())); break;
      case 2: fields.add(g->GenerateField(&host.time)); break;
      case 3: fields.add(g->GenerateField(&host.calc, in.text())); break;
      case 4: fields.add(g->GenerateField(&host.dynamic, in.text())); break;
      case 5: {
        const int op = in.below(12);
        const long n = in.number();
        guarded(fieldText, [&] {
          switch (op) {
            case 0: f->MoveToChild(L"Q1"); break;
            case 1: f->MoveToParent(); break;
            case 2: f->LoopLeft(); break;
            case 3: f->LoopRight(); break;
            case 4: f->TakeAncestorAtLevel(nullptr, n); break;
            case 5: f->MoveToFirstSibling(n > 0, {&host.calc}); break;
            case 6: f->PrevSibling({}); break;
            case 7: f->NextSibling({&host.calc, &host.orphan}); break;
            case 8: f->Delimit(); break;
            case 9: f->TakeParentOfCalculation(&host.orphan); break;
            case 10: f->getQuotedText(); break;
            default: f->DrillUp(nullptr); break;
          }
        });
        break;
      }
      case 6: sets.add(g->GenerateSet(in.text())); break;
      case 7: sets.add(g->GenerateSet(f)); break;
      case 8: sets.add(g->GenerateSet(&host.level)); break;
      case 9: sets.add(g->GenerateSet(fields.items)); break;
      case 10: {
        // A set from an empty tuple is refused while it is being built; the
        // instance log then has its creation but no destruction, so only
        // tuples with members are used here.
        bool filled = true;
        for (MDXTuple* x : tuples.items) filled = filled && x->FieldCount() > 0;
        if (filled) sets.add(g->GenerateSet(tuples.items));
        break;
      }
      case 11: {
        MDXSet* other = sets.pick(in);
        const int op = in.below(6);
        guarded(setText, [&] {
          switch (op) {
            case 0: *s += *other; break;
            case 1: *s += *f; break;
            case 2: *s -= *other; break;
            case 3: *s -= *f; break;
            case 4: *s *= *other; break;
            default: s->AddField(*f, in.flag()); break;
          }
        });
        break;
      }
      case 12: {
        const int op = in.below(8);
        guarded(setText, [&] {
          switch (op) {
            case 0: s->AddCalculations(); break;
            case 1: s->Hierarchize(in.flag()); break;
            case 2: s->Delimit(); break;
            case 3: s->SetExpression(in.text()); break;
            case 4: s->Empty(); break;
            case 5: s->SpecifyDistinct(); break;
            case 6: s->getQuotedText(); break;
            default: s->Unorder(); break;
          }
        });
        break;
      }
      case 13: {
        const int op = in.below(10);
        const long n = in.number();
        const bool all = in.flag();
        // With all, ancestors and children list one item per generation, every
        // one asked for: the count is kept small enough to stay in memory.
        const long listed = all ? n % 100 : n;
        guarded(setText, [&] {
          switch (op) {
            case 0: s->TakeTopLevel(in.flag() ? &host.time : nullptr); break;
            case 1: s->TakeLeafNodes(&host.time); break;
            case 2: s->TakeAncestorsOfMember(in.text(), all, listed); break;
            case 3: s->TakeAncestorsOfSet(in.text(), &host.time, all, listed, 0); break;
            case 4: s->TakeChildren(sets.pick(in), &host.time, all, listed, L""); break;
            case 5: s->TakeDescendants(in.text(), &host.time, all, n, L""); break;
            case 6: s->DrillDown(&host.time, in.text(), all); break;
            case 7: s->DrillUpOnSet(sets.pick(in)); break;
            case 8: s->ToggleDrillStateOnSet(sets.pick(in), all); break;
            default: s->TakeBaseLevel(&host.time, n); break;
          }
        });
        break;
      }
      case 14: {
        const int op = in.below(10);
        const int a = in.number();
        const int b = in.number();
        MDXTuple* other = tuples.pick(in);
        guarded(setText, [&] {
          switch (op) {
            case 0: s->TakeSubset(a, b); break;
            case 1: s->TakeSubset(t, other); break;
            case 2: s->TakeSubset(t, a, b); break;
            case 3: s->TakeSubsetToRank(a, in.text(), in.flag()); break;
            case 4: s->TakeSubsetFromRank(in.text(), in.flag()); break;
            case 5: s->Order(a, v); break;
            case 6: s->Order(b, t); break;
            case 7:
              s->TakeExtremity(static_cast<MDXSet::ExtremityType>(a),
                               static_cast<MDXSet::ExtremityMeasure>(b), in.text(),
                               in.flag() ? t : nullptr);
              break;
            case 8: s->removeOrder(); break;
            default: s->TakeRank(t); break;
          }
        });
        break;
      }
      case 15: {
        std::vector<auto_unuse<MDXSet>> others;
        for (MDXSet* o : sets.items) {
          o->use();
          others.emplace_back(o);
        }
        guarded(setText, [&] { s->nonEmptyCrossjoin(others); });
        break;
      }
      case 16: {
        std::vector<auto_unuse<const MDXField>> crossed;
        for (MDXField* x : fields.items) {
          x->use();
          crossed.emplace_back(x);
        }
        sets.add(MDXSet::crossjoinFields(crossed));
        break;
      }
      case 17: {
        auto* root = fake::node(KIVA_o::ET_FILTER, {fake::node(KIVA_o::ET_CURRENTSET),
                                                    fake::node(in.flag() ? KIVA_o::ET_CURRENT : 4)});
        std::unique_ptr<fake::Expression> owner(root);
        guarded(setText, [&] { s->TakeFilter(root, t); });
        break;
      }
      case 18: if (t->FieldCount() < 4) t->AddField(f); break;
      case 19: tuples.add(g->GenerateTuple(), 4); break;
      case 20: values.add(g->GenerateValue(in.text())); break;
      case 21: {
        const int op = in.below(10);
        MDXValue* other = values.pick(in);
        guarded(valueText, [&] {
          switch (op) {
            case 0: v->TakeCount(s, in.flag()); break;
            case 1: v->TakeSum(s); break;
            case 2: v->TakeMin(s, in.flag() ? t : nullptr); break;
            case 3: v->TakeCovariance(s, other, in.flag() ? other : nullptr, in.flag()); break;
            case 4: v->TakeLinRegPoint(other, s, other, nullptr); break;
            case 5: v->Add(in.number()); break;
            case 6: v->ReverseSign(); break;
            case 7: v->TakeEquality(in.text()); break;
            case 8: v->TakeProperty(f, in.text()); break;
            default: v->getQuotedText(); break;
          }
        });
        break;
      }
      case 22: {
        auto_unuse<MDXMemberProperty> p(in.flag() ? g->GenerateMemberProperty(in.text())
                                                  : g->GenerateMemberProperty(in.text(), in.text()));
        p->getText();
        break;
      }
      case 23: {
        const int type = in.number();
        try {
          statements.add(g->GenerateQuery(static_cast<MDXQuery::QueryType>(type), nullptr), 4);
        } catch (const MDXError& e) {
          fuzz::require(type < 0 || type > 3, "a valid statement type was refused");
          fuzz::require(e.getErrorCode() == MDXError::kValueOutOfRange, "wrong code");
        }
        break;
      }
      case 24: statements.add(new MDXUpdateQuery(in.text()), 4); break;
      default: {
        MDXQuery* q = statements.pick(in);
        if (!q) break;
        const auto statementText = [q] { return q->getText(false); };
        const int op = in.below(12);
        const int n = in.number();
        guarded(statementText, [&] {
          if (auto* select = dynamic_cast<MDXSelectQuery*>(q)) {
            switch (op) {
              case 0: select->AddAxisSpecification(n, s, {in.text()}, static_cast<MDXSelectQuery::NonEmptyStatus>(n)); break;
              case 1: select->AddAxisRange(n, in.number(), in.number()); break;
              case 2: select->AddSlicerSpecification(f); break;
              case 3: select->AddMemberFormula(f, v, n, {in.text()}, in.flag() ? std::vector<VelaString>{in.text()} : std::vector<VelaString>{}); break;
              case 4: select->AddSetFormula(s); break;
              case 5: select->AddCellProperty(in.text()); break;
              case 6: select->SpecifyDrillThrough(static_cast<unsigned>(n)); break;
              case 7: { VelaString raw = in.text(); if (in.flag()) select->setQuery(raw); break; }
              default: select->getText(in.flag()); break;
            }
          } else if (auto* create = dynamic_cast<MDXCreateQuery*>(q)) {
            if (op < 4) create->AddMemberFormula(f, v, n, {}, {});
            else if (op < 8) create->AddSetFormula(in.text(), s);
            else if (op < 9) create->AddRawMemberFormula(in.text());
            else create->getText(true);
          } else if (auto* drop = dynamic_cast<MDXDropQuery*>(q)) {
            if (op < 6) drop->AddMemberToDrop(in.text());
            else if (op < 11) drop->AddSetToDrop(in.text());
            else drop->getText(false);
          } else if (auto* alter = dynamic_cast<MDXAlterQuery*>(q)) {
            alter->addNames(in.text(), in.text());
          } else if (auto* update = dynamic_cast<MDXUpdateQuery*>(q)) {
            VelaString value = in.text();
            update->addNameVector({in.text(), in.text()});
            update->addData(value);
          }
        });
        VelaString out;
        try {
          q->writeText(out);
          fuzz::require(out == q->getText(false), "writeText differs from the one-line text");
        } catch (const MDXError&) {
        }
        break;
      }
    }
  }
  statements.release();
  values.release();
  tuples.release();
  sets.release();
  fields.release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Host host;
  LiveCount count;
  // The same program with the generator of each dialect.
  for (auto* factory : {&createMSOLAP8QueryGenerator, &createMondrianQueryGenerator}) {
    fuzz::Input in(data, size);
    MDXQueryGenerator* generator = factory(L"[Sales]");
    run(in, generator, host);
    delete generator;
  }
  fuzz::require(count.live == 0, "objects left alive after every reference was given back");
  return 0;
}
