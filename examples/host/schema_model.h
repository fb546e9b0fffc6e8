// A host metadata model read from a Mondrian schema file.
//
// SchemaModel implements the library's host interface (KIVA_o) from the same
// schema XML the embedded engine serves, so the cube is described once. The
// unique names follow Mondrian's default naming:
//
//   dimension              [Store]
//   hierarchy              [Store]           named hierarchy: [Store.By Size]
//   level                  [Store].[Store City]
//   All level              [Store].[(All)]   (allLevelName overrides "(All)")
//   All member             [Store].[All Stores]
//   measures               [Measures], level [Measures].[MeasuresLevel]
//   calculated member      [Measures].[Average Price], or below its parent:
//                          [Time].[2024].[First Half]
//
// A name is bracketed with any "]" doubled: "Gadgets [New]" becomes
// [Gadgets [New]]]. Level depth 0 is the All level when the hierarchy has
// one, as on the server.
//
//   schema_host::SchemaModel model =
//       schema_host::SchemaModel::load("examples/sample/sales_schema.xml");
//   const schema_host::SchemaCube& sales = *model.cube("Sales");
//   const KIVA_o::Level* city = sales.level("[Store].[Store City]");
//   const KIVA_o::Member* zurich =
//       sales.member("[Store].[Switzerland].[ZH].[Zürich]");
//
// Objects live as long as the model; pointers to them stay valid when the
// model is moved.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <mdxgen/mdxgen.h>

namespace schema_host {

class SchemaCube;
class SchemaDimension;
class SchemaHierarchy;
class SchemaReader;

// A schema that cannot be read or does not make sense.
class SchemaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "[" + name + "]" with every "]" in the name doubled.
VelaString bracket(const VelaString& name);

// A member known only by its unique name; the model does not read the
// cube's data, so any unique name is accepted.
class SchemaMember final : public KIVA_o::Member {
 public:
  explicit SchemaMember(VelaString uniqueName) : uniqueName_(std::move(uniqueName)) {}
  const VelaString& getUniqueName() const override { return uniqueName_; }

 private:
  VelaString uniqueName_;
};

// A calculation the host makes up at run time, known by its bare name.
class SchemaDynamicCalculation final : public KIVA_o::DynamicCalculation {
 public:
  explicit SchemaDynamicCalculation(VelaString name) : name_(std::move(name)) {}
  const VelaString& getName() const override { return name_; }

 private:
  VelaString name_;
};

class SchemaLevel final : public KIVA_o::Level {
 public:
  SchemaLevel(const SchemaHierarchy* hierarchy, VelaString name, int depth, bool all,
              std::vector<VelaString> properties);

  const VelaString& getUniqueName() const override { return uniqueName_; }

  const VelaString& name() const { return name_; }
  int depth() const { return depth_; }
  // True for the All level of a hierarchy that has one.
  bool isAll() const { return all_; }
  const SchemaHierarchy& hierarchy() const { return *hierarchy_; }
  // Member properties declared on the level (<Property name=...>).
  const std::vector<VelaString>& propertyNames() const { return properties_; }
  // The name DIMENSION PROPERTIES takes: [Store].[Store City].[Manager].
  VelaString propertyUniqueName(const VelaString& property) const;

 private:
  const SchemaHierarchy* hierarchy_;
  VelaString name_;
  VelaString uniqueName_;
  int depth_;
  bool all_;
  std::vector<VelaString> properties_;
};

class SchemaCalculation final : public KIVA_o::Calculation {
 public:
  SchemaCalculation(const SchemaHierarchy* hierarchy, VelaString name, VelaString parent,
                    VelaString formula);

  const VelaString& getUniqueName() const override { return uniqueName_; }
  const VelaString& getParentUniqueName() const override { return parent_; }
  const KIVA_o::Hierarchy* getHierarchy() const override;

  const VelaString& name() const { return name_; }
  const VelaString& formula() const { return formula_; }
  const SchemaHierarchy& hierarchy() const { return *hierarchy_; }

 private:
  const SchemaHierarchy* hierarchy_;
  VelaString name_;
  VelaString parent_;
  VelaString formula_;
  VelaString uniqueName_;
};

class SchemaHierarchy final : public KIVA_o::Hierarchy {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  KIVA_o::Level* getLevel(int depth) const override;
  int getLevelCount() const override { return static_cast<int>(levels_.size()); }
  // The hierarchy's calculated members, keyed 0, 1, ... in schema order.
  void getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const override;

  // The name Mondrian gives it: the dimension's name for the dimension's
  // unnamed hierarchy, "Dimension.Hierarchy" for a named one.
  const VelaString& name() const { return name_; }
  const SchemaDimension& dimension() const { return *dimension_; }
  bool hasAll() const { return hasAll_; }
  // Unique name of the All member; empty without one.
  const VelaString& allMemberUniqueName() const { return allMember_; }
  // A level by name ("Store City") or unique name; null if none.
  const SchemaLevel* level(const VelaString& nameOrUniqueName) const;
  const std::vector<std::unique_ptr<SchemaLevel>>& levels() const { return levels_; }
  const std::vector<std::unique_ptr<SchemaCalculation>>& calculations() const {
    return calculations_;
  }

 private:
  friend class SchemaReader;
  SchemaHierarchy() = default;

  const SchemaDimension* dimension_ = nullptr;
  VelaString name_;
  VelaString uniqueName_;
  bool hasAll_ = true;
  VelaString allMember_;
  std::vector<std::unique_ptr<SchemaLevel>> levels_;
  std::vector<std::unique_ptr<SchemaCalculation>> calculations_;
};

class SchemaDimension final : public KIVA_o::Dimension {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }

  const VelaString& name() const { return name_; }
  bool isMeasures() const { return measures_; }
  const std::vector<std::unique_ptr<SchemaHierarchy>>& hierarchies() const {
    return hierarchies_;
  }
  // The first hierarchy (the one [Dimension] names).
  const SchemaHierarchy& defaultHierarchy() const { return *hierarchies_.front(); }

 private:
  friend class SchemaReader;
  SchemaDimension() = default;

  VelaString name_;
  VelaString uniqueName_;
  bool measures_ = false;
  std::vector<std::unique_ptr<SchemaHierarchy>> hierarchies_;
};

class SchemaCube final : public KIVA_o::Cube {
 public:
  const VelaString& name() const { return name_; }
  // [Sales]
  VelaString uniqueName() const { return bracket(name_); }
  // Measures first, then the cube's dimensions in schema order.
  const std::vector<std::unique_ptr<SchemaDimension>>& dimensions() const {
    return dimensions_;
  }
  // Names of the stored measures (<Measure>), in schema order.
  const std::vector<VelaString>& measureNames() const { return measureNames_; }

  // Look-ups; null when there is no such object. Names are matched exactly.
  const SchemaDimension* dimension(const VelaString& nameOrUniqueName) const;
  const SchemaHierarchy* hierarchy(const VelaString& nameOrUniqueName) const;
  const SchemaLevel* level(const VelaString& uniqueName) const;
  const SchemaCalculation* calculation(const VelaString& uniqueName) const;
  // [Measures].[name] for a stored or calculated measure; null if unknown.
  const KIVA_o::Member* measure(const VelaString& name) const;

  // The member with that unique name, made on first use and kept for the
  // cube's lifetime (same pointer for the same name). Never null.
  const KIVA_o::Member* member(const VelaString& uniqueName) const;

 private:
  friend class SchemaReader;
  SchemaCube() = default;

  VelaString name_;
  std::vector<std::unique_ptr<SchemaDimension>> dimensions_;
  std::vector<VelaString> measureNames_;
  mutable std::mutex membersLock_;
  mutable std::map<std::wstring, std::unique_ptr<SchemaMember>> members_;
};

class SchemaModel {
 public:
  // Reads a Mondrian schema file. Throws SchemaError.
  static SchemaModel load(const std::string& path);
  // Reads a Mondrian schema from text. Throws SchemaError.
  static SchemaModel parse(std::string_view xml);

  const VelaString& name() const { return name_; }
  const std::vector<std::unique_ptr<SchemaCube>>& cubes() const { return cubes_; }
  // A cube by name ("Sales") or unique name ("[Sales]"); null if none.
  const SchemaCube* cube(const VelaString& nameOrUniqueName) const;

 private:
  friend class SchemaReader;
  SchemaModel() = default;

  VelaString name_;
  std::vector<std::unique_ptr<SchemaCube>> cubes_;
};

}  // namespace schema_host
