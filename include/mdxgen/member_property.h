/// \file
/// MDXMemberProperty: a reference to one member property.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/velastring.h"

// The owner's unique name, a period and the bracketed property name
// ("[Store].[Store City].[Manager]"), or the bare property name. Fixed at
// construction.
class MDXGEN_API MDXMemberProperty : public support::RefCountImpl {
 public:
  MDXMemberProperty(const VelaString& owner, const VelaString& property);
  explicit MDXMemberProperty(const VelaString& property);

  virtual VelaString getText() const;
  virtual void writeText(VelaString& out) const;
  virtual VelaString getPropertyUniqueName() const;

 protected:
  ~MDXMemberProperty() override;

 private:
  VelaString owner_;
  VelaString property_;
};

// The member property the generator creates.
class MDXGEN_API MSOLAP8MemberProperty : public MDXMemberProperty {
 public:
  using MDXMemberProperty::MDXMemberProperty;

 protected:
  ~MSOLAP8MemberProperty() override;
};
