/// \file
/// The host's metadata model: the library reads the host's cubes, dimensions,
/// hierarchies, levels, members, calculations and expression trees only
/// through these abstract classes, during the call that received them.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "mdxgen/support/oleauto.h"
#include "mdxgen/support/velastring.h"

namespace KIVA_o {

class Level;
class Calculation;

/// A member of the host's cube.
class Member {
 public:
  Member() = default;
  virtual ~Member() = default;
  /// The unique name in MDX, "[Time].[1997]", used as it is.
  virtual const VelaString& getUniqueName() const = 0;
};

/// A dimension of the host's cube.
class Dimension {
 public:
  Dimension() = default;
  virtual ~Dimension() = default;
  /// The unique name in MDX, "[Time]".
  virtual const VelaString& getUniqueName() const = 0;
};

/// A hierarchy of a dimension, with its levels and calculated members.
class Hierarchy {
 public:
  Hierarchy() = default;
  virtual ~Hierarchy() = default;
  /// The unique name in MDX, "[Time]".
  virtual const VelaString& getUniqueName() const = 0;
  /// The level at that depth (0 = top), or null.
  virtual Level* getLevel(int depth) const = 0;
  /// The number of levels.
  virtual int getLevelCount() const = 0;
  /// Fills the empty map passed in; the library reads only the values, in
  /// key order, and skips null ones.
  virtual void getCalculations(std::map<std::uint32_t, Calculation*>* out) const = 0;
};

/// A level of a hierarchy.
class Level {
 public:
  Level() = default;
  virtual ~Level() = default;
  /// The unique name in MDX, "[Time].[Quarter]".
  virtual const VelaString& getUniqueName() const = 0;
};

/// A calculated member of the host.
class Calculation {
 public:
  Calculation() = default;
  virtual ~Calculation() = default;
  /// The unique name in MDX, "[Time].[1997].[Growth]".
  virtual const VelaString& getUniqueName() const = 0;
  /// The parent member's unique name; empty when there is none.
  virtual const VelaString& getParentUniqueName() const = 0;
  /// The hierarchy the member belongs to; its name stands in for a
  /// missing parent.
  virtual const Hierarchy* getHierarchy() const = 0;
};

/// A calculated member known by its bare name, placed under a parent the
/// host gives (MDXField's constructor).
class DynamicCalculation {
 public:
  DynamicCalculation() = default;
  virtual ~DynamicCalculation() = default;
  /// The bare name; the library brackets it.
  virtual const VelaString& getName() const = 0;
};

/// One node of a host filter-expression tree.
class Expression {
 public:
  Expression() = default;
  virtual ~Expression() = default;
  /// The operands, in order; each node kind reads a fixed number of them.
  virtual const std::vector<Expression*>& getChildren() const = 0;
  /// The node kind, one of ExpressionType.
  virtual int getType() const = 0;
  /// The constant of an ET_VALUE node, converted to a number.
  virtual const VARIANT* getValue() const = 0;
  /// The text of ET_NATIVE and string nodes, written as it is.
  virtual const VelaString& getString() const = 0;
};

/// A cube of the host; passed to MDXQueryGenerator::GenerateQuery and not
/// read.
class Cube {
 public:
  Cube() = default;
  virtual ~Cube() = default;
};

/// The node kinds of Expression::getType.
enum ExpressionType : int {
  ET_BETWEEN = 0,
  ET_OUTSIDE = 1,
  ET_NATIVE = 2,
  ET_CURRENTSET = 3,
  ET_TUPLE_IS_NULL = 19,
  ET_FILTER = 37,
  ET_TOPSUM = 38,
  ET_BOTTOMSUM = 39,
  ET_TOPPERCENT = 40,
  ET_BOTTOMPERCENT = 41,
  ET_CURRENT = 42,
  ET_TUPLE_VALUE = 52,
  ET_EXCEPT = 64,
  ET_BOTTOMCOUNT = 71,
  ET_TOPCOUNT = 72,
  ET_MEMBER_VALUE = 86,
  ET_STRING = 124,
  ET_TUPLE = 140,
  ET_UNDEFINED = 141,
  ET_VALUE = 142,
  ET_BOOLVAL = 143,
  ET_EQUALTO = 145,
  ET_NOTEQUALTO = 146,
  ET_LESSTHAN = 147,
  ET_LESSTHANOREQUALTO = 148,
  ET_GREATERTHAN = 149,
  ET_GREATERTHANOREQUALTO = 150,
  ET_AND = 151,
  ET_OR = 152,
  ET_NOT = 153,
  ET_NEGATE = 157,
  ET_ADD = 158,
  ET_SUBTRACT = 159,
  ET_TIMES = 160,
  ET_DIVIDE = 161,
  ET_INTDIVIDE = 162,
  ET_PARENTHESIS_A = 190,
  ET_STRING_A = 193,
  ET_STRING_B = 199,
  ET_PARENTHESIS_B = 206,
};

}  // namespace KIVA_o
