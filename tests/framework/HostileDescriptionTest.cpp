// Form descriptions written to do harm: nesting deep enough to exhaust the reader's stack,
// numbers a property cannot hold, and geometry whose sums would overflow. Each is refused with
// a message naming the line, or brought into the range a window can have.
#include <gtest/gtest.h>

#include <QFont>
#include <QWidget>

#include "framework/ExtCtrls.h"
#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/Geometry.h"
#include "framework/Registration.h"

namespace {

class HostileDescriptionTest : public testing::Test {
protected:
  void SetUp() override { RegisterFrameworkClasses(); }

  // A form with Levels levels of objects: the form, then panels P1, P2, ... each in the last.
  static String Nested(int Levels) {
    String text = "object F: TForm\n";
    for (int i = 1; i < Levels; ++i)
      text += "object P" + std::to_string(i) + ": TPanel\n";
    for (int i = 0; i < Levels; ++i)
      text += "end\n";
    return text;
  }

  static String ReadError(const String& Text) {
    TForm form(nullptr);
    try {
      ReadFormDescription(&form, Text, "hostile.form");
    } catch (const EReadError& e) {
      return e.Message();
    }
    return "no error";
  }
};

} // namespace

TEST_F(HostileDescriptionTest, NestingIsLimitedTo64LevelsWithTheLineOfTheFirstTooDeep) {
  TForm form(nullptr);
  ReadFormDescription(&form, Nested(64), "hostile.form");
  EXPECT_EQ(form.ComponentCount(), 63);
  const String tooDeep = "hostile.form, line 65: Objects nested more than 64 levels deep at 'P64'";
  EXPECT_EQ(ReadError(Nested(65)), tooDeep);
  EXPECT_EQ(ReadError(Nested(3000)), tooDeep);
  // The parser alone stops there too.
  EXPECT_THROW(ParseDescription(Nested(100000), "hostile.form"), EReadError);
}

TEST_F(HostileDescriptionTest, AnIntegerThePropertyCannotHoldIsRefused) {
  EXPECT_EQ(ReadError("object F: TForm\n  Left = 4294967396\nend\n"),
            "hostile.form, line 2: Invalid property value 4294967396: expected an integer the property can hold "
            "for 'Left'");
  EXPECT_EQ(ReadError("object F: TForm\n  Top = -2147483649\nend\n"),
            "hostile.form, line 2: Invalid property value -2147483649: expected an integer the property can hold "
            "for 'Top'");
  // A colour may be written as its bits; more bits than a colour has are refused.
  EXPECT_EQ(ReadError("object F: TForm\n  Color = $80000005\nend\n"), "no error");
  EXPECT_EQ(ReadError("object F: TForm\n  Color = $180000005\nend\n"),
            "hostile.form, line 2: Invalid property value 6442450949: expected an integer the property can hold "
            "for 'Color'");
}

TEST_F(HostileDescriptionTest, GeometryAtTheEndsOfTheIntRangeStaysWithinTheWindowRange) {
  TForm form(nullptr);
  ReadFormDescription(&form, R"(object F: TForm
  Left = 2147483647
  Top = -2147483648
  ClientWidth = 2147483647
  ClientHeight = 2147483647
  Font.Height = -2147483648
  object Far: TPanel
    Left = 2147483647
    Top = 2147483647
    Width = 2147483647
    Height = -2147483648
  end
  object Top1: TPanel
    Align = alTop
    Height = 2147483647
  end
  object Top2: TPanel
    Align = alTop
    Height = 2147483647
  end
  object Left1: TPanel
    Align = alLeft
    Width = 2147483647
  end
end
)",
                      "hostile.form");
  EXPECT_EQ(form.ClientWidth(), MaxWindowExtent);
  EXPECT_LE(form.ClientHeight(), MaxWindowExtent);
  EXPECT_GT(form.ClientHeight(), MaxWindowExtent - 100);
  auto* far = dynamic_cast<TPanel*>(form.FindComponent("Far"));
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->Left(), MaxWindowExtent);
  EXPECT_EQ(far->Top(), MaxWindowExtent);
  EXPECT_EQ(far->Width(), MaxWindowExtent);
  EXPECT_EQ(far->Height(), 0);
  // Stacked panels, each as tall as a window may be: the second starts at the far end.
  auto* second = dynamic_cast<TPanel*>(form.FindComponent("Top2"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Top(), MaxWindowExtent);
  EXPECT_EQ(form.Widget()->font().pixelSize(), 32767);
}
