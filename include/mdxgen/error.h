/// \file
/// MDXError: the one exception type of the library, with its codes.
#pragma once

#include "mdxgen/export.h"
#include "mdxgen/support/exceptions.h"

/// A refused request.
///
/// Carries the module name "ODBOMODULE", a code from the constants below
/// and, for some codes, inserts naming the offending value, in the order
/// listed. It can be caught as MDXError, ExceptionCommon,
/// olap_api::ServerException or olap_api::ApiException. The fragment or
/// statement that refused keeps the text and content it had before the call.
///
///     try {
///       set->Order(4, value);
///     } catch (const MDXError& e) {
///       e.getErrorCode();   // MDXError::kValueOutOfRange (0x02017076)
///       e.getInserts();     // {"4", "Sort::direction"}
///     }
class MDXGEN_API MDXError : public ExceptionCommon, public olap_api::ServerException {
 public:
  /// A SELECT statement with no raw text and no axis was asked for its text.
  static constexpr unsigned long kNoAxis = 0x0201706BUL;
  /// An axis was added out of order, twice, or with a negative number.
  static constexpr unsigned long kAxisOutOfOrder = 0x0201706CUL;
  /// A CREATE statement with neither a raw formula nor a formula.
  static constexpr unsigned long kNothingToCreate = 0x0201706DUL;
  /// A member formula's property names and values differ in number.
  static constexpr unsigned long kPropertyCountMismatch = 0x0201706EUL;
  /// A DROP statement with no name to drop.
  static constexpr unsigned long kNothingToDrop = 0x0201706FUL;
  /// A DROP statement asked to drop members and sets together.
  static constexpr unsigned long kDropKindMismatch = 0x02017070UL;
  /// An argument outside its enumeration; inserts: the value in decimal,
  /// the enumeration's name ("QueryType", "Sort::direction",
  /// "ExtremityType", "ExtremityMeasure").
  static constexpr unsigned long kValueOutOfRange = 0x02017076UL;
  /// TOPSUM, TOPPERCENT and their BOTTOM forms need a numeric expression.
  static constexpr unsigned long kExtremityWithoutTuple = 0x02017077UL;
  /// The text of a tuple without members was asked for.
  static constexpr unsigned long kEmptyTuple = 0x02017078UL;
  /// A statement the generator's server dialect has no way to say; insert:
  /// the statement's form ("ALTER CUBE", refused by the Mondrian generator's
  /// GenerateQuery).
  static constexpr unsigned long kNotInDialect = 0x02017079UL;
  /// An expression node that cannot be translated; insert: its kind as a
  /// number.
  static constexpr unsigned long kUntranslatableNode = 0xC201111DUL;

  /// An error with the module name "ODBOMODULE", `code` and no inserts.
  explicit MDXError(unsigned long code);
  /// Copies the code and the inserts.
  MDXError(const MDXError& other);
  ~MDXError() override;

  /// A heap copy owned by the caller.
  MDXError* clone() const override;
};

/// The module name carried by every MDXError, "ODBOMODULE", built on first
/// use.
MDXGEN_API const VelaString& mdxModuleName();
