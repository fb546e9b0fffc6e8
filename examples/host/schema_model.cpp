#include "schema_model.h"

#include <pugixml.hpp>

#include <cstring>
#include <utility>

namespace schema_host {

namespace {

VelaString utf8(const char* text) { return VelaString::fromUtf8(text ? text : ""); }

VelaString join(const VelaString& a, const VelaString& b) {
  VelaString r(a);
  r += b;
  return r;
}

// parent + "." + [name]
VelaString child(const VelaString& parent, const VelaString& name) {
  VelaString r(parent);
  r += L'.';
  r += bracket(name);
  return r;
}

// A boolean attribute as Mondrian reads it: "true"/"false", with a default.
bool flag(const pugi::xml_node& node, const char* name, bool fallback) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) return fallback;
  return std::strcmp(a.value(), "false") != 0;
}

}  // namespace

VelaString bracket(const VelaString& name) {
  std::wstring r;
  r.reserve(name.size() + 2);
  r += L'[';
  for (wchar_t c : name.wstr()) {
    r += c;
    if (c == L']') r += L']';
  }
  r += L']';
  return VelaString(std::move(r));
}

// ---------------------------------------------------------------- objects ---

SchemaLevel::SchemaLevel(const SchemaHierarchy* hierarchy, VelaString name, int depth, bool all,
                         std::vector<VelaString> properties)
    : hierarchy_(hierarchy),
      name_(std::move(name)),
      uniqueName_(child(hierarchy->getUniqueName(), name_)),
      depth_(depth),
      all_(all),
      properties_(std::move(properties)) {}

VelaString SchemaLevel::propertyUniqueName(const VelaString& property) const {
  return child(uniqueName_, property);
}

SchemaCalculation::SchemaCalculation(const SchemaHierarchy* hierarchy, VelaString name,
                                     VelaString parent, VelaString formula)
    : hierarchy_(hierarchy),
      name_(std::move(name)),
      parent_(std::move(parent)),
      formula_(std::move(formula)),
      uniqueName_(child(parent_.empty() ? hierarchy->getUniqueName() : parent_, name_)) {}

const KIVA_o::Hierarchy* SchemaCalculation::getHierarchy() const { return hierarchy_; }

KIVA_o::Level* SchemaHierarchy::getLevel(int depth) const {
  if (depth < 0 || depth >= getLevelCount()) return nullptr;
  return levels_[static_cast<std::size_t>(depth)].get();
}

void SchemaHierarchy::getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const {
  if (!out) return;
  std::uint32_t key = 0;
  for (const auto& c : calculations_) (*out)[key++] = c.get();
}

const SchemaLevel* SchemaHierarchy::level(const VelaString& nameOrUniqueName) const {
  for (const auto& l : levels_) {
    if (l->name() == nameOrUniqueName || l->getUniqueName() == nameOrUniqueName) return l.get();
  }
  return nullptr;
}

const SchemaDimension* SchemaCube::dimension(const VelaString& nameOrUniqueName) const {
  for (const auto& d : dimensions_) {
    if (d->name() == nameOrUniqueName || d->getUniqueName() == nameOrUniqueName) return d.get();
  }
  return nullptr;
}

const SchemaHierarchy* SchemaCube::hierarchy(const VelaString& nameOrUniqueName) const {
  for (const auto& d : dimensions_) {
    for (const auto& h : d->hierarchies()) {
      if (h->name() == nameOrUniqueName || h->getUniqueName() == nameOrUniqueName) return h.get();
    }
  }
  return nullptr;
}

const SchemaLevel* SchemaCube::level(const VelaString& uniqueName) const {
  for (const auto& d : dimensions_) {
    for (const auto& h : d->hierarchies()) {
      for (const auto& l : h->levels()) {
        if (l->getUniqueName() == uniqueName) return l.get();
      }
    }
  }
  return nullptr;
}

const SchemaCalculation* SchemaCube::calculation(const VelaString& uniqueName) const {
  for (const auto& d : dimensions_) {
    for (const auto& h : d->hierarchies()) {
      for (const auto& c : h->calculations()) {
        if (c->getUniqueName() == uniqueName) return c.get();
      }
    }
  }
  return nullptr;
}

const KIVA_o::Member* SchemaCube::measure(const VelaString& name) const {
  const SchemaHierarchy& measures = dimensions_.front()->defaultHierarchy();
  bool known = false;
  for (const auto& m : measureNames_) known = known || m == name;
  for (const auto& c : measures.calculations()) known = known || c->name() == name;
  return known ? member(child(measures.getUniqueName(), name)) : nullptr;
}

const KIVA_o::Member* SchemaCube::member(const VelaString& uniqueName) const {
  std::lock_guard<std::mutex> lock(membersLock_);
  auto& slot = members_[uniqueName.wstr()];
  if (!slot) slot = std::make_unique<SchemaMember>(uniqueName);
  return slot.get();
}

const SchemaCube* SchemaModel::cube(const VelaString& nameOrUniqueName) const {
  for (const auto& c : cubes_) {
    if (c->name() == nameOrUniqueName || c->uniqueName() == nameOrUniqueName) return c.get();
  }
  return nullptr;
}

// ----------------------------------------------------------------- reader ---

// Builds the model from a parsed document; has access to the classes'
// private parts.
class SchemaReader {
 public:
  explicit SchemaReader(std::string origin) : origin_(std::move(origin)) {}

  SchemaModel read(const pugi::xml_document& doc) {
    pugi::xml_node schema = doc.child("Schema");
    if (!schema) fail("no <Schema> element");
    SchemaModel model;
    model.name_ = utf8(schema.attribute("name").value());

    std::map<std::string, pugi::xml_node> shared;
    for (pugi::xml_node d : schema.children("Dimension")) {
      shared[required(d, "name", "shared <Dimension>")] = d;
    }
    for (pugi::xml_node c : schema.children("Cube")) {
      model.cubes_.push_back(readCube(c, shared));
    }
    if (model.cubes_.empty()) fail("the schema has no <Cube>");
    return model;
  }

 private:
  [[noreturn]] void fail(const std::string& message) const {
    throw SchemaError(origin_ + ": " + message);
  }

  std::string required(const pugi::xml_node& node, const char* attribute,
                       const std::string& what) const {
    const char* value = node.attribute(attribute).value();
    if (!*value) fail(what + " without a " + attribute + " attribute");
    return value;
  }

  std::unique_ptr<SchemaCube> readCube(const pugi::xml_node& node,
                                       const std::map<std::string, pugi::xml_node>& shared) {
    std::unique_ptr<SchemaCube> cube(new SchemaCube());
    std::string cubeName = required(node, "name", "<Cube>");
    cube->name_ = utf8(cubeName.c_str());
    const std::string where = "cube " + cubeName;

    // Mondrian puts [Measures] first: one hierarchy, one level, no All.
    std::unique_ptr<SchemaDimension> measures(new SchemaDimension());
    measures->name_ = L"Measures";
    measures->uniqueName_ = bracket(measures->name_);
    measures->measures_ = true;
    std::unique_ptr<SchemaHierarchy> mh(new SchemaHierarchy());
    mh->dimension_ = measures.get();
    mh->name_ = measures->name_;
    mh->uniqueName_ = measures->uniqueName_;
    mh->hasAll_ = false;
    mh->levels_.push_back(std::make_unique<SchemaLevel>(mh.get(), VelaString(L"MeasuresLevel"), 0,
                                                        false, std::vector<VelaString>()));
    measures->hierarchies_.push_back(std::move(mh));
    cube->dimensions_.push_back(std::move(measures));

    for (pugi::xml_node n : node.children()) {
      std::string kind = n.name();
      if (kind == "Dimension") {
        std::string name = required(n, "name", "<Dimension> in " + where);
        cube->dimensions_.push_back(readDimension(n, name));
      } else if (kind == "DimensionUsage") {
        std::string source = required(n, "source", "<DimensionUsage> in " + where);
        auto it = shared.find(source);
        if (it == shared.end()) {
          fail("<DimensionUsage> in " + where + " names unknown shared dimension '" + source + "'");
        }
        std::string name = n.attribute("name").value();
        cube->dimensions_.push_back(readDimension(it->second, name.empty() ? source : name));
      } else if (kind == "Measure") {
        cube->measureNames_.push_back(utf8(required(n, "name", "<Measure> in " + where).c_str()));
      }
    }
    for (const auto& d : cube->dimensions_) {
      for (const auto& other : cube->dimensions_) {
        if (d != other && d->name_ == other->name_) {
          fail(where + " has two dimensions named '" + d->name_.toUtf8() + "'");
        }
      }
    }

    // Calculated members last: they refer to the hierarchies above.
    for (pugi::xml_node n : node.children("CalculatedMember")) {
      std::string name = required(n, "name", "<CalculatedMember> in " + where);
      const std::string what = "calculated member '" + name + "' in " + where;
      SchemaHierarchy* hierarchy = nullptr;
      if (const char* h = n.attribute("hierarchy").value(); *h) {
        hierarchy = findHierarchy(*cube, utf8(h));
        if (!hierarchy) fail(what + " names unknown hierarchy '" + h + "'");
      } else if (const char* d = n.attribute("dimension").value(); *d) {
        const SchemaDimension* dimension = cube->dimension(utf8(d));
        if (!dimension) fail(what + " names unknown dimension '" + d + "'");
        hierarchy = dimension->hierarchies_.front().get();
      } else {
        fail(what + " has neither a dimension nor a hierarchy attribute");
      }
      std::string formula = n.attribute("formula").value();
      if (formula.empty()) formula = n.child("Formula").text().get();
      hierarchy->calculations_.push_back(std::make_unique<SchemaCalculation>(
          hierarchy, utf8(name.c_str()), utf8(n.attribute("parent").value()),
          utf8(formula.c_str())));
    }
    return cube;
  }

  // A hierarchy of the cube by name or unique name, to add calculations to.
  static SchemaHierarchy* findHierarchy(SchemaCube& cube, const VelaString& name) {
    for (auto& d : cube.dimensions_) {
      for (auto& h : d->hierarchies_) {
        if (h->name_ == name || h->uniqueName_ == name) return h.get();
      }
    }
    return nullptr;
  }

  std::unique_ptr<SchemaDimension> readDimension(const pugi::xml_node& node,
                                                 const std::string& name) {
    std::unique_ptr<SchemaDimension> dimension(new SchemaDimension());
    dimension->name_ = utf8(name.c_str());
    dimension->uniqueName_ = bracket(dimension->name_);
    const std::string where = "dimension '" + name + "'";

    for (pugi::xml_node h : node.children("Hierarchy")) {
      std::unique_ptr<SchemaHierarchy> hierarchy(new SchemaHierarchy());
      hierarchy->dimension_ = dimension.get();
      std::string own = h.attribute("name").value();
      // Mondrian's default naming: "Dimension.Hierarchy" in one bracket pair.
      hierarchy->name_ = own.empty() || own == name ? dimension->name_
                                                    : utf8((name + "." + own).c_str());
      hierarchy->uniqueName_ = bracket(hierarchy->name_);
      for (const auto& other : dimension->hierarchies_) {
        if (other->name_ == hierarchy->name_) {
          fail(where + " has two hierarchies named '" + hierarchy->name_.toUtf8() + "'");
        }
      }
      hierarchy->hasAll_ = flag(h, "hasAll", true);
      int depth = 0;
      if (hierarchy->hasAll_) {
        VelaString allLevel = utf8(h.attribute("allLevelName").as_string("(All)"));
        VelaString allMember = utf8(h.attribute("allMemberName").value());
        if (allMember.empty()) {
          allMember = join(join(VelaString(L"All "), hierarchy->name_), VelaString(L"s"));
        }
        hierarchy->allMember_ = child(hierarchy->uniqueName_, allMember);
        hierarchy->levels_.push_back(std::make_unique<SchemaLevel>(
            hierarchy.get(), allLevel, depth++, true, std::vector<VelaString>()));
      }
      for (pugi::xml_node l : h.children("Level")) {
        std::string levelName = required(l, "name", "<Level> in " + where);
        std::vector<VelaString> properties;
        for (pugi::xml_node p : l.children("Property")) {
          properties.push_back(utf8(required(p, "name", "<Property> of level '" + levelName +
                                                            "' in " + where)
                                        .c_str()));
        }
        hierarchy->levels_.push_back(std::make_unique<SchemaLevel>(
            hierarchy.get(), utf8(levelName.c_str()), depth++, false, std::move(properties)));
      }
      if (depth == (hierarchy->hasAll_ ? 1 : 0)) {
        fail("a hierarchy of " + where + " has no <Level>");
      }
      dimension->hierarchies_.push_back(std::move(hierarchy));
    }
    if (dimension->hierarchies_.empty()) fail(where + " has no <Hierarchy>");
    return dimension;
  }

  std::string origin_;
};

SchemaModel SchemaModel::load(const std::string& path) {
  pugi::xml_document doc;
  pugi::xml_parse_result r = doc.load_file(path.c_str());
  if (!r) {
    throw SchemaError(path + ": " + r.description() + " at byte " + std::to_string(r.offset));
  }
  return SchemaReader(path).read(doc);
}

SchemaModel SchemaModel::parse(std::string_view xml) {
  pugi::xml_document doc;
  pugi::xml_parse_result r = doc.load_buffer(xml.data(), xml.size());
  if (!r) {
    throw SchemaError(std::string("schema text: ") + r.description() + " at byte " +
                      std::to_string(r.offset));
  }
  return SchemaReader("schema text").read(doc);
}

}  // namespace schema_host
