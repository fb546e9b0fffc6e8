/// \file
/// MDXTuple: an ordered list of member expressions written as one tuple.
#pragma once

#include <cstddef>
#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
namespace mdxgen_detail {
class FragmentReader;
}  // namespace mdxgen_detail

/// An ordered list of member expressions written as one MDX tuple.
///
/// A tuple keeps no text of its own: it is composed from its members each
/// time it is read, so a member changed after it was added shows in the
/// tuple. One member is written bare, several as "( a, b ) " (one blank
/// after the closing parenthesis).
///
///     MDXTuple* t = generator->GenerateTuple();
///     t->AddField(year)->AddField(store);   // "( [Time].[1997], [Store].[USA] ) "
///
/// The tuple holds one reference on each member it lists (one per
/// occurrence) and gives them back when it is destroyed. Operations that
/// take a tuple (sets, values, conditions) read its text during the call
/// and keep no reference to it.
class MDXGEN_API MDXTuple : public support::RefCountImpl {
 public:
  /// An empty tuple; reading its text throws until a member is added.
  MDXTuple();

  /// The tuple's MDX text: "[Time].[1997]" for one member,
  /// "( [Time].[1997], [Store].[USA] ) " for two. Throws MDXError
  /// kEmptyTuple (no inserts) when the tuple has no member.
  virtual VelaString getText() const;
  /// The same built from each member's quoted text (apostrophes doubled).
  /// Throws MDXError kEmptyTuple when the tuple has no member.
  virtual VelaString getQuotedText() const;
  /// Replaces `out` with getText(); throws like it.
  virtual void writeText(VelaString& out) const;
  /// Appends the member (not null) and takes a reference on it; returns
  /// this. The same member may be added more than once.
  virtual MDXTuple* AddField(MDXField* field);
  /// The number of members listed.
  virtual int FieldCount() const;

  /// Gives back one reference on each element, first to last; the vector
  /// itself is not changed, so the caller clears it.
  static void unuseVector(const std::vector<MDXTuple*>& tuples);

 protected:
  /// Gives back the reference on each member. Reached only through the
  /// last unuse().
  ~MDXTuple() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  std::size_t size() const { return first_ ? 1 + more_.size() : 0; }
  MDXField& field(std::size_t i) const { return i == 0 ? *first_ : *more_[i - 1]; }

  // The first member is held in the tuple itself (most tuples have one);
  // the others in order after it.
  auto_unuse<MDXField> first_;
  std::vector<auto_unuse<MDXField>> more_;
};

/// The tuple the generator creates; it writes the same texts.
class MDXGEN_API MSOLAP8Tuple : public MDXTuple {
 public:
  using MDXTuple::MDXTuple;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8Tuple() override;
};
