#pragma once
// What the long-item tests share: a form read from a description, as the program's forms
// are, so that its long-item controls hook it; the form's own mouse-move handler counts the
// moves over the bare form, and a plain button "Button1" stands for another control.

#include <gtest/gtest.h>

#include "controls/longlist.h"
#include "framework/FormReader.h"
#include "tests/support/PointerInput.h"
#include "tests/support/TestSupport.h"

class LongItemFormTest : public testing::Test {
protected:
  void ReadForm(const char* Description, const String& SourceName) {
    RegisterLongList();
    Form = new TForm(nullptr);
    Form->SetOnMouseMove([this](TObject*, TShiftState, std::int32_t, std::int32_t) { ++FormMoves; });
    ReadFormDescription(Form, Description, SourceName);
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
