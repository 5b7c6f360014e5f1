#pragma once
// What the long-item tests share: a form read from a description, as the program's forms
// are, so that its long-item controls hook it; the form's own mouse-move handler counts the
// moves over the bare form, and a plain button "Button1" stands for another control.

#include <gtest/gtest.h>

#include "framework/FormReader.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "tests/support/PointerInput.h"
#include "tests/support/TestSupport.h"

class LongItemFormTest : public testing::Test {
public:
  // The look of the main window's file list, for a control's description: black Arial of 11
  // pixels, a tip in blue on the active border's colour, shown also without the focus.
  static String MainListLook() {
    return "    Font.Name = 'Arial'\n    Font.Height = -11\n    Font.Color = clBlack\n    ParentFont = False\n"
           "    OnlyWhenFocused = False\n    BackColor = clActiveBorder\n    TextColor = clBlue\n";
  }

protected:
  // Reads a 400 x 300 form of the controls described, with "Button1" below them; the
  // controls' classes are registered already.
  void ReadForm(const String& Controls, const String& SourceName) {
    Form = new TForm(nullptr);
    Form->SetOnMouseMove([this](TObject*, TShiftState, std::int32_t, std::int32_t) { ++FormMoves; });
    ReadFormDescription(Form,
                        "object Form1: TForm\n  Left = 0\n  Top = 0\n  Width = 400\n  Height = 300\n" + Controls +
                            "  object Button1: TButton\n    Left = 200\n    Top = 200\n    Width = 80\n"
                            "    Height = 25\n    Caption = 'Other'\n  end\nend\n",
                        SourceName);
    Other = Find<TButton>("Button1");
    Form->Show();
    Settle();
  }
  void TearDown() override {
    if (Form) Form->Free();
    FlushReleasedForms();
  }

  template <class T> T* Find(const char* Name) const { return static_cast<T*>(Form->FindComponent(Name)); }
  // The pointer onto a part of the form that no control covers.
  void MoveOverTheForm() { MoveTo(Form->ClientWidget(), 200, 280); }

  TForm* Form = nullptr;
  TButton* Other = nullptr;
  int FormMoves = 0;
};
