// The generator: the host's entry object, one per cube, through which
// every fragment and statement is created.
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

// Creates fragments and statements; each comes with one reference, owned
// by the caller. The generator keeps no reference to what it creates and
// owns only its query log.
//
//   MDXQueryGenerator* g = createMSOLAP8QueryGenerator(L"[Sales]");
//   MDXField* f = g->GenerateField(L"[Time].[1997]");
//   ...
//   f->unuse();
//   delete g;
class MDXGEN_API MDXQueryGenerator {
 public:
  // The server dialect a generator targets.
  enum QueryGenerationType : int { MSOLAP8 = 1 };

  explicit MDXQueryGenerator(const VelaString& cubeName);
  // A copy has the cube name and starts without a log: one log is never
  // owned by two generators.
  MDXQueryGenerator(const MDXQueryGenerator& other);
  MDXQueryGenerator& operator=(const MDXQueryGenerator& other);
  virtual ~MDXQueryGenerator();

  // Throws MDXError kValueOutOfRange (logged first) for a type outside 0 to
  // 3; cube is not read and may be null.
  virtual MDXQuery* GenerateQuery(MDXQuery::QueryType type, KIVA_o::Cube* cube) = 0;
  virtual MDXSet* GenerateSet(const MDXField* from, const MDXField* to) = 0;
  virtual MDXSet* GenerateSet(const KIVA_o::Hierarchy* hierarchy) = 0;
  virtual MDXSet* GenerateSet(const std::vector<auto_unuse<MDXField>>& fields) = 0;
  virtual MDXSet* GenerateSet(const std::vector<MDXField*>& fields) = 0;
  virtual MDXSet* GenerateSet(const MDXField* field) = 0;
  virtual MDXSet* GenerateSet(const std::vector<MDXTuple*>& tuples) = 0;
  virtual MDXSet* GenerateSet(const KIVA_o::Level* level) = 0;
  virtual MDXSet* GenerateSet(const VelaString& text) = 0;
  virtual MDXSet* GenerateSet(const MDXSet* set) = 0;
  virtual MDXSet* GenerateSet() = 0;
  virtual MDXField* GenerateField(const VelaString& parent, const VelaString& name) = 0;
  virtual MDXField* GenerateField(const MDXField* field) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Level* level, const VelaString& name) = 0;
  virtual MDXField* GenerateField(const KIVA_o::DynamicCalculation* calculation,
                                  const VelaString& parent) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Calculation* calculation,
                                  const VelaString& name) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Dimension* dimension) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Member* member) = 0;
  virtual MDXField* GenerateField(const VelaString& uniqueName) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy,
                                  const VelaString& name) = 0;
  virtual MDXField* GenerateField(const KIVA_o::Hierarchy* hierarchy) = 0;
  virtual MDXValue* GenerateValue(int number) = 0;
  virtual MDXValue* GenerateValue(const VelaString& text) = 0;
  virtual MDXTuple* GenerateTuple() = 0;
  virtual MDXMemberProperty* GenerateMemberProperty(const VelaString& property) = 0;
  virtual MDXMemberProperty* GenerateMemberProperty(const VelaString& owner,
                                                    const VelaString& property) = 0;
  virtual QueryGenerationType GetServerType() const = 0;
  // The generator's query log, created on the first call; null when the
  // registry switch is off. The generator keeps ownership.
  virtual MDXQueryLog* GetMDXQueryLog();

  const VelaString& getCubeName() const { return cubeName_; }

 protected:
  // A new, opened log owned by the caller, or null.
  virtual MDXQueryLog* create_mdx_query_log() = 0;

 private:
  VelaString cubeName_;
  std::unique_ptr<MDXQueryLog> queryLog_;
  bool logRequested_ = false;
};

// The generator of the MSOLAP 8 dialect.
class MDXGEN_API MSOLAP8QueryGenerator : public MDXQueryGenerator {
 public:
  explicit MSOLAP8QueryGenerator(const VelaString& cubeName);
  MSOLAP8QueryGenerator(const MSOLAP8QueryGenerator& other) = default;
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

// The exported factory: a generator for the cube named by cubeName (MDX
// text, for example "[Sales]"), owned and deleted by the caller.
MDXGEN_API MDXQueryGenerator* createMSOLAP8QueryGenerator(const VelaString& cubeName);
