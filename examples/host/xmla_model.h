// A host metadata model (KIVA_o) read from any XMLA server through Discover,
// so a host browsing a server needs no schema file.
//
//   mdxgen::xmla::ClientOptions options;
//   options.url = "http://127.0.0.1:8080/xmla";
//   mdxgen::xmla::Properties properties;
//   properties.catalog = "SalesSample";
//   xmla_host::XmlaModel model(options, properties);
//   const xmla_host::XmlaCube* sales = model.cube("Sales");
//   const KIVA_o::Level* city = sales->level("[Store].[Store City]");
//   const xmla_host::XmlaMember* zurich =
//       sales->member("[Store].[Switzerland].[ZH].[Zürich]");
//
// cube() reads the cube's structure the first time it is asked for: its
// dimensions, hierarchies and levels (one MDSCHEMA_ request each) and the
// calculated members of each hierarchy (one Execute per hierarchy: the
// hierarchy's AllMembers except its Members, which is where servers list
// them). The library then reads it through KIVA_o without a request. Members
// are read when a host asks for them (MDSCHEMA_MEMBERS) and kept. Objects
// live as long as the model. All calls may come from several threads; the
// model sends one request at a time. Server failures are thrown as
// mdxgen::xmla::Error.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <mdxgen/mdxgen.h>
#include <mdxgen/xmla.h>

namespace xmla_host {

class XmlaCube;
class XmlaDimension;
class XmlaHierarchy;
class XmlaModel;

// A member as the server lists it.
class XmlaMember final : public KIVA_o::Member {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  const VelaString& caption() const { return caption_; }
  const VelaString& levelUniqueName() const { return levelUniqueName_; }
  int levelNumber() const { return levelNumber_; }
  const VelaString& parentUniqueName() const { return parentUniqueName_; }
  // CHILDREN_CARDINALITY as the server estimates it.
  long childrenCardinality() const { return childrenCardinality_; }

 private:
  friend class XmlaCube;
  VelaString uniqueName_, caption_, levelUniqueName_, parentUniqueName_;
  int levelNumber_ = 0;
  long childrenCardinality_ = 0;
};

class XmlaLevel final : public KIVA_o::Level {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  const VelaString& name() const { return name_; }
  int depth() const { return depth_; }
  // True for the All level (LEVEL_TYPE 1).
  bool isAll() const { return all_; }
  const XmlaHierarchy& hierarchy() const { return *hierarchy_; }
  // The name DIMENSION PROPERTIES takes: [Store].[Store City].[Manager].
  VelaString propertyUniqueName(const VelaString& property) const;

 private:
  friend class XmlaCube;
  const XmlaHierarchy* hierarchy_ = nullptr;
  VelaString uniqueName_, name_;
  int depth_ = 0;
  bool all_ = false;
};

// A calculated member the server reports.
class XmlaCalculation final : public KIVA_o::Calculation {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  const VelaString& getParentUniqueName() const override { return parent_; }
  const KIVA_o::Hierarchy* getHierarchy() const override;

 private:
  friend class XmlaCube;
  const XmlaHierarchy* hierarchy_ = nullptr;
  VelaString uniqueName_, parent_;
};

class XmlaHierarchy final : public KIVA_o::Hierarchy {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  KIVA_o::Level* getLevel(int depth) const override;
  int getLevelCount() const override { return static_cast<int>(levels_.size()); }
  // The calculated members, keyed 0, 1, ... in the server's order.
  void getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const override;

  const VelaString& name() const { return name_; }
  const XmlaDimension& dimension() const { return *dimension_; }
  bool hasAll() const { return !allMember_.empty(); }
  const VelaString& allMemberUniqueName() const { return allMember_; }
  const VelaString& defaultMemberUniqueName() const { return defaultMember_; }
  const std::vector<std::unique_ptr<XmlaLevel>>& levels() const { return levels_; }
  // A level by name ("Store City") or unique name; null if none.
  const XmlaLevel* level(const VelaString& nameOrUniqueName) const;
  const std::vector<std::unique_ptr<XmlaCalculation>>& calculations() const {
    return calculations_;
  }

 private:
  friend class XmlaCube;
  const XmlaDimension* dimension_ = nullptr;
  VelaString uniqueName_, name_, allMember_, defaultMember_;
  std::vector<std::unique_ptr<XmlaLevel>> levels_;
  std::vector<std::unique_ptr<XmlaCalculation>> calculations_;
};

class XmlaDimension final : public KIVA_o::Dimension {
 public:
  const VelaString& getUniqueName() const override { return uniqueName_; }
  const VelaString& name() const { return name_; }
  // DIMENSION_TYPE 2.
  bool isMeasures() const { return measures_; }
  const std::vector<std::unique_ptr<XmlaHierarchy>>& hierarchies() const { return hierarchies_; }
  const XmlaHierarchy& defaultHierarchy() const { return *hierarchies_.front(); }

 private:
  friend class XmlaCube;
  VelaString uniqueName_, name_;
  bool measures_ = false;
  std::vector<std::unique_ptr<XmlaHierarchy>> hierarchies_;
};

class XmlaCube final : public KIVA_o::Cube {
 public:
  const VelaString& name() const { return name_; }
  VelaString uniqueName() const;
  // In the server's order (DIMENSION_ORDINAL); measures first on most servers.
  const std::vector<std::unique_ptr<XmlaDimension>>& dimensions() const { return dimensions_; }
  // The stored measures' names, in the cube's order.
  const std::vector<VelaString>& measureNames() const { return measureNames_; }

  // Look-ups in what cube() read; null when there is none.
  const XmlaDimension* dimension(const VelaString& nameOrUniqueName) const;
  const XmlaHierarchy* hierarchy(const VelaString& nameOrUniqueName) const;
  const XmlaLevel* level(const VelaString& uniqueName) const;
  const XmlaCalculation* calculation(const VelaString& uniqueName) const;
  // [Measures].[name], read as member() does; null if the server has none.
  const KIVA_o::Member* measure(const VelaString& name) const;

  // A member by unique name, read from the server on first use and kept;
  // null when the server has no such member. Throws mdxgen::xmla::Error.
  const XmlaMember* member(const VelaString& uniqueName) const;
  // A member's children, and a level's members, in the server's order.
  std::vector<const XmlaMember*> children(const VelaString& uniqueName) const;
  std::vector<const XmlaMember*> levelMembers(const VelaString& levelUniqueName) const;

 private:
  friend class XmlaModel;
  explicit XmlaCube(XmlaModel* model) : model_(model) {}
  void load();
  std::vector<const XmlaMember*> members(
      std::vector<std::pair<std::string, std::string>> restrictions) const;

  XmlaModel* model_;
  VelaString name_;
  std::vector<std::unique_ptr<XmlaDimension>> dimensions_;
  std::vector<VelaString> measureNames_;
  mutable std::map<std::wstring, std::unique_ptr<XmlaMember>> members_;
  mutable std::map<std::wstring, std::vector<const XmlaMember*>> lists_;
};

class XmlaModel {
 public:
  // Nothing is sent until cube() is called. properties usually names the
  // catalog; DataSourceInfo and LocaleIdentifier are passed on as given.
  XmlaModel(mdxgen::xmla::ClientOptions options, mdxgen::xmla::Properties properties);
  ~XmlaModel();

  // A cube by name ("Sales") or unique name ("[Sales]"), read on first use;
  // null when the server lists no such cube. Throws mdxgen::xmla::Error.
  const XmlaCube* cube(const VelaString& nameOrUniqueName);

  const mdxgen::xmla::Properties& properties() const { return properties_; }

 private:
  friend class XmlaCube;
  mdxgen::xmla::Rowset discover(const char* type,
                                const std::vector<std::pair<std::string, std::string>>& restrictions);
  mdxgen::xmla::CellSet execute(const std::string& statement);

  std::recursive_mutex lock_;
  mdxgen::xmla::Client client_;
  mdxgen::xmla::Properties properties_;
  std::map<std::wstring, std::unique_ptr<XmlaCube>> cubes_;
};

}  // namespace xmla_host
