// A small in-memory host model that the tests, fuzzers, benchmarks and the
// reference writer share: every host object holds its names and answers the
// library's calls from them.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mdxgen/mdxgen.h"

namespace fake {

// A host object known by its unique name alone; it counts the reads of it.
template <class Base>
class Named : public Base {
 public:
  explicit Named(VelaString name) : name_(std::move(name)) {}
  const VelaString& getUniqueName() const override {
    ++reads;
    return name_;
  }
  mutable int reads = 0;

 private:
  VelaString name_;
};

using Member = Named<KIVA_o::Member>;
using Dimension = Named<KIVA_o::Dimension>;
using Level = Named<KIVA_o::Level>;

class Hierarchy : public Named<KIVA_o::Hierarchy> {
 public:
  explicit Hierarchy(VelaString name, std::vector<VelaString> levels = {})
      : Named(std::move(name)) {
    for (auto& level : levels) levels_.push_back(std::make_unique<Level>(std::move(level)));
  }
  KIVA_o::Level* getLevel(int depth) const override {
    if (depth < 0 || depth >= getLevelCount()) return nullptr;
    return levels_[static_cast<std::size_t>(depth)].get();
  }
  int getLevelCount() const override { return static_cast<int>(levels_.size()); }
  void getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const override {
    if (failing) throw std::runtime_error("host failure");
    *out = calculations_;
  }
  // Entries the host reports from getCalculations; null values allowed.
  std::map<std::uint32_t, KIVA_o::Calculation*> calculations_;
  bool failing = false;

 private:
  std::vector<std::unique_ptr<Level>> levels_;
};

class Calculation : public Named<KIVA_o::Calculation> {
 public:
  Calculation(VelaString name, VelaString parent, const KIVA_o::Hierarchy* hierarchy)
      : Named(std::move(name)), parent_(std::move(parent)), hierarchy_(hierarchy) {}
  const VelaString& getParentUniqueName() const override { return parent_; }
  const KIVA_o::Hierarchy* getHierarchy() const override { return hierarchy_; }

 private:
  VelaString parent_;
  const KIVA_o::Hierarchy* hierarchy_;
};

class DynamicCalculation : public KIVA_o::DynamicCalculation {
 public:
  explicit DynamicCalculation(VelaString name) : name_(std::move(name)) {}
  const VelaString& getName() const override { return name_; }

 private:
  VelaString name_;
};

class Cube : public KIVA_o::Cube {};

// An expression node. Build trees with the helpers below; a node owns its
// operands.
class Expression : public KIVA_o::Expression {
 public:
  explicit Expression(int type, VelaString text = VelaString()) : type_(type), text_(std::move(text)) {
    VariantInit(&value_);
  }
  ~Expression() override {
    VariantClear(&value_);
    // Iterative, so that very deep trees do not exhaust the stack.
    std::vector<KIVA_o::Expression*> pending;
    pending.swap(children_);
    while (!pending.empty()) {
      auto* node = static_cast<Expression*>(pending.back());
      pending.pop_back();
      if (!node) continue;
      pending.insert(pending.end(), node->children_.begin(), node->children_.end());
      node->children_.clear();
      delete node;
    }
  }
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  const std::vector<KIVA_o::Expression*>& getChildren() const override { return children_; }
  int getType() const override { return type_; }
  const VARIANT* getValue() const override { return &value_; }
  const VelaString& getString() const override { return text_; }

  Expression* add(Expression* child) {
    children_.push_back(child);
    return this;
  }
  VARIANT& value() { return value_; }

 private:
  int type_;
  VelaString text_;
  VARIANT value_;
  std::vector<KIVA_o::Expression*> children_;
};

// A node of the given kind with the given operands.
inline Expression* node(int type, std::vector<Expression*> children = {}) {
  auto* e = new Expression(type);
  for (auto* child : children) e->add(child);
  return e;
}

// A string node (ET_STRING) with its text.
inline Expression* str(const wchar_t* text) { return new Expression(KIVA_o::ET_STRING, text); }

// A value node (ET_VALUE) holding a double.
inline Expression* number(double v) {
  auto* e = new Expression(KIVA_o::ET_VALUE);
  e->value().vt = VT_R8;
  e->value().dblVal = v;
  return e;
}

}  // namespace fake
