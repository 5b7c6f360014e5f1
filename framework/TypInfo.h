#pragma once
// The registry of classes and their published properties, fields and handlers, by name.
// The form reader uses only this registry to build forms from their descriptions.

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <vector>

#include "framework/Classes.h"

// One value as a form description writes it.
struct TDescValue {
  enum TKind { vaInt, vaString, vaIdent, vaSet, vaList, vaBinary };
  TKind Kind = vaInt;
  std::int64_t Int = 0;
  String Str;                      // vaString, vaIdent
  std::vector<String> Items;       // vaSet: identifiers; vaList: strings
  std::vector<std::uint8_t> Bytes; // vaBinary
};

class TClassInfo;

// What a property write from a description needs besides the value: the form being read,
// whose handlers the events bind to.
struct TReadContext {
  TComponent* Root = nullptr;
  const TClassInfo* RootClass = nullptr;
  // Writes that name another component wait here until the whole form is read.
  std::vector<std::function<void()>>* Fixups = nullptr;
};

struct TPropInfo {
  String Name;
  // Typed access: the value as the property's own C++ type.
  std::function<std::any(TObject*)> Get;
  std::function<void(TObject*, const std::any&)> Set;
  // Writes a value read from a description; throws EReadError when it does not fit the type.
  std::function<void(TObject*, const TDescValue&, const TReadContext&)> Write;
  // For a property that holds an object (Font, Lines, Bitmap): that object, through the read
  // access, so that a description can reach its properties ("Font.Height", "Bitmap.Data").
  std::function<TPersistent*(TObject*)> Object;
  // The registered class the object is read as, when not its own (a list's strings).
  String ObjectClass;
  // False while the value equals the declared default: a description would not hold it.
  std::function<bool(TObject*)> Stored;
};

class TClassInfo {
public:
  String ClassName;
  const TClassInfo* Parent = nullptr;
  // Makes an instance owned by the given component; empty for classes not made by name.
  std::function<TComponent*(TComponent* AOwner)> Create;

  // The published properties, those of the base classes first, each in published order.
  std::vector<const TPropInfo*> Properties() const;
  const TPropInfo* FindProperty(const String& Name) const;
  // A handler method bound to the given instance, as the event type it was declared with.
  std::optional<std::any> BindHandler(TObject* Instance, const String& Name) const;
  // Stores a component in the published field of that name; false when there is none.
  bool SetField(TObject* Instance, const String& Name, TComponent* Value) const;
  bool InheritsFrom(const TClassInfo* Other) const;

  std::vector<TPropInfo> OwnProperties;
  std::map<String, std::function<std::any(TObject*)>> Handlers;
  std::map<String, std::function<void(TObject*, TComponent*)>> Fields;
  // Whether the field of that name holds a component, for each entry of Fields.
  std::map<String, std::function<bool(TObject*)>> FieldFilled;
};

const TClassInfo* FindClassInfo(const String& ClassName);
// Registers TPersistent, TComponent and TStrings, the roots every other class builds on.
void RegisterComponentClasses();
const TClassInfo* ClassInfoOf(const TObject* Instance);
TClassInfo& AddClassInfo(const String& ClassName, const String& ParentName, std::type_index Type);

// The names of an enumeration's values, in order from 0, for descriptions.
void RegisterEnumNames(std::type_index Type, std::vector<String> Names);
const std::vector<String>* EnumNames(std::type_index Type);
// Named integer constants a description may use for a type (colour names).
void RegisterIdents(std::type_index Type, std::map<String, std::int64_t> Idents);
const std::map<String, std::int64_t>* TypeIdents(std::type_index Type);

namespace typinfo_detail {

[[noreturn]] void BadValue(const char* Expected, const TDescValue& Value);

template <class T> struct IsFunction : std::false_type {};
template <class R, class... A> struct IsFunction<std::function<R(A...)>> : std::true_type {};

template <class T> struct IsSet : std::false_type {};
template <class E> struct IsSet<std::set<E>> : std::true_type { using Element = E; };

template <class E> E EnumFromIdent(const String& Ident) {
  if (const auto* idents = TypeIdents(typeid(E))) {
    auto it = idents->find(Ident);
    if (it != idents->end()) return static_cast<E>(it->second);
  }
  if (const auto* names = EnumNames(typeid(E))) {
    for (std::size_t i = 0; i < names->size(); ++i)
      if ((*names)[i] == Ident) return static_cast<E>(i);
  }
  TDescValue v;
  v.Kind = TDescValue::vaIdent;
  v.Str = Ident;
  BadValue("a value of this property's type", v);
}

// Turns a description value into the property's type.
template <class V> V FromDesc(const TDescValue& D, const TReadContext& Ctx) {
  if constexpr (std::is_same_v<V, bool>) {
    if (D.Kind == TDescValue::vaIdent && (D.Str == "True" || D.Str == "False")) return D.Str == "True";
    BadValue("True or False", D);
  } else if constexpr (std::is_same_v<V, String>) {
    if (D.Kind == TDescValue::vaString) return D.Str;
    BadValue("a quoted string", D);
  } else if constexpr (std::is_enum_v<V>) {
    if (D.Kind == TDescValue::vaIdent) return EnumFromIdent<V>(D.Str);
    if (D.Kind == TDescValue::vaInt && TypeIdents(typeid(V))) {
      // Written as a signed number or as its bits in hexadecimal ($80000005).
      using Bits = std::underlying_type_t<V>;
      if (!std::in_range<Bits>(D.Int) && !std::in_range<std::make_unsigned_t<Bits>>(D.Int))
        BadValue("an integer the property can hold", D);
      return static_cast<V>(D.Int);
    }
    BadValue("an identifier", D);
  } else if constexpr (std::is_integral_v<V>) {
    if (D.Kind != TDescValue::vaInt) BadValue("an integer", D);
    // A value the property cannot hold is refused rather than cut to one it can.
    if (!std::in_range<V>(D.Int)) BadValue("an integer the property can hold", D);
    return static_cast<V>(D.Int);
  } else if constexpr (IsSet<V>::value) {
    if (D.Kind != TDescValue::vaSet) BadValue("a set", D);
    V result;
    for (const auto& item : D.Items)
      result.insert(EnumFromIdent<typename IsSet<V>::Element>(item));
    return result;
  } else if constexpr (IsFunction<V>::value) {
    if (D.Kind != TDescValue::vaIdent) BadValue("a handler name", D);
    auto bound = Ctx.RootClass ? Ctx.RootClass->BindHandler(Ctx.Root, D.Str) : std::nullopt;
    if (!bound) BadValue("the name of a handler of the form", D);
    if (const V* fn = std::any_cast<V>(&*bound)) return *fn;
    BadValue("a handler of this event's type", D);
  } else {
    static_assert(sizeof(V) == 0, "no description value for this property type");
  }
}

template <class V> bool Equal(const V& A, const V& B) {
  if constexpr (IsFunction<V>::value)
    return !A && !B;
  else
    return A == B;
}

} // namespace typinfo_detail

// The name and pointer of a published member, written once: .Field(PUBLISHED(TMainForm, SB1)).
#define PUBLISHED(Class, Member) #Member, &Class::Member

// Declares a class and its published members; each call adds to the registry in order.
template <class T> class TClassRegistration {
public:
  TClassRegistration(const String& ClassName, const String& ParentName)
      : FInfo(AddClassInfo(ClassName, ParentName, typeid(T))) {
    if constexpr (std::is_constructible_v<T, TComponent*> && !std::is_abstract_v<T>)
      FInfo.Create = [](TComponent* AOwner) -> TComponent* { return new T(AOwner); };
  }

  // A property read by Get and written by Set, with an optional default that is not stored.
  template <class Getter, class Setter>
  TClassRegistration& Property(const String& Name, Getter Get, Setter Set,
                               std::optional<std::decay_t<std::invoke_result_t<Getter, T&>>> Default = {}) {
    using V = std::decay_t<std::invoke_result_t<Getter, T&>>;
    TPropInfo p;
    p.Name = Name;
    p.Get = [Get](TObject* o) -> std::any { return V(std::invoke(Get, *static_cast<T*>(o))); };
    p.Set = [Set](TObject* o, const std::any& v) { std::invoke(Set, *static_cast<T*>(o), std::any_cast<V>(v)); };
    if constexpr (std::is_pointer_v<V>) {
      // A reference to a component of the form, found by name once everything is read.
      static_assert(std::is_base_of_v<TComponent, std::remove_pointer_t<V>>, "only component references");
      p.Write = [Set](TObject* o, const TDescValue& d, const TReadContext& ctx) {
        if (d.Kind != TDescValue::vaIdent) typinfo_detail::BadValue("a component name", d);
        ctx.Fixups->push_back([Set, o, d, root = ctx.Root] {
          auto* target = dynamic_cast<V>(root->FindComponent(d.Str));
          if (!target) typinfo_detail::BadValue("the name of a component of the right class", d);
          std::invoke(Set, *static_cast<T*>(o), target);
        });
      };
    } else {
      p.Write = [Set](TObject* o, const TDescValue& d, const TReadContext& ctx) {
        std::invoke(Set, *static_cast<T*>(o), typinfo_detail::FromDesc<V>(d, ctx));
      };
    }
    p.Stored = [Get, Default](TObject* o) {
      if constexpr (typinfo_detail::IsFunction<V>::value || std::is_pointer_v<V>) {
        (void)Default; // handlers and references have none: they are stored when set
        return static_cast<bool>(std::invoke(Get, *static_cast<T*>(o)));
      } else {
        return !Default || !typinfo_detail::Equal<V>(std::invoke(Get, *static_cast<T*>(o)), *Default);
      }
    };
    FInfo.OwnProperties.push_back(std::move(p));
    return *this;
  }

  // A read-only property: published, readable, never written from a description.
  template <class Getter> TClassRegistration& ReadOnly(const String& Name, Getter Get) {
    using V = std::decay_t<std::invoke_result_t<Getter, T&>>;
    TPropInfo p;
    p.Name = Name;
    p.Get = [Get](TObject* o) -> std::any { return V(std::invoke(Get, *static_cast<T*>(o))); };
    p.Stored = [](TObject*) { return false; };
    FInfo.OwnProperties.push_back(std::move(p));
    return *this;
  }

  // A property holding an object whose own properties a description sets ("Font.Height").
  template <class Getter> TClassRegistration& Object(const String& Name, Getter Get, const String& ObjectClass = "") {
    TPropInfo p;
    p.Name = Name;
    p.ObjectClass = ObjectClass;
    p.Object = [Get](TObject* o) -> TPersistent* { return std::invoke(Get, *static_cast<T*>(o)); };
    p.Stored = [](TObject*) { return true; };
    FInfo.OwnProperties.push_back(std::move(p));
    return *this;
  }

  // A property whose description value is handed over raw (string lists, binary data).
  TClassRegistration& Data(const String& Name, std::function<void(T&, const TDescValue&)> Write) {
    TPropInfo p;
    p.Name = Name;
    p.Write = [Write](TObject* o, const TDescValue& d, const TReadContext&) { Write(*static_cast<T*>(o), d); };
    p.Stored = [](TObject*) { return true; };
    FInfo.OwnProperties.push_back(std::move(p));
    return *this;
  }

  // A published component field that the reader fills with the component of that name; reading
  // a description that leaves it empty fails.
  template <class C> TClassRegistration& Field(const String& Name, C* T::*Member) {
    FInfo.Fields[Name] = [Member](TObject* o, TComponent* c) {
      C* typed = dynamic_cast<C*>(c);
      if (!typed) throw EReadError("Field " + c->Name() + " has the wrong class");
      static_cast<T*>(o)->*Member = typed;
    };
    FInfo.FieldFilled[Name] = [Member](TObject* o) { return static_cast<T*>(o)->*Member != nullptr; };
    return *this;
  }

  // A handler method that events in the form's description bind to by name.
  template <class... A> TClassRegistration& Handler(const String& Name, void (T::*Method)(A...)) {
    FInfo.Handlers[Name] = [Method](TObject* o) -> std::any {
      T* self = static_cast<T*>(o);
      return std::function<void(A...)>([self, Method](A... args) { (self->*Method)(std::forward<A>(args)...); });
    };
    return *this;
  }

private:
  TClassInfo& FInfo;
};

// Reads and writes a published property by name with its own C++ type.
template <class V> V GetPropValue(TObject* Instance, const String& Name) {
  const TClassInfo* info = ClassInfoOf(Instance);
  const TPropInfo* p = info ? info->FindProperty(Name) : nullptr;
  if (!p || !p->Get) throw Exception("Unknown property " + Name);
  return std::any_cast<V>(p->Get(Instance));
}
