/// \file
/// MDXMemberProperty: a reference to one member property.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

/// One property of the members of a dimension or level, named in MDX: the
/// owner's unique name, a period and the bracketed property name, or the
/// bare property name.
///
///     g->GenerateMemberProperty(L"[Store].[Store City]", L"Manager");
///     // "[Store].[Store City].[Manager]"
///     g->GenerateMemberProperty(L"Manager");   // "Manager"
///
/// The text is fixed at construction; no name is escaped or checked. The
/// property holds no reference on anything and raises no error. Its text is
/// what a SELECT axis takes as a DIMENSION PROPERTIES name.
class MDXGEN_API MDXMemberProperty : public support::RefCountImpl {
 public:
  /// The qualified form `owner + ".[" + property + "]"`, chosen whenever
  /// `owner` is not empty (a single blank counts).
  MDXMemberProperty(const VelaString& owner, const VelaString& property);
  /// The bare form: the text is `property` unchanged.
  explicit MDXMemberProperty(const VelaString& property);

  /// The whole name: "[Store].[Store City].[Manager]" or "Manager".
  virtual VelaString getText() const;
  /// Replaces `out` with getText().
  virtual void writeText(VelaString& out) const;
  /// The property part: "[Manager]" with an owner, "Manager" without.
  virtual VelaString getPropertyUniqueName() const;

 protected:
  /// Reached only through the last unuse().
  ~MDXMemberProperty() override;

 private:
  VelaString owner_;
  VelaString property_;
};

/// The member property the generator creates; it writes the same texts.
class MDXGEN_API MSOLAP8MemberProperty : public MDXMemberProperty {
 public:
  using MDXMemberProperty::MDXMemberProperty;

 protected:
  /// Reached only through the last unuse().
  ~MSOLAP8MemberProperty() override;
};
