#include "framework/ExtCtrls.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "framework/Accessible.h"
#include "framework/QtConvert.h"
#include "framework/TypInfo.h"
#include "platform/QtWindow.h"

// A label is a frame that already centres its text; the child controls sit on it, and
// the bevels are drawn over its edge once it has painted itself.
void TPanel::WndProc(TMessage& Message) {
  TWinControl::WndProc(Message);
  if (Message.Msg != WM_PAINT) return;
  QPainter* painter = DCPainter(reinterpret_cast<HDC>(Message.WParam));
  if (!painter) return;
  const QWidget* frame = Widget();
  QRect edge = frame->rect();
  for (TPanelBevel bevel : {FBevelOuter, FBevelInner}) {
    if (bevel == bvNone) continue;
    const QColor light = frame->palette().color(QPalette::Light), dark = frame->palette().color(QPalette::Dark);
    const QColor topLeft = bevel == bvRaised ? light : dark, bottomRight = bevel == bvRaised ? dark : light;
    painter->fillRect(edge.left(), edge.top(), edge.width(), 1, topLeft);
    painter->fillRect(edge.left(), edge.top(), 1, edge.height(), topLeft);
    painter->fillRect(edge.left(), edge.bottom(), edge.width(), 1, bottomRight);
    painter->fillRect(edge.right(), edge.top(), 1, edge.height(), bottomRight);
    edge.adjust(1, 1, -1, -1);
  }
}

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  auto* frame = new QLabel;
  frame->setAlignment(Qt::AlignCenter);
  frame->setTextFormat(Qt::PlainText);
  SetWidget(frame);
  SetAccessibleKind(frame, TAccessibleKind::Panel);
  SetColor(clBtnFace);
  UpdateBevel();
}

void TPanel::SetCaption(const String& Value) {
  if (FCaption == Value) return;
  FCaption = Value;
  static_cast<QLabel*>(Widget())->setText(ToQString(Value));
  UpdateAccessibleName();
}

String TPanel::AccessibleName() const { return FCaption.empty() ? TWinControl::AccessibleName() : FCaption; }

void TPanel::SetBevelInner(TPanelBevel Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  UpdateBevel();
}

void TPanel::SetBevelOuter(TPanelBevel Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  UpdateBevel();
}

void TPanel::UpdateBevel() {
  QWidget* frame = Widget();
  // The caption is centred within the bevels.
  const int width = (FBevelInner != bvNone) + (FBevelOuter != bvNone);
  frame->setContentsMargins(width, width, width, width);
  frame->update();
}

// TImage

TImage::TImage(TComponent* AOwner) : TControl(AOwner) {
  auto* label = new QLabel;
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetWidget(label);
  FPicture.SetOnChange([this](TObject*) { PictureChanged(); });
}

void TImage::SetStretch(bool Value) {
  if (FStretch == Value) return;
  FStretch = Value;
  static_cast<QLabel*>(Widget())->setScaledContents(Value);
}

void TImage::PictureChanged() {
  const QImage* image = BitmapImage(FPicture.Bitmap()->Handle());
  static_cast<QLabel*>(Widget())->setPixmap(image ? QPixmap::fromImage(*image) : QPixmap());
}

void RegisterExtCtrlsClasses() {
  static const bool done = [] {
    RegisterControlsClasses();
    RegisterEnumNames(typeid(TPanelBevel), {"bvNone", "bvLowered", "bvRaised"});
    TClassRegistration<TPanel>("TPanel", "TWinControl")
        .Property("Caption", &TPanel::Caption, &TPanel::SetCaption, String())
        .Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, bvNone)
        .Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvRaised);
    // A description names the picture's bitmap file: 'about/banner.bmp'.
    TClassRegistration<TImage>("TImage", "TControl")
        .Data("Picture",
              [](TImage& Image, const TDescValue& Value) {
                if (Value.Kind != TDescValue::vaString) typinfo_detail::BadValue("the name of a bitmap file", Value);
                try {
                  Image.Picture()->LoadFromFile(Value.Str);
                } catch (const EFOpenError& e) {
                  throw EReadError(e.Message());
                }
              })
        .Property("Stretch", &TImage::Stretch, &TImage::SetStretch, false);
    return true;
  }();
  (void)done;
}
