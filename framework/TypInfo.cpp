#include "framework/TypInfo.h"

#include <memory>
#include <unordered_map>

namespace {

struct TRegistry {
  std::map<String, std::unique_ptr<TClassInfo>> ByName;
  std::unordered_map<std::type_index, TClassInfo*> ByType;
  std::unordered_map<std::type_index, std::vector<String>> Enums;
  std::unordered_map<std::type_index, std::map<String, std::int64_t>> Idents;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

} // namespace

const TClassInfo* FindClassInfo(const String& ClassName) {
  auto& byName = Registry().ByName;
  auto it = byName.find(ClassName);
  return it == byName.end() ? nullptr : it->second.get();
}

const TClassInfo* ClassInfoOf(const TObject* Instance) {
  if (!Instance) return nullptr;
  auto& byType = Registry().ByType;
  auto it = byType.find(typeid(*Instance));
  return it == byType.end() ? nullptr : it->second;
}

TClassInfo& AddClassInfo(const String& ClassName, const String& ParentName, std::type_index Type) {
  auto& slot = Registry().ByName[ClassName];
  slot = std::make_unique<TClassInfo>();
  slot->ClassName = ClassName;
  if (!ParentName.empty()) {
    slot->Parent = FindClassInfo(ParentName);
    if (!slot->Parent) throw Exception("Class " + ParentName + " not found");
  }
  Registry().ByType[Type] = slot.get();
  return *slot;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TPropInfo*> result = Parent ? Parent->Properties() : std::vector<const TPropInfo*>{};
  for (const TPropInfo& p : OwnProperties) {
    // A class that publishes a base property again keeps its place but takes the new access.
    bool replaced = false;
    for (auto& existing : result)
      if (existing->Name == p.Name) {
        existing = &p;
        replaced = true;
      }
    if (!replaced) result.push_back(&p);
  }
  return result;
}

const TPropInfo* TClassInfo::FindProperty(const String& Name) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    for (const TPropInfo& p : c->OwnProperties)
      if (p.Name == Name) return &p;
  return nullptr;
}

std::optional<std::any> TClassInfo::BindHandler(TObject* Instance, const String& Name) const {
  for (const TClassInfo* c = this; c; c = c->Parent) {
    auto it = c->Handlers.find(Name);
    if (it != c->Handlers.end()) return it->second(Instance);
  }
  return std::nullopt;
}

bool TClassInfo::SetField(TObject* Instance, const String& Name, TComponent* Value) const {
  for (const TClassInfo* c = this; c; c = c->Parent) {
    auto it = c->Fields.find(Name);
    if (it != c->Fields.end()) {
      it->second(Instance, Value);
      return true;
    }
  }
  return false;
}

bool TClassInfo::InheritsFrom(const TClassInfo* Other) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == Other) return true;
  return false;
}

void RegisterEnumNames(std::type_index Type, std::vector<String> Names) { Registry().Enums[Type] = std::move(Names); }

const std::vector<String>* EnumNames(std::type_index Type) {
  auto& enums = Registry().Enums;
  auto it = enums.find(Type);
  return it == enums.end() ? nullptr : &it->second;
}

void RegisterIdents(std::type_index Type, std::map<String, std::int64_t> Idents) {
  Registry().Idents[Type] = std::move(Idents);
}

const std::map<String, std::int64_t>* TypeIdents(std::type_index Type) {
  auto& idents = Registry().Idents;
  auto it = idents.find(Type);
  return it == idents.end() ? nullptr : &it->second;
}

namespace typinfo_detail {

void BadValue(const char* Expected, const TDescValue& Value) {
  String got;
  switch (Value.Kind) {
  case TDescValue::vaInt: got = std::to_string(Value.Int); break;
  case TDescValue::vaString: got = "'" + Value.Str + "'"; break;
  case TDescValue::vaIdent: got = Value.Str; break;
  case TDescValue::vaSet: got = "a set"; break;
  case TDescValue::vaList: got = "a list"; break;
  case TDescValue::vaBinary: got = "binary data"; break;
  }
  throw EReadError("Invalid property value " + got + ": expected " + Expected);
}

} // namespace typinfo_detail

void RegisterComponentClasses() {
  static const bool done = [] {
    TClassRegistration<TPersistent>("TPersistent", "");
    TClassRegistration<TComponent>("TComponent", "TPersistent");
    TClassRegistration<TStrings>("TStrings", "TPersistent").Data("Strings", [](TStrings& S, const TDescValue& V) {
      if (V.Kind != TDescValue::vaList) typinfo_detail::BadValue("a list of strings", V);
      S.Clear();
      for (const String& item : V.Items)
        S.Add(item);
    });
    return true;
  }();
  (void)done;
}
