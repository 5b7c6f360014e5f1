#pragma once
// A fresh main window for each test, files in a folder of the test's own, and the dialog
// and message-box answers the commands will ask for.

#include <gtest/gtest.h>

#include <QMenuBar>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainForm.h"
#include "editor/EditForm.h"
#include "tests/support/TestSupport.h"

class MainFormTest : public testing::Test {
protected:
  void SetUp() override {
    // No files opened by the tests before.
    std::filesystem::remove(TRecentFiles::DefaultFileName());
    RegisterMainFormClasses();
    Application->CreateForm(MainForm);
    MainForm->Show();
    Dir = TestDirectory();
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
  }

  void TearDown() override {
    MainForm->Free();
    MainForm = nullptr;
    FlushReleasedForms();
    std::filesystem::remove_all(Dir);
  }

  String WriteFile(const String& Name, const String& Bytes) {
    String path = (Dir / Name).string();
    std::ofstream(path, std::ios::binary) << Bytes;
    return path;
  }

  static String ReadFile(const String& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  // Opens a file through File > Open, answering the open dialog with it.
  TEditForm* Open(const String& Path) {
    Seams::QueueDialogResult(true, Path);
    MainForm->FileOpenItem->Click();
    return dynamic_cast<TEditForm*>(MainForm->ActiveMDIChild());
  }

  // The captions of the menu bar's entries as they stand.
  static std::vector<String> MenuBar() {
    std::vector<String> captions;
    for (QAction* a : MainForm->Widget()->findChild<QMenuBar*>()->actions())
      if (a->isVisible()) captions.push_back(a->text().toStdString());
    return captions;
  }

  static std::vector<String> Boxes() {
    std::vector<String> texts;
    for (const auto& box : Seams::MessageBoxes())
      texts.push_back(box.Text);
    return texts;
  }

  std::filesystem::path Dir;
};
