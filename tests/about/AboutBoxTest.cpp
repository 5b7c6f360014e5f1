#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "about/AboutBox.h"
#include "about/OrvelAboutBox.h"
#include "app/MainForm.h"
#include "tests/support/TestSupport.h"

namespace {

// The about dialogs that exist at the moment.
std::vector<TAboutBox*> AboutBoxes() {
  std::vector<TAboutBox*> boxes;
  for (int i = 0; i < Screen->FormCount(); ++i)
    if (auto* box = dynamic_cast<TAboutBox*>(Screen->Forms(i))) boxes.push_back(box);
  return boxes;
}

// Runs Open, which shows the about dialog modally, and acts on the dialog once its modal run
// has started, as a user would; gives what Open gave. The test fails at once, not at its time
// limit, when no single about box is then the modal window (the boxes are closed, so the modal
// run ends) or when Open returns without a modal run.
bool WhenShown(const std::function<bool()>& Open, const std::function<void(TAboutBox&)>& Act) {
  bool acted = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    acted = true;
    std::vector<TAboutBox*> boxes = AboutBoxes();
    if (boxes.size() == 1 && QApplication::activeModalWidget() == boxes[0]->Widget()) return Act(*boxes[0]);
    ADD_FAILURE() << boxes.size() << " about boxes, none of them the modal window";
    for (TAboutBox* box : boxes)
      box->Widget()->close();
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  timer.start(0);
  const bool result = Open();
  EXPECT_TRUE(acted) << "the about dialog did not run modally";
  return result;
}

String Text(TLabel* Label) { return static_cast<QLabel*>(Label->Widget())->text().toStdString(); }

// A press and release of the left button on a control, as the window system sends them.
void ClickOn(TControl* Control) {
  const LPARAM middle = MAKELPARAM(Control->Width() / 2, Control->Height() / 2);
  SendMessageA(Control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
  SendMessageA(Control->Handle(), WM_LBUTTONUP, 0, middle);
}

void PressEnter(QWidget* Target) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QCoreApplication::sendEvent(Target, &press);
}

class AboutBoxTest : public testing::Test {
protected:
  void SetUp() override {
    RegisterOrvelAboutBox();
    About.SetProductName("Tabrix");
    About.SetVersion("1.3");
    About.SetCopyright("Copyright \xC2\xA9 2026 The Tabrix developers");
    About.SetComments("Every INI file, found and opened.");
  }
  bool ExecuteAnd(const std::function<void(TAboutBox&)>& Act) {
    return WhenShown([&] { return About.Execute(); }, Act);
  }

  TOrvelAboutBox About{nullptr};
};

} // namespace

TEST_F(AboutBoxTest, TheDialogShowsTheTextsAndOkReturnsTrue) {
  EXPECT_TRUE(ExecuteAnd([](TAboutBox& Box) {
    EXPECT_EQ(Box.Caption(), "About Tabrix");
    EXPECT_EQ(Text(Box.ProductName), "Tabrix");
    EXPECT_EQ(Text(Box.Version), " Version 1.3");
    EXPECT_EQ(Text(Box.Copyright), "Copyright \xC2\xA9 2026 The Tabrix developers");
    EXPECT_EQ(Text(Box.Comment), "Every INI file, found and opened.");
    EXPECT_EQ(Box.Owner(), Application);
    ClickOn(Box.OKButton);
  }));
  EXPECT_TRUE(AboutBoxes().empty());
}

TEST_F(AboutBoxTest, EnterReturnsTrueWhereverTheFocusIs) {
  EXPECT_TRUE(ExecuteAnd([](TAboutBox& Box) {
    Box.OKButton->Widget()->setFocus();
    PressEnter(Box.OKButton->Widget());
  }));
  // With no control focused, the form's default button takes Enter.
  EXPECT_TRUE(ExecuteAnd([](TAboutBox& Box) {
    Box.OKButton->Widget()->clearFocus();
    PressEnter(Box.Widget());
  }));
}

TEST_F(AboutBoxTest, TheCloseBoxReturnsFalse) {
  EXPECT_FALSE(ExecuteAnd([](TAboutBox& Box) { Box.Widget()->close(); }));
  EXPECT_TRUE(AboutBoxes().empty());
}

TEST_F(AboutBoxTest, AnEmptyProductNameTakesTheApplicationsTitleAndKeepsIt) {
  About.SetProductName("");
  ExecuteAnd([](TAboutBox& Box) {
    EXPECT_EQ(Text(Box.ProductName), "Tabrix");
    EXPECT_EQ(Box.Caption(), "About Tabrix");
    ClickOn(Box.OKButton);
  });
  EXPECT_EQ(About.ProductName(), "Tabrix");

  Application->SetTitle("Renamed");
  ExecuteAnd([](TAboutBox& Box) {
    EXPECT_EQ(Box.Caption(), "About Tabrix");
    ClickOn(Box.OKButton);
  });
  Application->SetTitle("Tabrix");
}

TEST_F(AboutBoxTest, AnEmptyVersionLeavesTheWordAlone) {
  About.SetVersion("");
  ExecuteAnd([](TAboutBox& Box) {
    EXPECT_EQ(Text(Box.Version), " Version ");
    ClickOn(Box.OKButton);
  });
}

TEST_F(AboutBoxTest, EachCallBuildsItsOwnDialogAndLeavesNoneBehind) {
  const int forms = Screen->FormCount(), components = Application->ComponentCount();
  for (const char* comment : {"first", "second"}) {
    About.SetComments(comment);
    ExecuteAnd([&](TAboutBox& Box) {
      EXPECT_EQ(Screen->FormCount(), forms + 1);
      EXPECT_EQ(Application->ComponentCount(), components + 1);
      EXPECT_EQ(Text(Box.Comment), comment);
      Box.Widget()->close();
    });
    EXPECT_EQ(Screen->FormCount(), forms);
    EXPECT_EQ(Application->ComponentCount(), components);
  }
}

TEST_F(AboutBoxTest, AnExceptionWhileShowingIsSwallowedAndGivesFalse) {
  const int forms = Screen->FormCount();
  // A form-change handler that fails as the dialog becomes the active form.
  bool failed = false;
  Screen->SetOnActiveFormChange([&](TObject*) {
    if (!std::exchange(failed, true)) throw Exception("Handler failed");
  });
  EXPECT_FALSE(About.Execute());
  Screen->SetOnActiveFormChange(nullptr);
  EXPECT_TRUE(failed);
  EXPECT_TRUE(Seams::MessageBoxes().empty());
  EXPECT_EQ(Screen->FormCount(), forms);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(AboutBoxLayoutTest, TheDialogIsLaidOutAsDesigned) {
  RegisterAboutBoxClasses();
  auto* box = new TAboutBox(Application);
  EXPECT_EQ(box->BorderStyle(), bsDialog);
  EXPECT_EQ(box->ClientWidth(), 361);
  EXPECT_EQ(box->ClientHeight(), 185);
  box->Show();
  EXPECT_EQ(box->ClientWidget()->size(), QSize(361, 185));
  // A dialog's frame keeps its size, in the middle of the screen.
  EXPECT_EQ(box->Widget()->minimumSize(), box->Widget()->maximumSize());
  const QPoint centre = box->Widget()->screen()->availableGeometry().center();
  EXPECT_LE((box->Widget()->frameGeometry().center() - centre).manhattanLength(), 2);

  EXPECT_EQ(box->Panel1->Widget()->geometry(), QRect(0, 0, 361, 148));
  EXPECT_EQ(box->Panel1->Color(), clWhite);
  EXPECT_EQ(box->ProgramIcon->Widget()->geometry(), QRect(17, 3, 327, 57));
  EXPECT_EQ(box->OKButton->Widget()->geometry(), QRect(7, 156, 349, 25));
  EXPECT_TRUE(box->OKButton->Default());
  EXPECT_EQ(box->OKButton->ModalResult(), mrOk);

  // Every label keeps its designed place, whatever its text, in its own font, centred.
  box->Comment->SetCaption("A comment long enough that it does not fit on one line of the dialog at all");
  struct TExpected {
    TLabel* Label;
    QRect Place;
    int Height;
    bool Bold;
  };
  for (const TExpected& e : {TExpected{box->ProductName, QRect(23, 65, 315, 22), 19, true},
                             TExpected{box->Version, QRect(10, 91, 338, 15), 12, true},
                             TExpected{box->Copyright, QRect(16, 108, 332, 15), 12, true},
                             TExpected{box->Comment, QRect(14, 127, 335, 14), 11, false}}) {
    auto* label = static_cast<QLabel*>(e.Label->Widget());
    EXPECT_EQ(label->geometry(), e.Place) << e.Label->Name();
    EXPECT_EQ(label->font().pixelSize(), e.Height) << e.Label->Name();
    EXPECT_EQ(label->font().bold(), e.Bold) << e.Label->Name();
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter) << e.Label->Name();
  }
  EXPECT_TRUE(static_cast<QLabel*>(box->Comment->Widget())->font().italic());
  EXPECT_TRUE(static_cast<QLabel*>(box->Comment->Widget())->wordWrap());
  EXPECT_EQ(box->ProductName->Font()->Color(), clNavy);
  box->Free();
}

TEST(AboutBoxLayoutTest, TheBannerFillsItsFrameScaledDown) {
  RegisterAboutBoxClasses();
  auto* box = new TAboutBox(Application);
  box->Show();
  TPicture* picture = box->ProgramIcon->Picture();
  ASSERT_EQ(picture->Width(), 588);
  ASSERT_EQ(picture->Height(), 118);
  const QImage banner = *BitmapImage(picture->Bitmap()->Handle());
  const QImage shown = box->ProgramIcon->Widget()->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(327, 57));
  // The corners of the frame show the corners of the whole picture.
  auto near = [](QRgb A, QRgb B) {
    return std::abs(qRed(A) - qRed(B)) + std::abs(qGreen(A) - qGreen(B)) + std::abs(qBlue(A) - qBlue(B)) < 40;
  };
  EXPECT_TRUE(near(shown.pixel(0, 28), banner.pixel(0, 59)));
  EXPECT_TRUE(near(shown.pixel(326, 28), banner.pixel(587, 59)));
  EXPECT_FALSE(near(shown.pixel(326, 28), banner.pixel(326, 59)));
  box->Free();
}

TEST(AboutBoxMainFormTest, HelpAboutShowsTheProductsDialog) {
  RegisterMainFormClasses();
  Application->CreateForm(MainForm);
  MainForm->Show();
  EXPECT_EQ(MainForm->SAB1->ProductName(), "Tabrix");
  EXPECT_EQ(MainForm->SAB1->Version(), "1.3");
  EXPECT_FALSE(MainForm->SAB1->Copyright().empty());
  EXPECT_FALSE(MainForm->SAB1->Comments().empty());
  WhenShown(
      [] {
        MainForm->HelpAboutItem->Action()->trigger();
        return true;
      },
      [](TAboutBox& Box) {
        EXPECT_EQ(Box.Caption(), "About Tabrix");
        EXPECT_EQ(Text(Box.Version), " Version 1.3");
        EXPECT_EQ(Text(Box.Copyright), MainForm->SAB1->Copyright());
        EXPECT_EQ(Text(Box.Comment), MainForm->SAB1->Comments());
        ClickOn(Box.OKButton);
      });
  EXPECT_TRUE(AboutBoxes().empty());
  MainForm->Free();
  MainForm = nullptr;
  FlushReleasedForms();
}
