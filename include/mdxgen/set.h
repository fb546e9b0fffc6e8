// MDXSet: a set expression, rewritten in place by each operation.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/fragment_text.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXTuple;
class MDXValue;

// One MDX set expression as text. Each operation wraps, replaces or extends
// the text and returns the set itself:
//
//   MDXSet* s = generator->GenerateSet(level);   // " { [Store].[City].MEMBERS } "
//   s->AddCalculations()->Hierarchize(false);
//   // "HIERARCHIZE( ADDCALCULATEDMEMBERS(  { [Store].[City].MEMBERS }  )  ) "
//
// "{  }", "{ }" and "{}" count as the empty set for union and difference.
// Fragments, host objects and strings passed in are read during the call
// only; the set keeps no pointer to them and takes no reference.
class MDXGEN_API MDXSet : public support::RefCountImpl {
 public:
  // Which end of the set TakeExtremity keeps.
  enum ExtremityType : int { Top = 0, Bottom = 1 };
  // How TakeExtremity counts: by a sum, a count or a percentage.
  enum ExtremityMeasure : int { Sum = 0, Count = 1, Percent = 2 };
  // The sort directions of Order.
  enum SortDirection : int { Asc = 0, Desc = 1, BAsc = 2, BDesc = 3 };

  MDXSet();
  explicit MDXSet(const MDXSet* set);
  explicit MDXSet(const VelaString& text);
  explicit MDXSet(const KIVA_o::Level* level);
  explicit MDXSet(const MDXField* field);
  MDXSet(const MDXField* from, const MDXField* to);
  explicit MDXSet(const KIVA_o::Hierarchy* hierarchy);
  explicit MDXSet(const std::vector<MDXField*>& fields);
  explicit MDXSet(const std::vector<auto_unuse<MDXField>>& fields);
  explicit MDXSet(const std::vector<MDXTuple*>& tuples);

  // Copies the other set's text, quoted text and flag.
  void operator=(const MDXSet& other);

  virtual VelaString getText() const;
  virtual VelaString getQuotedText();
  virtual void writeText(VelaString& out) const;

  virtual MDXSet* operator+=(const MDXField& field);
  virtual MDXSet* operator+=(const MDXSet& set);
  virtual MDXSet* operator-=(const MDXField& field);
  virtual MDXSet* operator-=(const MDXSet& set);
  virtual MDXSet* operator*=(const MDXSet& set);
  virtual MDXSet* TakeSubset(const MDXTuple* tuple, int from, int to);
  virtual MDXSet* TakeSubset(const MDXTuple* from, const MDXTuple* to);
  virtual MDXSet* TakeSubset(int start, int count);
  virtual MDXSet* TakeSubsetToRank(int start, const VelaString& member, bool withMember);
  virtual MDXSet* TakeSubsetFromRank(const VelaString& member, bool afterMember);
  virtual MDXSet* InsertMemberIfNotExists(const VelaString& member);
  virtual MDXSet* AddField(const MDXField& field, bool asUnion);
  virtual MDXSet* AddCalculations();
  virtual MDXSet* StripCalculations(const KIVA_o::Hierarchy* hierarchy);
  virtual MDXSet* Hierarchize(bool post);
  virtual MDXSet* Unorder();
  virtual MDXSet* SpecifyDistinct();
  virtual MDXSet* Empty();
  virtual MDXSet* TakeTopLevel(const KIVA_o::Hierarchy* hierarchy);
  virtual MDXSet* TakeWholeLevel(const KIVA_o::Level* level);
  virtual MDXSet* TakeAllMembersAtLevel(const MDXField* field, bool all);
  virtual MDXSet* TakeAllMembers(const VelaString& hierarchy, bool all);
  virtual MDXSet* TakeAllMembers(const KIVA_o::Hierarchy* hierarchy, bool all);
  virtual MDXSet* TakeLeafNodes(KIVA_o::Hierarchy* hierarchy);
  virtual MDXSet* TakeBaseLevel(const KIVA_o::Hierarchy* hierarchy, long levels);
  virtual MDXSet* DrillDown(const KIVA_o::Hierarchy* hierarchy, const VelaString& members,
                            bool recursive);
  virtual MDXSet* DrillDownOnSet(const VelaString& set);
  virtual MDXSet* DrillDownOnSet(const MDXSet* set);
  virtual MDXSet* DrillUp(const VelaString& members);
  virtual MDXSet* DrillUpOnSet(const VelaString& set);
  virtual MDXSet* DrillUpOnSet(const MDXSet* set);
  virtual MDXSet* ToggleDrillStateOnSet(const MDXSet* set, bool recursive);
  virtual MDXSet* Invert(const KIVA_o::Hierarchy* hierarchy);
  virtual MDXSet* TakeAncestorsOfMember(const VelaString& member, bool all, long generations);
  virtual MDXSet* TakeAncestorsOfSet(const VelaString& set, const KIVA_o::Hierarchy* hierarchy,
                                     bool all, long generations, long unused);
  virtual MDXSet* TakeName(const VelaString& name);
  virtual MDXSet* TakeName(const MDXSet* set);
  virtual MDXSet* TakeFilter(MDXValue* condition);
  virtual MDXSet* TakeFilter(const VelaString& condition);
  virtual MDXSet* TakeFilter(KIVA_o::Expression* root, const MDXTuple* tuple);
  virtual MDXSet* Filter(KIVA_o::Expression* root, const MDXTuple* tuple);
  virtual MDXSet* Order(int direction, const MDXValue* value);
  virtual MDXSet* Order(int direction, const MDXTuple* tuple);
  virtual MDXSet* TakeExtremity(ExtremityType type, ExtremityMeasure measure,
                                const VelaString& n, const MDXTuple* tuple);
  virtual MDXSet* Intersect(const MDXSet* set);
  virtual MDXSet* TakeSiblings(const MDXField* field, const KIVA_o::Dimension* dimension);
  virtual MDXSet* TakeChildren(const MDXSet* set, const KIVA_o::Hierarchy* hierarchy, bool all,
                               long generations, const VelaString& unused);
  virtual MDXSet* TakeChildren(const MDXField* field);
  virtual MDXSet* TakeDescendants(const VelaString& member, const VelaString& level);
  virtual MDXSet* TakeDescendants(const VelaString& member, const KIVA_o::Hierarchy* hierarchy,
                                  bool all, long generations, const VelaString& unused);
  virtual MDXSet* TakeDescendants(const MDXField* field);
  virtual MDXSet* TakeTail();
  virtual MDXSet* Delimit();
  virtual MDXSet* Extract(const VelaString& set, const KIVA_o::Hierarchy* hierarchy);
  virtual MDXSet* SetExpression(const VelaString& text);
  virtual MDXSet* Rank(const MDXField* field, const MDXSet* set);
  virtual MDXSet* TakeRank(const MDXTuple* tuple);
  virtual MDXSet* TakeRank(const MDXField* field);
  virtual MDXSet* generate(const VelaString& set, const VelaString& expression);
  virtual MDXSet* nonEmptyCrossjoin(const std::vector<auto_unuse<MDXSet>>& sets);
  // The j-th member of the i-th tuple as text; the set is not changed.
  virtual VelaString getMemberAt(int i, int j) const;
  virtual MDXSet* removeCalculationsSpecial(MDXSet* set);
  // Does nothing: the set and its argument are left as they are.
  virtual MDXSet* takeNonEmpty(const MDXSet* set);
  // Takes ORDER wrappers off the text; never throws.
  virtual MDXSet* removeOrder();

  // A new set (one reference, owned by the caller) crossing the fields:
  // "{f1} * {f2} * ...".
  static MDXSet* crossjoinFields(const std::vector<auto_unuse<const MDXField>>& fields);

 protected:
  ~MDXSet() override;

  // Writes the MDX text of the expression tree under node into out. Throws
  // MDXError kUntranslatableNode for a node it cannot translate.
  virtual void translate_condition(VelaString& out, KIVA_o::Expression* node,
                                   const MDXTuple* tuple);
  // A subclass's chance to write a node itself; true when it did.
  virtual bool server_translate(VelaString& out, KIVA_o::Expression* node,
                                const MDXTuple* tuple);

  // Replaces the text; the quoted copy becomes stale.
  void setText(VelaString text) { text_.assign(std::move(text)); }
  // The text for extension in place; the quoted copy becomes stale.
  VelaString& editText() { return text_.edit(); }
  const VelaString& text() const { return text_.text(); }
  void invalidateQuoted() { text_.invalidate(); }

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

// The set the generator creates; it writes sorts in the form the server
// is given, "ORDER( UNIQUE( ... ), ...".
class MDXGEN_API MSOLAP8Set : public MDXSet {
 public:
  using MDXSet::MDXSet;

  MDXSet* Order(int direction, const MDXValue* value) override;
  MDXSet* Order(int direction, const MDXTuple* tuple) override;

 protected:
  ~MSOLAP8Set() override;
};
