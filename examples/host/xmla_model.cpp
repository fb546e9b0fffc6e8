#include "xmla_model.h"

#include <algorithm>
#include <cstdlib>

namespace xmla_host {
namespace {

using mdxgen::xmla::Rowset;
using Restrictions = std::vector<std::pair<std::string, std::string>>;

VelaString wide(const std::string& utf8) { return VelaString(utf8.c_str()); }

long number(const Rowset& rows, std::size_t row, const char* column) {
  return std::strtol(rows.value(row, column).c_str(), nullptr, 10);
}

// Row indexes ordered by a numeric column, ties kept in the server's order.
std::vector<std::size_t> orderBy(const Rowset& rows, const char* column) {
  std::vector<std::size_t> order(rows.rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return number(rows, a, column) < number(rows, b, column);
  });
  return order;
}

// "[" + name + "]" with every "]" doubled.
std::string bracket(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

}  // namespace

const KIVA_o::Hierarchy* XmlaCalculation::getHierarchy() const { return hierarchy_; }

KIVA_o::Level* XmlaHierarchy::getLevel(int depth) const {
  if (depth < 0 || depth >= getLevelCount()) return nullptr;
  return levels_[static_cast<std::size_t>(depth)].get();
}

void XmlaHierarchy::getCalculations(std::map<std::uint32_t, KIVA_o::Calculation*>* out) const {
  if (!out) return;
  std::uint32_t key = 0;
  for (const auto& c : calculations_) (*out)[key++] = c.get();
}

VelaString XmlaCube::uniqueName() const { return wide(bracket(name_.toUtf8())); }

const XmlaDimension* XmlaCube::dimension(const VelaString& nameOrUniqueName) const {
  for (const auto& d : dimensions_)
    if (d->name() == nameOrUniqueName || d->getUniqueName() == nameOrUniqueName) return d.get();
  return nullptr;
}

const XmlaHierarchy* XmlaCube::hierarchy(const VelaString& nameOrUniqueName) const {
  for (const auto& d : dimensions_)
    for (const auto& h : d->hierarchies())
      if (h->name() == nameOrUniqueName || h->getUniqueName() == nameOrUniqueName) return h.get();
  return nullptr;
}

const XmlaLevel* XmlaHierarchy::level(const VelaString& nameOrUniqueName) const {
  for (const auto& l : levels_)
    if (l->name() == nameOrUniqueName || l->getUniqueName() == nameOrUniqueName) return l.get();
  return nullptr;
}

VelaString XmlaLevel::propertyUniqueName(const VelaString& property) const {
  return wide(uniqueName_.toUtf8() + "." + bracket(property.toUtf8()));
}

const KIVA_o::Member* XmlaCube::measure(const VelaString& name) const {
  for (const auto& d : dimensions_)
    if (d->isMeasures())
      return member(wide(d->defaultHierarchy().uniqueName_.toUtf8() + "." + bracket(name.toUtf8())));
  return nullptr;
}

const XmlaLevel* XmlaCube::level(const VelaString& uniqueName) const {
  for (const auto& d : dimensions_)
    for (const auto& h : d->hierarchies())
      for (const auto& l : h->levels())
        if (l->getUniqueName() == uniqueName) return l.get();
  return nullptr;
}

const XmlaCalculation* XmlaCube::calculation(const VelaString& uniqueName) const {
  for (const auto& d : dimensions_)
    for (const auto& h : d->hierarchies())
      for (const auto& c : h->calculations())
        if (c->getUniqueName() == uniqueName) return c.get();
  return nullptr;
}

void XmlaCube::load() {
  const Restrictions cube = {{"CUBE_NAME", name_.toUtf8()}};
  Rowset dimensions = model_->discover("MDSCHEMA_DIMENSIONS", cube);
  for (std::size_t row : orderBy(dimensions, "DIMENSION_ORDINAL")) {
    auto d = std::make_unique<XmlaDimension>();
    d->uniqueName_ = wide(dimensions.value(row, "DIMENSION_UNIQUE_NAME"));
    d->name_ = wide(dimensions.value(row, "DIMENSION_NAME"));
    d->measures_ = number(dimensions, row, "DIMENSION_TYPE") == 2;
    dimensions_.push_back(std::move(d));
  }
  Rowset hierarchies = model_->discover("MDSCHEMA_HIERARCHIES", cube);
  for (std::size_t row : orderBy(hierarchies, "HIERARCHY_ORDINAL")) {
    auto* d = const_cast<XmlaDimension*>(dimension(wide(hierarchies.value(row, "DIMENSION_UNIQUE_NAME"))));
    if (!d) continue;
    auto h = std::make_unique<XmlaHierarchy>();
    h->dimension_ = d;
    h->uniqueName_ = wide(hierarchies.value(row, "HIERARCHY_UNIQUE_NAME"));
    h->name_ = wide(hierarchies.value(row, "HIERARCHY_NAME"));
    h->allMember_ = wide(hierarchies.value(row, "ALL_MEMBER"));
    h->defaultMember_ = wide(hierarchies.value(row, "DEFAULT_MEMBER"));
    d->hierarchies_.push_back(std::move(h));
  }
  // A dimension the server lists without a hierarchy is of no use to a host.
  dimensions_.erase(std::remove_if(dimensions_.begin(), dimensions_.end(),
                                   [](const auto& d) { return d->hierarchies_.empty(); }),
                    dimensions_.end());
  Rowset levels = model_->discover("MDSCHEMA_LEVELS", cube);
  for (std::size_t row : orderBy(levels, "LEVEL_NUMBER")) {
    auto* h = const_cast<XmlaHierarchy*>(hierarchy(wide(levels.value(row, "HIERARCHY_UNIQUE_NAME"))));
    if (!h) continue;
    auto l = std::make_unique<XmlaLevel>();
    l->hierarchy_ = h;
    l->uniqueName_ = wide(levels.value(row, "LEVEL_UNIQUE_NAME"));
    l->name_ = wide(levels.value(row, "LEVEL_NAME"));
    l->depth_ = static_cast<int>(number(levels, row, "LEVEL_NUMBER"));
    l->all_ = number(levels, row, "LEVEL_TYPE") == 1;
    h->levels_.push_back(std::move(l));
  }
  // The stored measures (aggregator 127 is a calculated one), in the
  // order of the measures' members, which is the cube's.
  Rowset measures = model_->discover("MDSCHEMA_MEASURES", cube);
  std::vector<std::string> stored;
  for (std::size_t row = 0; row < measures.rows.size(); ++row)
    if (number(measures, row, "MEASURE_AGGREGATOR") != 127)
      stored.push_back(measures.value(row, "MEASURE_UNIQUE_NAME"));
  for (const auto& d : dimensions_) {
    if (!d->measures_) continue;
    Restrictions restrictions = cube;
    restrictions.push_back({"HIERARCHY_UNIQUE_NAME", d->defaultHierarchy().uniqueName_.toUtf8()});
    Rowset members = model_->discover("MDSCHEMA_MEMBERS", restrictions);
    for (std::size_t row : orderBy(members, "MEMBER_ORDINAL"))
      if (std::find(stored.begin(), stored.end(), members.value(row, "MEMBER_UNIQUE_NAME")) != stored.end())
        measureNames_.push_back(wide(members.value(row, "MEMBER_NAME")));
  }
  for (const auto& d : dimensions_) {
    for (const auto& h : d->hierarchies_) {
      const std::string hierarchy = h->uniqueName_.toUtf8();
      mdxgen::xmla::CellSet calculated = model_->execute(
          "SELECT Except(" + hierarchy + ".AllMembers, " + hierarchy +
          ".Members) DIMENSION PROPERTIES PARENT_UNIQUE_NAME ON 0 FROM " + bracket(name_.toUtf8()));
      if (calculated.axes.empty()) continue;
      for (const auto& position : calculated.axes[0].positions) {
        if (position.members.empty()) continue;
        auto c = std::make_unique<XmlaCalculation>();
        c->hierarchy_ = h.get();
        c->uniqueName_ = wide(position.members[0].unique_name);
        for (const auto& property : position.members[0].properties)
          if (property.name.size() >= 20 &&
              property.name.compare(property.name.size() - 20, 20, "[PARENT_UNIQUE_NAME]") == 0)
            c->parent_ = wide(property.value);
        h->calculations_.push_back(std::move(c));
      }
    }
  }
}

std::vector<const XmlaMember*> XmlaCube::members(Restrictions restrictions) const {
  restrictions.insert(restrictions.begin(), {"CUBE_NAME", name_.toUtf8()});
  Rowset rows = model_->discover("MDSCHEMA_MEMBERS", restrictions);
  std::vector<const XmlaMember*> found;
  for (std::size_t row = 0; row < rows.rows.size(); ++row) {
    VelaString uniqueName = wide(rows.value(row, "MEMBER_UNIQUE_NAME"));
    auto& slot = members_[uniqueName.wstr()];
    if (!slot) {
      slot = std::make_unique<XmlaMember>();
      slot->uniqueName_ = uniqueName;
      slot->caption_ = wide(rows.value(row, "MEMBER_CAPTION"));
      slot->levelUniqueName_ = wide(rows.value(row, "LEVEL_UNIQUE_NAME"));
      slot->levelNumber_ = static_cast<int>(number(rows, row, "LEVEL_NUMBER"));
      slot->parentUniqueName_ = wide(rows.value(row, "PARENT_UNIQUE_NAME"));
      slot->childrenCardinality_ = number(rows, row, "CHILDREN_CARDINALITY");
    }
    found.push_back(slot.get());
  }
  return found;
}

const XmlaMember* XmlaCube::member(const VelaString& uniqueName) const {
  std::lock_guard<std::recursive_mutex> hold(model_->lock_);
  auto known = members_.find(uniqueName.wstr());
  if (known != members_.end()) return known->second.get();
  // TREE_OP 8: the member itself.
  for (const XmlaMember* m : members({{"MEMBER_UNIQUE_NAME", uniqueName.toUtf8()}, {"TREE_OP", "8"}}))
    if (m->getUniqueName() == uniqueName) return m;
  return nullptr;
}

std::vector<const XmlaMember*> XmlaCube::children(const VelaString& uniqueName) const {
  std::lock_guard<std::recursive_mutex> hold(model_->lock_);
  auto& list = lists_[L"children " + uniqueName.wstr()];
  // TREE_OP 1: the member's children.
  if (list.empty()) list = members({{"MEMBER_UNIQUE_NAME", uniqueName.toUtf8()}, {"TREE_OP", "1"}});
  return list;
}

std::vector<const XmlaMember*> XmlaCube::levelMembers(const VelaString& levelUniqueName) const {
  std::lock_guard<std::recursive_mutex> hold(model_->lock_);
  auto& list = lists_[L"level " + levelUniqueName.wstr()];
  if (list.empty()) list = members({{"LEVEL_UNIQUE_NAME", levelUniqueName.toUtf8()}});
  return list;
}

XmlaModel::XmlaModel(mdxgen::xmla::ClientOptions options, mdxgen::xmla::Properties properties)
    : client_(std::move(options)), properties_(std::move(properties)) {}

XmlaModel::~XmlaModel() = default;

Rowset XmlaModel::discover(const char* type, const Restrictions& restrictions) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return client_.discover(type, restrictions, properties_);
}

mdxgen::xmla::CellSet XmlaModel::execute(const std::string& statement) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return client_.execute(statement, properties_);
}

const XmlaCube* XmlaModel::cube(const VelaString& nameOrUniqueName) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  std::string name = nameOrUniqueName.toUtf8();
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
    name = name.substr(1, name.size() - 2);
    for (auto at = name.find("]]"); at != std::string::npos; at = name.find("]]", at + 1))
      name.erase(at, 1);
  }
  auto known = cubes_.find(wide(name).wstr());
  if (known != cubes_.end()) return known->second.get();
  Rowset cubes = discover("MDSCHEMA_CUBES", {{"CUBE_NAME", name}});
  if (cubes.rows.empty() || cubes.value(0, "CUBE_NAME") != name) return nullptr;
  std::unique_ptr<XmlaCube> cube(new XmlaCube(this));
  cube->name_ = wide(name);
  cube->load();
  return (cubes_[cube->name_.wstr()] = std::move(cube)).get();
}

}  // namespace xmla_host
