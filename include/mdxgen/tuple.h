// MDXTuple: an ordered list of member expressions written as one tuple.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

class MDXField;
namespace mdxgen_detail {
class FragmentReader;
}  // namespace mdxgen_detail

// A tuple keeps no text of its own: it is composed from its members each
// time it is read. One member is written bare, several as "( a, b ) ".
// The tuple holds one reference on each member it lists.
//
//   MDXTuple* t = generator->GenerateTuple();
//   t->AddField(year)->AddField(store);   // "( [Time].[1997], [Store].[USA] ) "
class MDXGEN_API MDXTuple : public support::RefCountImpl {
 public:
  MDXTuple();

  // Throw MDXError kEmptyTuple when the tuple has no member.
  virtual VelaString getText() const;
  virtual VelaString getQuotedText() const;
  virtual void writeText(VelaString& out) const;
  // Appends the member and takes a reference on it.
  virtual MDXTuple* AddField(MDXField* field);
  virtual int FieldCount() const;

  // Gives back one reference on each element, first to last.
  static void unuseVector(const std::vector<MDXTuple*>& tuples);

 protected:
  ~MDXTuple() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  std::vector<auto_unuse<MDXField>> fields_;
};

// The tuple the generator creates.
class MDXGEN_API MSOLAP8Tuple : public MDXTuple {
 public:
  using MDXTuple::MDXTuple;

 protected:
  ~MSOLAP8Tuple() override;
};
