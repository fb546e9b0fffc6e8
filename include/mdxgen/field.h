// MDXField: a member expression, rewritten in place by each operation.
#pragma once

#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/fragment_text.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/velastring.h"

// One MDX member expression as text: a unique name, a navigation from
// another member, a default or current member, or a choice among siblings.
// Every operation replaces, wraps or extends the text and returns the field
// itself, so that calls chain:
//
//   MDXField* f = generator->GenerateField(L"[Time].[1997]");
//   f->MoveToChild(L"Q1")->MoveToParent();   // "[Time].[1997].[Q1].PARENT"
//
// Names given as strings are inserted exactly as passed; a closing bracket
// inside a name must already be doubled (double_square_brackets).
class MDXGEN_API MDXField : public support::RefCountImpl {
 public:
  explicit MDXField(const VelaString& uniqueName);
  MDXField(const VelaString& parent, const VelaString& name);
  explicit MDXField(const MDXField* other);
  explicit MDXField(const KIVA_o::Member* member);
  explicit MDXField(const KIVA_o::Hierarchy* hierarchy);
  MDXField(const KIVA_o::Hierarchy* hierarchy, const VelaString& name);
  explicit MDXField(const KIVA_o::Dimension* dimension);
  MDXField(const KIVA_o::Level* level, const VelaString& name);
  MDXField(const KIVA_o::Calculation* calculation, const VelaString& name);
  MDXField(const KIVA_o::DynamicCalculation* calculation, const VelaString& parent);

  virtual VelaString getText() const;
  virtual VelaString getQuotedText();
  virtual void writeText(VelaString& out) const;

  virtual MDXField* MoveToChild(const VelaString& name);
  virtual MDXField* MoveToRootNode(const KIVA_o::Dimension* dimension, const VelaString& name);
  virtual MDXField* MoveToFirstChild();
  virtual MDXField* MoveToParent();
  virtual MDXField* MoveToFirstSibling(bool withCalculations,
                                       std::vector<KIVA_o::Calculation*> calculations);
  virtual MDXField* MoveToLastSibling(bool withCalculations,
                                      std::vector<KIVA_o::Calculation*> calculations);
  virtual MDXField* MoveToRoot(const KIVA_o::Dimension* dimension);
  virtual MDXField* DrillUp(const KIVA_o::Dimension* dimension);
  virtual MDXField* TakeCurrentMember(const KIVA_o::Hierarchy* hierarchy);
  virtual MDXField* TakeCurrentMember(const KIVA_o::Dimension* dimension);
  virtual MDXField* TakeDefaultMember(const KIVA_o::Hierarchy* hierarchy);
  virtual MDXField* TakeAncestorAtLevel(const KIVA_o::Dimension* dimension, long level);
  virtual MDXField* TakeParentOfCalculation(const KIVA_o::Calculation* calculation);
  virtual MDXField* TakeNameOfCalculation(const KIVA_o::Calculation* calculation);
  virtual MDXField* LoopLeft();
  virtual MDXField* LoopRight();
  virtual MDXField* PrevSibling(std::vector<KIVA_o::Calculation*> calculations);
  virtual MDXField* NextSibling(std::vector<KIVA_o::Calculation*> calculations);
  virtual MDXField* ReplaceName(const VelaString& name);

  // Brackets the text unless, without its outer blanks, it already ends
  // with "]". Throws std::out_of_range on an empty or blank text, which is
  // then left as it was.
  void Delimit();

  // Gives back one reference on each element, first to last.
  static void unuseVector(const std::vector<MDXField*>& fields);

 protected:
  ~MDXField() override;

 private:
  friend class mdxgen_detail::FragmentReader;
  mdxgen_detail::FragmentText text_;
};

// The member expression the generator creates.
class MDXGEN_API MSOLAP8Field : public MDXField {
 public:
  using MDXField::MDXField;

 protected:
  ~MSOLAP8Field() override;
};
