#include "framework/FormReader.h"

#include "framework/QtConvert.h"
#include <QFile>
#include <cctype>

namespace {

// The deepest nesting of objects a description may hold. Real forms stay within a handful of
// levels; the limit keeps a hostile text from exhausting the stack of the reader (and of the
// toolkit, whose windows would nest as deep).
constexpr int MaxNesting = 64;

// Reads the description text one token at a time, keeping the line for messages.
class TParser {
public:
  TParser(const String& Text, const String& Source) : FText(Text), FSource(Source) {}

  TDescObject ParseRoot() {
    TDescObject root = ParseObject(1);
    SkipSpace();
    if (FPos < FText.size()) Fail("Unexpected text", Word());
    return root;
  }

private:
  [[noreturn]] void Fail(const String& What, const String& Word) const {
    throw EReadError(FSource + ", line " + std::to_string(FLine) + ": " + What + " '" + Word + "'");
  }

  void SkipSpace() {
    while (FPos < FText.size()) {
      char c = FText[FPos];
      if (c == '\n') ++FLine;
      if (c == '/' && FPos + 1 < FText.size() && FText[FPos + 1] == '/') {
        while (FPos < FText.size() && FText[FPos] != '\n')
          ++FPos;
        continue;
      }
      if (!std::isspace(static_cast<unsigned char>(c))) break;
      ++FPos;
    }
  }

  static bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

  // The next word as it stands, for error messages.
  String Word() {
    SkipSpace();
    std::size_t end = FPos;
    while (end < FText.size() && !std::isspace(static_cast<unsigned char>(FText[end])))
      ++end;
    return FText.substr(FPos, end - FPos);
  }

  String Ident() {
    SkipSpace();
    std::size_t start = FPos;
    while (FPos < FText.size() && IsIdentChar(FText[FPos]))
      ++FPos;
    if (start == FPos || std::isdigit(static_cast<unsigned char>(FText[start]))) {
      FPos = start;
      Fail("Identifier expected", Word());
    }
    return FText.substr(start, FPos - start);
  }

  // A property path: identifiers joined by dots.
  String Path() {
    String path = Ident();
    while (FPos < FText.size() && FText[FPos] == '.') {
      ++FPos;
      path += "." + Ident();
    }
    return path;
  }

  void Expect(char c) {
    SkipSpace();
    if (FPos >= FText.size() || FText[FPos] != c) Fail(String("'") + c + "' expected before", Word());
    ++FPos;
  }

  bool Peek(char c) {
    SkipSpace();
    return FPos < FText.size() && FText[FPos] == c;
  }

  bool PeekKeyword(const char* Keyword) {
    SkipSpace();
    std::size_t n = std::char_traits<char>::length(Keyword);
    return FText.compare(FPos, n, Keyword) == 0 && (FPos + n >= FText.size() || !IsIdentChar(FText[FPos + n]));
  }

  // An object at the given level of nesting, the root's being 1.
  TDescObject ParseObject(int Depth) {
    TDescObject obj;
    SkipSpace();
    obj.Line = FLine;
    String keyword = Ident();
    if (keyword == "inherited")
      obj.Inherited = true;
    else if (keyword != "object")
      Fail("'object' expected before", keyword);
    obj.Name = Ident();
    if (Depth > MaxNesting)
      Fail("Objects nested more than " + std::to_string(MaxNesting) + " levels deep at", obj.Name);
    Expect(':');
    obj.ClassName = Ident();
    for (;;) {
      SkipSpace();
      if (FPos >= FText.size()) Fail("'end' expected before", "end of text");
      if (PeekKeyword("end")) {
        Ident();
        return obj;
      }
      if (PeekKeyword("object") || PeekKeyword("inherited")) {
        obj.Children.push_back(ParseObject(Depth + 1));
        continue;
      }
      TDescProperty prop;
      prop.Line = FLine;
      prop.Path = Path();
      Expect('=');
      prop.Value = Value();
      obj.Properties.push_back(std::move(prop));
    }
  }

  String QuotedString() {
    String result;
    for (;;) {
      Expect('\'');
      for (;;) {
        if (FPos >= FText.size() || FText[FPos] == '\n') Fail("Unterminated string", result);
        char c = FText[FPos++];
        if (c == '\'') {
          if (FPos < FText.size() && FText[FPos] == '\'') {
            result += '\'';
            ++FPos;
            continue;
          }
          break;
        }
        result += c;
      }
      if (!Peek('+')) return result;
      ++FPos;
    }
  }

  TDescValue Value() {
    SkipSpace();
    TDescValue v;
    if (FPos >= FText.size()) Fail("Value expected before", "end of text");
    char c = FText[FPos];
    if (c == '\'') {
      v.Kind = TDescValue::vaString;
      v.Str = QuotedString();
    } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
      v.Kind = TDescValue::vaInt;
      v.Int = Integer();
    } else if (c == '[') {
      v.Kind = TDescValue::vaSet;
      ++FPos;
      while (!Peek(']')) {
        v.Items.push_back(Ident());
        if (!Peek(']')) Expect(',');
      }
      ++FPos;
    } else if (c == '(') {
      v.Kind = TDescValue::vaList;
      ++FPos;
      while (!Peek(')'))
        v.Items.push_back(QuotedString());
      ++FPos;
    } else if (c == '{') {
      v.Kind = TDescValue::vaBinary;
      ++FPos;
      Binary(v.Bytes);
    } else if (IsIdentChar(c)) {
      v.Kind = TDescValue::vaIdent;
      v.Str = Ident();
    } else {
      Fail("Invalid property value", Word());
    }
    return v;
  }

  std::int64_t Integer() {
    std::size_t start = FPos;
    bool negative = FText[FPos] == '-';
    if (negative) ++FPos;
    int base = 10;
    if (FPos < FText.size() && FText[FPos] == '$') {
      base = 16;
      ++FPos;
    }
    std::uint64_t value = 0;
    std::size_t digits = 0;
    while (FPos < FText.size() && std::isxdigit(static_cast<unsigned char>(FText[FPos]))) {
      char d = FText[FPos];
      int digit = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : (std::tolower(d) - 'a' + 10);
      if (digit >= base) break;
      value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
      if (value > 0xFFFFFFFFFFull) break;
      ++FPos;
      ++digits;
    }
    if (digits == 0 || (FPos < FText.size() && IsIdentChar(FText[FPos]))) {
      FPos = start;
      Fail("Invalid integer", Word());
    }
    auto result = static_cast<std::int64_t>(value);
    return negative ? -result : result;
  }

  void Binary(std::vector<std::uint8_t>& Bytes) {
    int high = -1;
    for (;;) {
      SkipSpace();
      if (FPos >= FText.size()) Fail("'}' expected before", "end of text");
      char c = FText[FPos];
      if (c == '}') {
        ++FPos;
        break;
      }
      if (!std::isxdigit(static_cast<unsigned char>(c))) Fail("Invalid binary data", Word());
      int nibble = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
      ++FPos;
      if (high < 0) {
        high = nibble;
      } else {
        Bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
        high = -1;
      }
    }
    if (high >= 0) Fail("Odd number of hex digits in", "binary data");
  }

  const String& FText;
  String FSource;
  std::size_t FPos = 0;
  int FLine = 1;
};

class TReader {
public:
  TReader(TComponent* Root, String Source) : FRoot(Root), FSource(std::move(Source)) {
    FContext.Root = Root;
    FContext.RootClass = ClassInfoOf(Root);
    FContext.Fixups = &FFixups;
  }

  void ReadRoot(const TDescObject& Desc) {
    if (!FContext.RootClass) Fail(Desc.Line, "Class not registered", Desc.ClassName);
    const TClassInfo* descClass = FindClassInfo(Desc.ClassName);
    if (!descClass || !FContext.RootClass->InheritsFrom(descClass))
      Fail(Desc.Line, "Description is not for this class", Desc.ClassName);
    if (Desc.Inherited) {
      if (!descClass->Parent) Fail(Desc.Line, "No base description for", Desc.ClassName);
      ReadBase(descClass->Parent->ClassName);
    }
    FRoot->SetName(Desc.Name);
    ReadInto(FRoot, Desc);
  }

  // Everything read: references between components are resolved, then each component,
  // the root first, is told that its description is complete.
  void Finish() {
    CheckFields();
    for (auto& fixup : FFixups) {
      try {
        fixup();
      } catch (const EReadError& e) {
        throw EReadError(FSource + ": " + e.Message());
      }
    }
    for (TComponent* c : FLoaded)
      c->Loaded();
  }

private:
  // Every component field the root's class registers must now hold its component: a field the
  // description does not fill would leave the form with a null member.
  void CheckFields() const {
    for (const TClassInfo* c = FContext.RootClass; c; c = c->Parent)
      for (const auto& [name, filled] : c->FieldFilled)
        if (!filled(FRoot))
          throw EReadError(FSource + ": " + FContext.RootClass->ClassName + "." + name +
                           " is not filled: the description has no component named '" + name + "'");
  }

  [[noreturn]] void Fail(int Line, const String& What, const String& Word) const {
    throw EReadError(FSource + ", line " + std::to_string(Line) + ": " + What + " '" + Word + "'");
  }

  void ReadBase(const String& ClassName) {
    QFile file(ToQString(":/forms/" + ClassName + ".form"));
    if (!file.open(QIODevice::ReadOnly)) Fail(0, "No form description for", ClassName);
    String text = file.readAll().toStdString();
    String source = ClassName + ".form";
    TReader base(FRoot, source);
    base.ReadRoot(ParseDescription(text, source));
    for (TComponent* c : base.FLoaded)
      MarkLoading(c);
    for (auto& fixup : base.FFixups)
      FFixups.push_back(std::move(fixup));
  }

  void MarkLoading(TComponent* C) {
    for (TComponent* seen : FLoaded)
      if (seen == C) return;
    C->BeginLoading();
    FLoaded.push_back(C);
  }

  void ReadInto(TComponent* Instance, const TDescObject& Desc) {
    MarkLoading(Instance);
    for (const TDescProperty& p : Desc.Properties)
      WriteProperty(Instance, p);
    for (const TDescObject& child : Desc.Children)
      ReadInto(MakeChild(Instance, child), child);
  }

  TComponent* MakeChild(TComponent* Parent, const TDescObject& Desc) {
    TComponent* child = nullptr;
    if (Desc.Inherited) {
      child = FRoot->FindComponent(Desc.Name);
      if (!child) Fail(Desc.Line, "No inherited component", Desc.Name);
      return child;
    }
    const TClassInfo* info = FindClassInfo(Desc.ClassName);
    if (!info || !info->Create) Fail(Desc.Line, "Class not found", Desc.ClassName);
    if (FRoot->FindComponent(Desc.Name)) Fail(Desc.Line, "A component named this already exists", Desc.Name);
    child = info->Create(FRoot);
    child->BeginLoading();
    child->SetName(Desc.Name);
    child->SetParentComponent(Parent);
    try {
      FContext.RootClass->SetField(FRoot, Desc.Name, child);
    } catch (const EReadError& e) {
      Fail(Desc.Line, e.Message() + ":", Desc.Name);
    }
    return child;
  }

  void WriteProperty(TComponent* Instance, const TDescProperty& P) {
    TObject* target = Instance;
    const TClassInfo* readAs = nullptr;
    std::size_t start = 0;
    for (;;) {
      std::size_t dot = P.Path.find('.', start);
      String name = P.Path.substr(start, dot == String::npos ? String::npos : dot - start);
      const TClassInfo* info = readAs ? readAs : ClassInfoOf(target);
      const TPropInfo* prop = info ? info->FindProperty(name) : nullptr;
      if (!prop) Fail(P.Line, "Unknown property", P.Path);
      if (dot == String::npos) {
        if (!prop->Write) Fail(P.Line, "Property cannot be written", P.Path);
        try {
          prop->Write(target, P.Value, FContext);
        } catch (const EReadError& e) {
          Fail(P.Line, e.Message() + " for", P.Path);
        }
        return;
      }
      if (!prop->Object) Fail(P.Line, "Property has no parts", P.Path);
      target = prop->Object(target);
      if (!target) Fail(P.Line, "Property holds no object", P.Path);
      readAs = prop->ObjectClass.empty() ? nullptr : FindClassInfo(prop->ObjectClass);
      start = dot + 1;
    }
  }

  TComponent* FRoot;
  String FSource;
  TReadContext FContext;
  std::vector<TComponent*> FLoaded;
  std::vector<std::function<void()>> FFixups;
};

} // namespace

TDescObject ParseDescription(const String& Text, const String& SourceName) {
  return TParser(Text, SourceName).ParseRoot();
}

void ReadFormDescription(TComponent* Root, const String& Text, const String& SourceName) {
  TReader reader(Root, SourceName);
  reader.ReadRoot(ParseDescription(Text, SourceName));
  reader.Finish();
}

void ReadFormResource(TComponent* Root, const String& ClassName) {
  QFile file(ToQString(":/forms/" + ClassName + ".form"));
  if (!file.open(QIODevice::ReadOnly)) throw EReadError("No form description for " + ClassName);
  ReadFormDescription(Root, file.readAll().toStdString(), ClassName + ".form");
}
