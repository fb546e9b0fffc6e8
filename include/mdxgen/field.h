/// \file
/// MDXField: a member expression, rewritten in place by each operation.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/fragment_text.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/velastring.h"

/// One MDX member expression as text: a unique name, a navigation from
/// another member, a default or current member, or a choice among siblings.
///
///     MDXField* f = generator->GenerateField(L"[Time].[1997]");
///     f->MoveToChild(L"Q1")->MoveToParent();   // "[Time].[1997].[Q1].PARENT"
///
/// Every operation replaces, wraps or extends the text (never parses it)
/// and returns this, so calls chain. In the examples T is the text before
/// the call, and a long text is split into quoted pieces written one after
/// the other; "the name of" a host object is its getUniqueName().
///
/// Names given as strings are inserted exactly as passed: nothing is
/// trimmed, bracketed or escaped, so a closing bracket inside a name must
/// already be doubled (double_square_brackets). Host objects, fields and
/// strings passed in are read during the call only; the field keeps no
/// pointer and takes no reference. Pointers must not be null unless a
/// comment says so. No operation raises MDXError; only Delimit can fail.
class MDXGEN_API MDXField : public support::RefCountImpl {
 public:
  /// The unique name as given: "[Time].[1997]".
  explicit MDXField(const VelaString& uniqueName);
  /// A named child: `parent + ".[" + name + "]"`, "[Time].[1997].[Q1]".
  MDXField(const VelaString& parent, const VelaString& name);
  /// A copy of the other field's current text.
  explicit MDXField(const MDXField* other);
  /// The member's unique name.
  explicit MDXField(const KIVA_o::Member* member);
  /// The hierarchy's default member: "[Time].DEFAULTMEMBER" (no blank).
  explicit MDXField(const KIVA_o::Hierarchy* hierarchy);
  /// A member of the hierarchy by name: "[Time].[1998]".
  MDXField(const KIVA_o::Hierarchy* hierarchy, const VelaString& name);
  /// The dimension's default member: "[Time].DEFAULTMEMBER".
  explicit MDXField(const KIVA_o::Dimension* dimension);
  /// A member of the level by name: "[Time].[Quarter].[Q2]".
  MDXField(const KIVA_o::Level* level, const VelaString& name);
  /// A member named under the calculation's parent (or, without a parent,
  /// its hierarchy): "[Time].[1997].[X]".
  MDXField(const KIVA_o::Calculation* calculation, const VelaString& name);
  /// The calculation's bare name bracketed under `parent`:
  /// "[Time].[1997].[Share]".
  MDXField(const KIVA_o::DynamicCalculation* calculation, const VelaString& parent);

  /// The MDX text.
  virtual VelaString getText() const;
  /// The text with every apostrophe doubled ("[Store].[Joe''s]"), for a
  /// single-quoted formula; computed once per text.
  virtual VelaString getQuotedText();
  /// Replaces `out` with the text.
  virtual void writeText(VelaString& out) const;

  /// Moves to the named child: on "[Time].[1997]", `MoveToChild(L"Q1")`
  /// gives "[Time].[1997].[Q1]".
  virtual MDXField* MoveToChild(const VelaString& name);
  /// Replaces the text by a named member of the dimension:
  /// `MoveToRootNode(time, L"All")` gives "[Time].[All]".
  virtual MDXField* MoveToRootNode(const KIVA_o::Dimension* dimension, const VelaString& name);
  /// Moves to the first child: "T.FIRSTCHILD " (a blank at the end).
  virtual MDXField* MoveToFirstChild();
  /// Moves to the parent: "T.PARENT".
  virtual MDXField* MoveToParent();
  /// The first of the member's siblings: "T.SIBLINGS.ITEM(0).ITEM(0)".
  /// With `withCalculations` the siblings include every calculated member
  /// ("AddCalculatedMembers(T.SIBLINGS).ITEM(0).ITEM(0)"); otherwise a
  /// non-empty `calculations` adds those of the host's calculated members
  /// that are siblings:
  /// "HIERARCHIZE(UNION(T.SIBLINGS,INTERSECT(AddCalculatedMembers(T.SIBLINGS),"
  /// "{[Time].[Total]}))).ITEM(0).ITEM(0)".
  virtual MDXField* MoveToFirstSibling(bool withCalculations,
                                       std::vector<KIVA_o::Calculation*> calculations);
  /// The last of the member's siblings, chosen as for MoveToFirstSibling:
  /// "T.SIBLINGS.ITEM(T.SIBLINGS.COUNT-1).ITEM(0)".
  virtual MDXField* MoveToLastSibling(bool withCalculations,
                                      std::vector<KIVA_o::Calculation*> calculations);
  /// The member's ancestor at the top level:
  /// "ANCESTOR( T,T.DIMENSION.LEVELS( 0 ) ) ". `dimension` is not read and
  /// may be null.
  virtual MDXField* MoveToRoot(const KIVA_o::Dimension* dimension);
  /// The parent, or the member itself when it has none:
  /// "{ T.PARENT, T }.ITEM(0) ". `dimension` is not read and may be null.
  virtual MDXField* DrillUp(const KIVA_o::Dimension* dimension);
  /// Replaces the text by the hierarchy's current member:
  /// "[Time].CURRENTMEMBER ".
  virtual MDXField* TakeCurrentMember(const KIVA_o::Hierarchy* hierarchy);
  /// Replaces the text by the dimension's current member:
  /// "[Time].CURRENTMEMBER ".
  virtual MDXField* TakeCurrentMember(const KIVA_o::Dimension* dimension);
  /// Replaces the text by the hierarchy's default member:
  /// "[Time].DEFAULTMEMBER " (a blank at the end).
  virtual MDXField* TakeDefaultMember(const KIVA_o::Hierarchy* hierarchy);
  /// The member's ancestor at a level number: with 2,
  /// " ANCESTOR( T, T.DIMENSION.LEVELS(2) ) ". `dimension` is not read and
  /// may be null.
  virtual MDXField* TakeAncestorAtLevel(const KIVA_o::Dimension* dimension, long level);
  /// Replaces the text by the calculation's parent member, or by its
  /// hierarchy when it has no parent: "[Time].[1997]".
  virtual MDXField* TakeParentOfCalculation(const KIVA_o::Calculation* calculation);
  /// Replaces the text by the calculation's unique name:
  /// "[Time].[1997].[Growth]".
  virtual MDXField* TakeNameOfCalculation(const KIVA_o::Calculation* calculation);
  /// The previous member of the level, wrapping from the first to the last
  /// (calculated members included):
  /// " { T.PREVMEMBER, ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ).ITEM( COUNT( "
  /// "ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ) ) - 1 ), T }.ITEM(0) ".
  virtual MDXField* LoopLeft();
  /// The next member of the level, wrapping from the last to the first
  /// calculated member, else the first member:
  /// " { T.NEXTMEMBER, EXCEPT( ADDCALCULATEDMEMBERS( T.LEVEL.MEMBERS ), "
  /// "T.LEVEL.MEMBERS ), T.LEVEL.MEMBERS( 0 ), T }.ITEM(0)".
  virtual MDXField* LoopRight();
  /// The previous sibling, wrapping from the first to the last; a
  /// non-empty `calculations` adds those host calculated members that are
  /// siblings. Without calculations:
  /// "{T.SIBLINGS.ITEM(RANK(T,T.SIBLINGS)-2).ITEM(0),TAIL(T.SIBLINGS)}.ITEM(0).ITEM(0)".
  virtual MDXField* PrevSibling(std::vector<KIVA_o::Calculation*> calculations);
  /// The next sibling, wrapping from the last to the first; `calculations`
  /// as for PrevSibling. Without calculations:
  /// "{T.SIBLINGS.ITEM(RANK(T,T.SIBLINGS)).ITEM(0),T.SIBLINGS.ITEM(0).ITEM(0)}.ITEM(0).ITEM(0)".
  virtual MDXField* NextSibling(std::vector<KIVA_o::Calculation*> calculations);
  /// Replaces the whole text by `name`.
  virtual MDXField* ReplaceName(const VelaString& name);

  /// Brackets the text unless, without its outer blanks, it already ends
  /// with "]": "  Sales " becomes "[Sales]", "[Sales" becomes "[[Sales]",
  /// "  Sales]" stays. Throws std::out_of_range on an empty or blank text,
  /// which is then left as it was.
  void Delimit();

  /// Gives back one reference on each element, first to last; the vector
  /// itself is not changed, so the caller clears it.
  static void unuseVector(const std::vector<MDXField*>& fields);

 protected:
  /// Reached only through the last unuse().
  ~MDXField() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

/// The member expression the generator creates; it writes the same texts.
class MDXGEN_API MSOLAP8Field : public MDXField {
 public:
  using MDXField::MDXField;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8Field() override;
};
