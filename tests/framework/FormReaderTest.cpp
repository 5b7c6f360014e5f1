#include <gtest/gtest.h>

#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/Registration.h"
#include "framework/TypInfo.h"

namespace {

std::vector<String> Journal;

// A component that notes every property write and its Loaded call.
class TRecorder : public TComponent {
public:
  using TComponent::TComponent;
  int Tag() const { return FTag; }
  void SetTag(int V) {
    FTag = V;
    Journal.push_back(Name() + ".Tag=" + std::to_string(V));
  }
  const String& Text() const { return FText; }
  void SetText(const String& V) {
    FText = V;
    Journal.push_back(Name() + ".Text=" + V);
  }
  TNotifyEvent OnPing() const { return FOnPing; }
  void SetOnPing(TNotifyEvent V) { FOnPing = std::move(V); }
  TStringList* Lines() { return &FLines; }
  std::vector<std::uint8_t> Data;
  void Loaded() override {
    TComponent::Loaded();
    Journal.push_back(Name() + ".Loaded, all read: " + (Owner()->FindComponent("Last") ? "yes" : "no"));
  }

private:
  int FTag = 0;
  String FText;
  TNotifyEvent FOnPing;
  TStringList FLines;
};

class TBaseTestForm : public TForm {
public:
  explicit TBaseTestForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) { ReadDescription("TBaseTestForm"); }
  TRecorder* First = nullptr;
  int Pings = 0;
  int Closes = 0;
  void Ping(TObject*) { ++Pings; }
  void BaseClose(TObject*, TCloseAction& Action) {
    ++Closes;
    Action = caHide;
  }

protected:
  TBaseTestForm(TComponent* AOwner, TNoDescription) : TForm(AOwner, TNoDescription{}) {}
};

class TDerivedTestForm : public TBaseTestForm {
public:
  explicit TDerivedTestForm(TComponent* AOwner) : TBaseTestForm(AOwner, TNoDescription{}) {}
  void Read(const String& Text) { ReadFormDescription(this, Text, "Derived.form"); }
};

// A form whose description names its one component differently from the field.
class TMisboundTestForm : public TForm {
public:
  explicit TMisboundTestForm(TComponent* AOwner) : TForm(AOwner, TNoDescription{}) {}
  TRecorder* Status = nullptr;
};

void RegisterTestClasses() {
  static const bool done = [] {
    RegisterFrameworkClasses();
    TClassRegistration<TRecorder>("TRecorder", "TComponent")
        .Property("Tag", &TRecorder::Tag, &TRecorder::SetTag, 0)
        .Property("Text", &TRecorder::Text, &TRecorder::SetText)
        .Property("OnPing", &TRecorder::OnPing, &TRecorder::SetOnPing)
        .Object("Lines", &TRecorder::Lines, "TStrings")
        .Data("Data", [](TRecorder& R, const TDescValue& V) { R.Data = V.Bytes; });
    TClassRegistration<TBaseTestForm>("TBaseTestForm", "TForm")
        .Field(PUBLISHED(TBaseTestForm, First))
        .Handler(PUBLISHED(TBaseTestForm, Ping))
        .Handler(PUBLISHED(TBaseTestForm, BaseClose));
    TClassRegistration<TDerivedTestForm>("TDerivedTestForm", "TBaseTestForm");
    TClassRegistration<TMisboundTestForm>("TMisboundTestForm", "TForm").Field(PUBLISHED(TMisboundTestForm, Status));
    return true;
  }();
  (void)done;
}

class FormReaderTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterTestClasses();
    Journal.clear();
  }
};

String ReadError(const String& Text) {
  TDerivedTestForm form(nullptr);
  try {
    form.Read(Text);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

} // namespace

TEST_F(FormReaderTest, CreatesComponentsAndWritesPropertiesInDescriptionOrder) {
  TDerivedTestForm form(nullptr);
  form.Read(R"(inherited DerivedTestForm: TDerivedTestForm
  Caption = 'It''s derived'
  inherited First: TRecorder
    Text = 'over' + 'ridden'
  end
  object Second: TRecorder
    Text = 'two'
    Tag = -$10
    OnPing = Ping
    Lines.Strings = ( 'a' 'b c' )
    Data = { 0aFF
             10 }
  end
  object Last: TRecorder
  end
end)");
  // The base description comes first, then the derived one overrides and adds.
  EXPECT_EQ(Journal, (std::vector<String>{"First.Tag=1", "First.Text=base", "First.Text=overridden", "Second.Text=two",
                                          "Second.Tag=-16", "First.Loaded, all read: yes",
                                          "Second.Loaded, all read: yes", "Last.Loaded, all read: yes"}));
  EXPECT_EQ(form.Caption(), "It's derived");
  EXPECT_EQ(form.Width(), 300);
  ASSERT_EQ(form.ComponentCount(), 3);
  EXPECT_EQ(form.Components(0), form.First);
  EXPECT_EQ(form.First->Name(), "First");
  auto* second = dynamic_cast<TRecorder*>(form.FindComponent("Second"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Owner(), &form);
  EXPECT_EQ(second->Lines()->Text(), "a\nb c\n");
  EXPECT_EQ(second->Data, (std::vector<std::uint8_t>{0x0A, 0xFF, 0x10}));
  EXPECT_FALSE(second->IsLoading());
  second->OnPing()(second);
  EXPECT_EQ(form.Pings, 1);
  // The handler bound in the base description works on the derived form.
  form.Close();
  EXPECT_EQ(form.Closes, 1);
}

TEST_F(FormReaderTest, LoadedRunsOnceEverythingIsRead) {
  TDerivedTestForm form(nullptr);
  form.Read("inherited DerivedTestForm: TDerivedTestForm\n object Mid: TRecorder\n end\n object Last: TRecorder\n "
            "end\nend\n");
  std::vector<String> loaded;
  for (const String& line : Journal)
    if (line.find("Loaded") != String::npos) loaded.push_back(line);
  EXPECT_EQ(loaded, (std::vector<String>{"First.Loaded, all read: yes", "Mid.Loaded, all read: yes",
                                         "Last.Loaded, all read: yes"}));
}

TEST_F(FormReaderTest, ErrorsNameTheDescriptionTheLineAndTheWord) {
  const String head = "inherited DerivedTestForm: TDerivedTestForm\n";
  EXPECT_EQ(ReadError(head + "  object X: TNoSuchClass\n  end\nend\n"),
            "Derived.form, line 2: Class not found 'TNoSuchClass'");
  EXPECT_EQ(ReadError(head + "  Caption = 'a'\n  Colour = 5\nend\n"),
            "Derived.form, line 3: Unknown property 'Colour'");
  EXPECT_EQ(ReadError(head + "  object S: TRecorder\n    OnPing = Pong\n  end\nend\n"),
            "Derived.form, line 3: Invalid property value Pong: expected the name of a handler of the form for "
            "'OnPing'");
  EXPECT_EQ(ReadError(head + "  Width = 12x\nend\n"), "Derived.form, line 2: Invalid integer '12x'");
  EXPECT_EQ(ReadError(head + "  Width = 'wide'\nend\n"),
            "Derived.form, line 2: Invalid property value 'wide': expected an integer for 'Width'");
  EXPECT_EQ(ReadError(head + "  Caption = 'open\nend\n"), "Derived.form, line 2: Unterminated string 'open'");
  EXPECT_EQ(ReadError(head + "  object S: TRecorder\n"), "Derived.form, line 3: 'end' expected before 'end of text'");
  EXPECT_EQ(ReadError(head + "  Font.Weight = 3\nend\n"), "Derived.form, line 2: Unknown property 'Font.Weight'");
  EXPECT_EQ(ReadError(head + "  Visible = Yes\nend\n"),
            "Derived.form, line 2: Invalid property value Yes: expected True or False for 'Visible'");
}

TEST_F(FormReaderTest, AFieldTheDescriptionLeavesEmptyStopsTheReadNamingIt) {
  TMisboundTestForm form(nullptr);
  try {
    ReadFormDescription(&form, "object MisboundTestForm: TMisboundTestForm\n object Statu: TRecorder\n end\nend\n",
                        "Misbound.form");
    ADD_FAILURE() << "read without error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Misbound.form: TMisboundTestForm.Status is not filled: the description has no "
                           "component named 'Status'");
  }
}

TEST_F(FormReaderTest, SetsNestedAndEnumeratedProperties) {
  TDerivedTestForm form(nullptr);
  form.Read("inherited DerivedTestForm: TDerivedTestForm\n  Font.Name = 'Arial'\n  Font.Height = -12\n"
            "  Font.Style = [fsBold, fsItalic]\n  Font.Color = clNavy\n  FormStyle = fsMDIForm\nend\n");
  EXPECT_EQ(form.Font()->Name(), "Arial");
  EXPECT_EQ(form.Font()->Height(), -12);
  EXPECT_EQ(form.Font()->Style(), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(form.Font()->Color(), clNavy);
  EXPECT_EQ(form.FormStyle(), fsMDIForm);
  EXPECT_EQ(GetPropValue<String>(&form, "Caption"), "Base");
}
