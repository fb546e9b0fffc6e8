/// \file
/// MDXSet: a set expression, rewritten in place by each operation.
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

/// One MDX set expression as text.
///
///     MDXSet* s = generator->GenerateSet(level);   // " { [Store].[City].MEMBERS } "
///     s->AddCalculations()->Hierarchize(false);
///     // "HIERARCHIZE( ADDCALCULATEDMEMBERS(  { [Store].[City].MEMBERS }  )  ) "
///
/// Each operation wraps, replaces or extends the text and returns this, so
/// calls chain; only removeOrder and the empty-set tests read the text.
/// In the examples S is the set's text before the call; O, F, A, B, M, V
/// and X stand for the texts of the other set, field, tuple, member string
/// or value given; H is a hierarchy's getUniqueName() ("[Time]"); a long
/// text is split into quoted pieces written one after the other. The text
/// reference lists one call and its whole text for every operation.
///
/// **Empty sets.** Exactly "{  }", "{ }" and "{}" (whole text, no trimming)
/// count as the empty set for union and difference; " {  } " does not.
///
/// **References.** Fragments, host objects and strings passed in are read
/// during the call only; the set keeps no pointer to them and takes no
/// reference. Pointers must not be null unless a comment says so.
///
/// **Refusals.** Order and TakeExtremity throw MDXError for arguments
/// outside their enumerations, and filters for host nodes they cannot
/// translate; an empty tuple's MDXError kEmptyTuple passes through. After
/// any refusal the set keeps its text.
class MDXGEN_API MDXSet : public support::RefCountImpl {
 public:
  /// Which end of the set TakeExtremity keeps.
  enum ExtremityType : int { Top = 0, Bottom = 1 };
  /// How TakeExtremity counts: by a sum, a count or a percentage.
  enum ExtremityMeasure : int { Sum = 0, Count = 1, Percent = 2 };
  /// The sort directions of Order: ASC, DESC, BASC, BDESC (B: breaking the
  /// hierarchy).
  enum SortDirection : int { Asc = 0, Desc = 1, BAsc = 2, BDesc = 3 };

  /// The empty set "{  }".
  MDXSet();
  /// A copy of the other set's current text.
  explicit MDXSet(const MDXSet* set);
  /// The text as given.
  explicit MDXSet(const VelaString& text);
  /// The level's members: " { [Time].[Quarter].MEMBERS } ".
  explicit MDXSet(const KIVA_o::Level* level);
  /// The one member: " { [Time].[1997] } ".
  explicit MDXSet(const MDXField* field);
  /// The range between two members: " { [Time].[1997]:[Time].[1998] } ".
  MDXSet(const MDXField* from, const MDXField* to);
  /// Every member of the hierarchy: "{[Time].allmembers}".
  explicit MDXSet(const KIVA_o::Hierarchy* hierarchy);
  /// The listed members: " { [Time].[1997], [Time].[1998] } "; no
  /// members give " {  } ".
  explicit MDXSet(const std::vector<MDXField*>& fields);
  /// The same from the held pointers.
  explicit MDXSet(const std::vector<auto_unuse<MDXField>>& fields);
  /// The listed tuples: " { ( [A], [B] )  } ". An empty tuple's MDXError
  /// kEmptyTuple passes through.
  explicit MDXSet(const std::vector<MDXTuple*>& tuples);

  /// Copies the other set's text, quoted text and flag.
  void operator=(const MDXSet& other);

  /// The MDX text.
  virtual VelaString getText() const;
  /// The text with every apostrophe doubled ("''a''"), for a single-quoted
  /// formula; computed once per text.
  virtual VelaString getQuotedText();
  /// Replaces `out` with the text.
  virtual void writeText(VelaString& out) const;

  /// Adds a member: "UNION( S, { F } )"; on an empty set "{F}"; an empty F
  /// leaves S.
  virtual MDXSet* operator+=(const MDXField& field);
  /// Unites with another set: "UNION( S, O )"; on an empty set O; an empty
  /// O leaves S.
  virtual MDXSet* operator+=(const MDXSet& set);
  /// Takes out a member: "EXCEPT( S, { F } )"; an empty S or F leaves S.
  virtual MDXSet* operator-=(const MDXField& field);
  /// Takes out another set: "EXCEPT( S, { O } )"; an empty S or O leaves S.
  virtual MDXSet* operator-=(const MDXSet& set);
  /// Crosses with another set: "CROSSJOIN( S, O )", empty sets included.
  virtual MDXSet* operator*=(const MDXSet& set);
  /// The members of the tuple's level from offset `from` to offset `to`
  /// around it (0 is the member, -1 the one before; either order),
  /// calculated members included, clamped at the level's start; S is not
  /// used. With -1 and 0:
  /// "SUBSET( ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ), IIF( RANK( X, "
  /// "ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ) ) - 1 > 0, RANK( X, "
  /// "ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ) ) - 1 -1, 0 ) , RANK( X, "
  /// "ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ) ) - IIF( RANK( X, "
  /// "ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ) ) - 1 > 0, RANK( X, "
  /// "ADDCALCULATEDMEMBERS( X.LEVEL.MEMBERS ) ) - 1 -1, 0 )  ) ".
  virtual MDXSet* TakeSubset(const MDXTuple* tuple, int from, int to);
  /// The members of the set between two of its members, both included and
  /// in either order; the whole set when either is missing. The text,
  /// "SUBSET( {S}, IIF( INTERSECT( S, {A} ).COUNT = 1 AND ...", repeats S
  /// sixteen times.
  virtual MDXSet* TakeSubset(const MDXTuple* from, const MDXTuple* to);
  /// `count` members from position `start` (from 0): `TakeSubset(2, 3)`
  /// gives "SUBSET( S, 2, 3 ) "; a negative count takes the rest,
  /// "SUBSET( S, 0 ) ".
  virtual MDXSet* TakeSubset(int start, int count);
  /// The members from position `start` up to the member (without it unless
  /// `withMember`): `TakeSubsetToRank(1, L"M", false)` gives
  /// "SUBSET( S, 1, IIF( S.COUNT = 0, 0,RANK( M, S )  - 1 ) ) ". An
  /// empty member string leaves the text.
  virtual MDXSet* TakeSubsetToRank(int start, const VelaString& member, bool withMember);
  /// The members from the member (or after it, with `afterMember`) to the
  /// end: `TakeSubsetFromRank(L"M", false)` gives
  /// "SUBSET( S, IIF( S.COUNT = 0, 0,RANK( M, S)  - 1 ) ) ". An empty
  /// member string gives "{}".
  virtual MDXSet* TakeSubsetFromRank(const VelaString& member, bool afterMember);
  /// Adds the member unless the set holds it:
  /// "DISTINCT( UNION (S,{M} ) )". An empty member string leaves the text.
  virtual MDXSet* InsertMemberIfNotExists(const VelaString& member);
  /// Adds a member: as a union, "UNION( S, { F } )"; otherwise as one
  /// more list element, "S, F". No empty-set test.
  virtual MDXSet* AddField(const MDXField& field, bool asUnion);
  /// Adds the calculated members: "ADDCALCULATEDMEMBERS( S ) ".
  virtual MDXSet* AddCalculations();
  /// Removes the calculated members: "STRIPCALCULATEDMEMBERS( S ) ".
  /// `hierarchy` is not read and may be null.
  virtual MDXSet* StripCalculations(const KIVA_o::Hierarchy* hierarchy);
  /// Puts the members in hierarchy order: "HIERARCHIZE( S ) ", with `post`
  /// children before parents, "HIERARCHIZE( S , POST ) ".
  virtual MDXSet* Hierarchize(bool post);
  /// "UNORDER( S ) ".
  virtual MDXSet* Unorder();
  /// Drops duplicates: "DISTINCT( S ) ".
  virtual MDXSet* SpecifyDistinct();
  /// Makes the set empty: "{  }".
  virtual MDXSet* Empty();
  /// The members of the hierarchy's top level:
  /// " { [Time].[Year].Members  } "; a null hierarchy or a hierarchy
  /// without levels gives " {  } ".
  virtual MDXSet* TakeTopLevel(const KIVA_o::Hierarchy* hierarchy);
  /// The members of the level: "[Time].[Quarter].MEMBERS".
  virtual MDXSet* TakeWholeLevel(const KIVA_o::Level* level);
  /// The members of the field's level: "F.LEVEL.MEMBERS"; with `all`
  /// (calculated members too) "F.LEVEL.ALLMEMBERS".
  virtual MDXSet* TakeAllMembersAtLevel(const MDXField* field, bool all);
  /// The members of the named hierarchy: `TakeAllMembers(L"[Store]",
  /// false)` gives "[Store].MEMBERS"; with `all` "[Store].ALLMEMBERS".
  virtual MDXSet* TakeAllMembers(const VelaString& hierarchy, bool all);
  /// The members of the hierarchy: "[Time].MEMBERS", with `all`
  /// "[Time].ALLMEMBERS".
  virtual MDXSet* TakeAllMembers(const KIVA_o::Hierarchy* hierarchy, bool all);
  /// The leaf members of the hierarchy, with its calculated members (from
  /// getCalculations) when it has any:
  /// "UNION( GENERATE( [Time].LEVELS(0).MEMBERS, DESCENDANTS( "
  /// "[Time].CURRENTMEMBER, 2, LEAVES ) ), { [Time].[Total] } )" for three
  /// levels and one calculation.
  virtual MDXSet* TakeLeafNodes(KIVA_o::Hierarchy* hierarchy);
  /// The members of a level counted from 1: `TakeBaseLevel(time, 3)` gives
  /// "[Time].LEVELS( 2 ).MEMBERS".
  virtual MDXSet* TakeBaseLevel(const KIVA_o::Hierarchy* hierarchy, long levels);
  /// Drills the given members down: "DRILLDOWNMEMBER( S,  { M } ) ".
  /// `recursive` drills every member of the hierarchy instead, ignoring
  /// `members`: "DRILLDOWNMEMBER( S, [Time].MEMBERS , RECURSIVE ) ".
  virtual MDXSet* DrillDown(const KIVA_o::Hierarchy* hierarchy, const VelaString& members,
                            bool recursive);
  /// Drills the members of a set text down: "DRILLDOWNMEMBER( S, {A} ) ".
  virtual MDXSet* DrillDownOnSet(const VelaString& set);
  /// The same with the other set's text.
  virtual MDXSet* DrillDownOnSet(const MDXSet* set);
  /// Drills the given members up: "DRILLUPMEMBER( S,  { M } ) ".
  virtual MDXSet* DrillUp(const VelaString& members);
  /// Drills the members of a set text up, the set hierarchized first:
  /// "DRILLUPMEMBER( Hierarchize( S ) , B ) ".
  virtual MDXSet* DrillUpOnSet(const VelaString& set);
  /// The same with the other set's text.
  virtual MDXSet* DrillUpOnSet(const MDXSet* set);
  /// Drills the other set's members down if up and up if down:
  /// "TOGGLEDRILLSTATE( S, O ) ", or with `recursive`
  /// "TOGGLEDRILLSTATE( S, O, RECURSIVE )".
  virtual MDXSet* ToggleDrillStateOnSet(const MDXSet* set, bool recursive);
  /// Every member of the hierarchy not in the set:
  /// "EXCEPT( [Time].MEMBERS, S ) ".
  virtual MDXSet* Invert(const KIVA_o::Hierarchy* hierarchy);
  /// The ancestors of the member `generations` up (1 the parent, -1 the
  /// top level), or with `all` every generation up to there. Replaces S:
  /// (M, false, 2) gives " { ANCESTOR( M.PARENT, 1 ) } ", (M, true, -1)
  /// " { { ASCENDANTS( M.PARENT ) } } ", and 0 generations "{}".
  virtual MDXSet* TakeAncestorsOfMember(const VelaString& member, bool all, long generations);
  /// The same for every member of a set text, the hierarchy's current
  /// member standing for each: (S, time, false, 2, 0) gives
  /// " GENERATE( S , { ANCESTOR( [Time].CURRENTMEMBER.PARENT, 1 )  } ) ".
  /// `unused` is not read.
  virtual MDXSet* TakeAncestorsOfSet(const VelaString& set, const KIVA_o::Hierarchy* hierarchy,
                                     bool all, long generations, long unused);
  /// Replaces the text by a set name or expression: "[Named]".
  virtual MDXSet* TakeName(const VelaString& name);
  /// Replaces the text by the other set's text.
  virtual MDXSet* TakeName(const MDXSet* set);
  /// Keeps the tuples for which the value's condition holds:
  /// `TakeFilter(v)` on "V > 1" gives "FILTER( S, V > 1)".
  virtual MDXSet* TakeFilter(MDXValue* condition);
  /// Keeps the tuples for which the condition text holds:
  /// `TakeFilter(L"X > 1")` gives "FILTER( S, X > 1)".
  virtual MDXSet* TakeFilter(const VelaString& condition);
  /// Keeps the tuples for which the host's condition tree holds:
  /// "FILTER( S, X = 1)" for an equality node. `tuple` gives the text of
  /// ET_CURRENT nodes and may be null when the tree has none. A node it
  /// cannot translate throws MDXError kUntranslatableNode with the node's
  /// kind as insert, and the set keeps its text: an unknown kind, fewer
  /// operands than the kind reads, a constant that is no number, ET_CURRENT
  /// without a tuple, a null node (insert -1), or a tree looping back on
  /// itself (the kind of the node met again among its own operands).
  virtual MDXSet* TakeFilter(KIVA_o::Expression* root, const MDXTuple* tuple);
  /// Replaces the text by the translation of the host's tree (a filter,
  /// top or bottom selection, set difference or condition): an
  /// ET_TOPCOUNT node over ET_CURRENTSET, the string "10" and ET_CURRENT,
  /// with the tuple M, gives "TOPCOUNT( S, 10, M )". Refuses like the
  /// tree form of TakeFilter.
  virtual MDXSet* Filter(KIVA_o::Expression* root, const MDXTuple* tuple);
  /// Sorts by the value in a direction 0 to 3 (SortDirection):
  /// `Order(1, v)` gives "ORDER( S, V, DESC ) ". Another direction throws
  /// MDXError kValueOutOfRange, inserts: the direction, "Sort::direction".
  virtual MDXSet* Order(int direction, const MDXValue* value);
  /// Sorts by the tuple's value: `Order(1, t)` gives "ORDER( S, A, DESC ) ".
  /// Refuses like the value form.
  virtual MDXSet* Order(int direction, const MDXTuple* tuple);
  /// Keeps the n members with the largest (Top) or smallest (Bottom)
  /// values, or those making up n in sum or n percent, by the tuple's value:
  /// (Top, Count, "10", null) gives "TOPCOUNT( S, 10 ) ", (Bottom, Sum,
  /// "10", A) "BOTTOMSUM( S, 10, A ) ". Throws MDXError kValueOutOfRange
  /// for a type (inserts: it, "ExtremityType"), then a measure (it,
  /// "ExtremityMeasure") outside the enumeration, and
  /// kExtremityWithoutTuple for Sum or Percent without a tuple.
  virtual MDXSet* TakeExtremity(ExtremityType type, ExtremityMeasure measure,
                                const VelaString& n, const MDXTuple* tuple);
  /// The members in both sets: "INTERSECT( S, O ) ".
  virtual MDXSet* Intersect(const MDXSet* set);
  /// The member's siblings, itself included: "F.SIBLINGS ". `dimension` is
  /// not read and may be null.
  virtual MDXSet* TakeSiblings(const MDXField* field, const KIVA_o::Dimension* dimension);
  /// The descendants of every member of the other set, `generations` down
  /// (with `all`, every generation up to there; -1: all descendants, or
  /// without `all` the leaves), the hierarchy's current member standing
  /// for each: (O, time, false, 2, "") gives
  /// "GENERATE( O, DESCENDANTS( [Time].CURRENTMEMBER, 2, SELF ) )".
  /// `unused` is not read.
  virtual MDXSet* TakeChildren(const MDXSet* set, const KIVA_o::Hierarchy* hierarchy, bool all,
                               long generations, const VelaString& unused);
  /// The member's children: "F.CHILDREN ".
  virtual MDXSet* TakeChildren(const MDXField* field);
  /// The member's descendants at a level: `TakeDescendants(L"M",
  /// L"[Time].[Month]")` gives "DESCENDANTS( M, [Time].[Month], SELF )".
  virtual MDXSet* TakeDescendants(const VelaString& member, const VelaString& level);
  /// The member's descendants `generations` down (with `all`, every
  /// generation up to there without the member; -1: all descendants, or
  /// without `all` the leaves): (M, time, false, 2, "") gives
  /// "DESCENDANTS( M, 2, SELF )", (M, time, true, 2, "")
  /// "EXCEPT( DESCENDANTS( M, 2, SELF_AND_BEFORE ), {M} )". `unused` is
  /// not read.
  virtual MDXSet* TakeDescendants(const VelaString& member, const KIVA_o::Hierarchy* hierarchy,
                                  bool all, long generations, const VelaString& unused);
  /// Every descendant of the member: "DESCENDANTS( F, F.LEVEL, AFTER ) ".
  virtual MDXSet* TakeDescendants(const MDXField* field);
  /// The last member: "TAIL( S ) ".
  virtual MDXSet* TakeTail();
  /// Braces the text: "{ S } ".
  virtual MDXSet* Delimit();
  /// The hierarchy's members of a set text's tuples, replacing S:
  /// " { Extract( A, [Time] ) } ".
  virtual MDXSet* Extract(const VelaString& set, const KIVA_o::Hierarchy* hierarchy);
  /// Replaces the whole text by `text`.
  virtual MDXSet* SetExpression(const VelaString& text);
  /// Replaces the text by the member's rank in the other set:
  /// "Rank(F,O)".
  virtual MDXSet* Rank(const MDXField* field, const MDXSet* set);
  /// Replaces the text by the tuple's rank in the set: with two members
  /// "RANK( ( A, B ) , S )".
  virtual MDXSet* TakeRank(const MDXTuple* tuple);
  /// Replaces the text by the member's rank in the set: "Rank(F,S)".
  virtual MDXSet* TakeRank(const MDXField* field);
  /// Replaces the text by the expression evaluated over every member of
  /// the set text: `generate(L"A", L"B")` gives "Generate( A, B ) ".
  virtual MDXSet* generate(const VelaString& set, const VelaString& expression);
  /// The non-empty tuples of the cross join with the other sets:
  /// "NONEMPTYCROSSJOIN( S, A, B )"; no sets leave the set as it was.
  virtual MDXSet* nonEmptyCrossjoin(const std::vector<auto_unuse<MDXSet>>& sets);
  /// The j-th member of the i-th tuple as text, both from 0:
  /// `getMemberAt(0, 1)` gives "S.ITEM(0).ITEM(1)"; the set is not changed.
  virtual VelaString getMemberAt(int i, int j) const;
  /// Takes out the other set's members: "EXCEPT( S, { O } )", without the
  /// empty-set tests of operator-=.
  virtual MDXSet* removeCalculationsSpecial(MDXSet* set);
  /// Does nothing: the set and its argument are left as they are.
  virtual MDXSet* takeNonEmpty(const MDXSet* set);
  /// Takes ORDER wrappers off the text, outermost first and ignoring case:
  /// "ORDER( A, x, DESC ) " becomes " A ". The first comma after the
  /// keyword ends the first argument; a wrapper that cannot be taken apart
  /// (no comma, unclosed parentheses) restores the text of the call's
  /// start. Never throws.
  virtual MDXSet* removeOrder();

  /// A new set (one reference, owned by the caller) crossing the fields:
  /// "{A} * {B}"; no fields give " {} ".
  static MDXSet* crossjoinFields(const std::vector<auto_unuse<const MDXField>>& fields);

 protected:
  /// Reached only through the last unuse().
  ~MDXSet() override;

  /// Writes the MDX text of the host expression tree under `node` into
  /// `out`. `tuple` is the text of ET_CURRENT nodes. Throws MDXError
  /// kUntranslatableNode (insert: the node's kind, -1 for a null node) for a
  /// node it cannot translate, as TakeFilter lists; `out` may then hold part
  /// of a text, the set's own text is never touched here. A tree of any depth
  /// is translated without taking the thread's stack per level; a tree that
  /// loops back on itself is refused, the insert naming the kind of the node
  /// met again among its own operands. A subclass may override it to change
  /// the text of any node; the walk calls the override for every operand.
  virtual void translate_condition(VelaString& out, KIVA_o::Expression* node,
                                   const MDXTuple* tuple);
  /// The hook a host subclass overrides to write a node itself: called
  /// before the built-in translation of the node kinds that allow it
  /// (functions, AND, OR, NOT, arithmetic, strings, values, ET_CURRENT,
  /// ET_CURRENTSET); returning true makes what it left in `out` the node's
  /// text, and its operands are not visited. The default returns false and
  /// leaves `out`.
  virtual bool server_translate(VelaString& out, KIVA_o::Expression* node,
                                const MDXTuple* tuple);

  /// Replaces the text; the quoted copy becomes stale.
  void setText(VelaString text) { text_.assign(std::move(text)); }
  /// The text for extension in place; the quoted copy becomes stale.
  VelaString& editText() { return text_.edit(); }
  /// The current text.
  const VelaString& text() const { return text_.text(); }
  /// Marks the quoted copy stale.
  void invalidateQuoted() { text_.invalidate(); }

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

/// The set the generator creates. It writes every text as MDXSet does,
/// except sorts, which take duplicates out first.
class MDXGEN_API MSOLAP8Set : public MDXSet {
 public:
  using MDXSet::MDXSet;

  /// Sorts the distinct members: `Order(0, v)` gives
  /// "ORDER( UNIQUE( S ), V, ASC )" (no blank at the end). Refuses like
  /// MDXSet::Order.
  MDXSet* Order(int direction, const MDXValue* value) override;
  /// Sorts the distinct members by the tuple's value: `Order(3, t)` gives
  /// "ORDER( UNIQUE( S ), A, BDESC ) ". Refuses like MDXSet::Order.
  MDXSet* Order(int direction, const MDXTuple* tuple) override;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8Set() override;
};
