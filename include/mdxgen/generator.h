/// \file
/// The generator: the host's entry object, one per cube, through which
/// every fragment and statement is created.
#pragma once

#include <memory>
#include <vector>

#include "mdxgen/export.h"
#include "mdxgen/refcount_impl.h"
#include "mdxgen/statements.h"
#include "mdxgen/support/kiva.h"
#include "mdxgen/support/velastring.h"

class MDXField;
class MDXMemberProperty;
class MDXQueryLog;
class MDXSet;
class MDXTuple;
class MDXValue;

/// The host's entry object, one per cube: creates every fragment and
/// statement.
///
///     MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
///     MDXField* f = g->GenerateField(L"[Time].[1997]");   // "[Time].[1997]"
///     ...
///     f->unuse();
///     delete g;
///
/// Each Generate operation returns a new object of the generator's
/// dialect with one reference, owned by the caller (give it back with
/// unuse() or hold it in an auto_unuse). The arguments are passed to the
/// constructor of the same arguments, documented with the class (MDXField,
/// MDXSet, MDXValue, MDXTuple, MDXMemberProperty); fragments and host
/// objects given are read during the call only. The generator keeps no
/// reference to what it creates, which may outlive it; it owns only its
/// query log. Only GenerateQuery refuses anything.
class MDXGEN_API MDXQueryGenerator {
 public:
  /// The server dialect a generator targets: MSOLAP8 for
  /// createMSOLAP8QueryGenerator, Mondrian for createMondrianQueryGenerator.
  enum QueryGenerationType : int { MSOLAP8 = 1, Mondrian = 2 };

  /// A generator for the cube named by `cubeName` in MDX ("[Sales]"), which
  /// every statement it creates names.
  explicit MDXQueryGenerator(const VelaString& cubeName);
  /// A copy has the cube name and starts without a log: one log is never
  /// owned by two generators.
  MDXQueryGenerator(const MDXQueryGenerator& other);
  /// Takes the cube name; the log is given up and a new one is asked for
  /// on the next GetMDXQueryLog.
  MDXQueryGenerator& operator=(const MDXQueryGenerator& other);
  /// Destroys the query log; what the generator created lives on.
  virtual ~MDXQueryGenerator();

  /// A new statement on the generator's cube: Select (0), Create (1), Drop
  /// (2) or Alter (3); UPDATE CUBE is constructed directly
  /// (MDXUpdateQuery). `cube` is not read and may be null. Another type
  /// throws MDXError kValueOutOfRange with the inserts: the type in
  /// decimal, "QueryType" (`GenerateQuery(4, nullptr)` gives "4",
  /// "QueryType"), after handing the error to the process log once.
  virtual MDXQuery* GenerateQuery(MDXQuery::QueryType type, KIVA_o::Cube* cube) = 0;
  /// A range of members: " { [Time].[1997]:[Time].[1998] } ".
  virtual MDXSet* GenerateSet(const MDXField* from, const MDXField* to) = 0;
  /// Every member of the hierarchy: "{[Time].allmembers}".
  virtual MDXSet* GenerateSet(const KIVA_o::Hierarchy* hierarchy) = 0;
  /// The listed members: " { [Time].[1997], [Time].[1998] } ".
  virtual MDXSet* GenerateSet(const std::vector<auto_unuse<MDXField>>& fields) = 0;
  /// The listed members: " { [Time].[1997], [Time].[1998] } "; none give
  /// " {  } ".
  virtual MDXSet* GenerateSet(const std::vector<MDXField*>& fields) = 0;
  /// The one member: " { [Time].[1997] } ".
  virtual MDXSet* GenerateSet(const MDXField* field) = 0;
  /// The listed tuples: " { ( [A], [B] )  } ". An empty tuple's MDXError
  /// kEmptyTuple passes through and nothing is created.
  virtual MDXSet* GenerateSet(const std::vector<MDXTuple*>& tuples) = 0;
  /// The level's members: " { [Time].[Quarter].MEMBERS } ".
  virtual MDXSet* GenerateSet(const KIVA_o::Level* level) = 0;
  /// A set of the text as given.
  virtual MDXSet* GenerateSet(const VelaString& text) = 0;
  /// A set with the other set's current text.
  virtual MDXSet* GenerateSet(const MDXSet* set) = 0;
  /// The empty set "{  }".
  virtual MDXSet* GenerateSet() = 0;
  /// A named child: `GenerateField(L"[Time].[1997]", L"Q1")` gives
  /// "[Time].[1997].[Q1]".
  virtual MDXField* GenerateField(const VelaString& parent, const VelaString& name) = 0;
  /// A member expression with the other field's current text.
  virtual MDXField* GenerateField(const MDXField* field) = 0;
  /// A member of the level by name: "[Time].[Quarter].[Q2]".
  virtual MDXField* GenerateField(const KIVA_o::Level* level, const VelaString& name) = 0;
  /// The calculation's name bracketed under `parent`:
  /// "[Time].[1997].[Share]".
  virtual MDXField* GenerateField(const KIVA_o::DynamicCalculation* calculation,
                                  const VelaString& parent) = 0;
  /// A member named under the calculation's parent, or its hierarchy:
  /// "[Time].[1997].[X]".
  virtual MDXField* GenerateField(const KIVA_o::Calculation* calculation,
                                  const VelaString& name) = 0;
  /// The dimension's default member: "[Time].DEFAULTMEMBER".
  virtual MDXField* GenerateField(const KIVA_o::Dimension* dimension) = 0;
  /// The member's unique name: "[Time].[1997]".
  virtual MDXField* GenerateField(const KIVA_o::Member* member) = 0;
  /// The unique name as given: "[Time].[1997]".
  virtual MDXField* GenerateField(const VelaString& uniqueName) = 0;
  /// A member of the hierarchy by name: "[Time].[1998]".
  virtual MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy,
                                  const VelaString& name) = 0;
  /// The hierarchy's default member: "[Time].DEFAULTMEMBER".
  virtual MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy) = 0;
  /// The number in decimal: `GenerateValue(-12)` gives "-12".
  virtual MDXValue* GenerateValue(int number) = 0;
  /// A value expression of the text as given.
  virtual MDXValue* GenerateValue(const VelaString& text) = 0;
  /// An empty tuple, to be filled with MDXTuple::AddField.
  virtual MDXTuple* GenerateTuple() = 0;
  /// A property named alone: `GenerateMemberProperty(L"Manager")` gives
  /// "Manager".
  virtual MDXMemberProperty* GenerateMemberProperty(const VelaString& property) = 0;
  /// A property of an owner: ("[Store].[Store City]", "Manager") gives
  /// "[Store].[Store City].[Manager]".
  virtual MDXMemberProperty* GenerateMemberProperty(const VelaString& owner,
                                                    const VelaString& property) = 0;
  /// The dialect: MSOLAP8 for the MSOLAP 8 generator.
  virtual QueryGenerationType GetServerType() const = 0;
  /// The generator's query log, created and opened on the first call; null
  /// when the registry switch is off (the switch is not read again). The
  /// generator keeps ownership: do not delete the log or use it after the
  /// generator is gone.
  virtual MDXQueryLog* GetMDXQueryLog();

  /// The cube name given at construction.
  const VelaString& getCubeName() const { return cubeName_; }

 protected:
  /// A new, opened log owned by the caller, or null when the registry does
  /// not name a log file; called once, by the first GetMDXQueryLog.
  virtual MDXQueryLog* create_mdx_query_log() = 0;

 private:
  VelaString cubeName_;
  std::unique_ptr<MDXQueryLog> queryLog_;
  bool logRequested_ = false;
};

/// The generator of the MSOLAP 8 dialect: creates the MSOLAP8 classes
/// (MSOLAP8Set, MSOLAP8SelectQuery, ...), whose texts the server takes
/// as they are. Usually made by createMSOLAP8QueryGenerator.
class MDXGEN_API MSOLAP8QueryGenerator : public MDXQueryGenerator {
 public:
  /// A generator for the cube named by `cubeName` in MDX ("[Sales]").
  explicit MSOLAP8QueryGenerator(const VelaString& cubeName);
  /// A copy has the cube name and starts without a log.
  MSOLAP8QueryGenerator(const MSOLAP8QueryGenerator& other) = default;
  /// Takes the cube name; the log is given up.
  MSOLAP8QueryGenerator& operator=(const MSOLAP8QueryGenerator& other) = default;
  ~MSOLAP8QueryGenerator() override;

  MDXQuery* GenerateQuery(MDXQuery::QueryType type, KIVA_o::Cube* cube) override;
  MDXSet* GenerateSet(const MDXField* from, const MDXField* to) override;
  MDXSet* GenerateSet(const KIVA_o::Hierarchy* hierarchy) override;
  MDXSet* GenerateSet(const std::vector<auto_unuse<MDXField>>& fields) override;
  MDXSet* GenerateSet(const std::vector<MDXField*>& fields) override;
  MDXSet* GenerateSet(const MDXField* field) override;
  MDXSet* GenerateSet(const std::vector<MDXTuple*>& tuples) override;
  MDXSet* GenerateSet(const KIVA_o::Level* level) override;
  MDXSet* GenerateSet(const VelaString& text) override;
  MDXSet* GenerateSet(const MDXSet* set) override;
  MDXSet* GenerateSet() override;
  MDXField* GenerateField(const VelaString& parent, const VelaString& name) override;
  MDXField* GenerateField(const MDXField* field) override;
  MDXField* GenerateField(const KIVA_o::Level* level, const VelaString& name) override;
  MDXField* GenerateField(const KIVA_o::DynamicCalculation* calculation,
                          const VelaString& parent) override;
  MDXField* GenerateField(const KIVA_o::Calculation* calculation,
                          const VelaString& name) override;
  MDXField* GenerateField(const KIVA_o::Dimension* dimension) override;
  MDXField* GenerateField(const KIVA_o::Member* member) override;
  MDXField* GenerateField(const VelaString& uniqueName) override;
  MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy, const VelaString& name) override;
  MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy) override;
  MDXValue* GenerateValue(int number) override;
  MDXValue* GenerateValue(const VelaString& text) override;
  MDXTuple* GenerateTuple() override;
  MDXMemberProperty* GenerateMemberProperty(const VelaString& property) override;
  MDXMemberProperty* GenerateMemberProperty(const VelaString& owner,
                                            const VelaString& property) override;
  QueryGenerationType GetServerType() const override;

 protected:
  MDXQueryLog* create_mdx_query_log() override;
};

/// The exported factory: an MSOLAP 8 generator for the cube named by
/// `cubeName` (MDX text, for example "[Sales]"), owned and deleted by the
/// caller. Generators are not reference counted.
MDXGEN_API MDXQueryGenerator* createMSOLAP8QueryGenerator(const VelaString& cubeName);

/// The factory of the Mondrian 3 dialect: a generator for the cube named by
/// `cubeName`, owned and deleted by the caller. It answers every call of the
/// MSOLAP 8 generator and writes the same texts, except for the forms
/// Mondrian does not know, which it writes in a form of the same meaning:
/// sorts over DISTINCT, drilling up as a FILTER on ASCENDANTS, the recursive
/// toggle as a recursive DRILLDOWNMEMBER of the plain toggle, leaves as
/// DESCENDANTS( m, , LEAVES ), descriptions as the DESCRIPTION property,
/// NONEMPTYCROSSJOIN of more than two sets nested two by two, DRILLTHROUGH
/// before WITH, intrinsic DIMENSION PROPERTIES in upper case. Session
/// members and sets of its CREATE statements are carried into the WITH
/// clause of its later SELECTs until a DROP removes them; GenerateQuery
/// refuses ALTER CUBE with MDXError kNotInDialect.
MDXGEN_API MDXQueryGenerator* createMondrianQueryGenerator(const VelaString& cubeName);
