// Colours, pictures, symbol text and message boxes as the windows show them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBackingStore>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "controls/levelmeter.h"
#include "qt/compositor.h"
#include "qt/look.h"
#include "qt/messagebox.h"
#include "qt/peer.h"
#include "qt/placement.h"
#include "qt/qtwidgetset.h"
#include "ui/application.h"
#include "ui/extctrls.h"
#include "ui/form.h"

namespace qt {
namespace {

TEST(Look, ColoursAreBlueGreenRedAndSystemColoursAreTheClassicOnes) {
  EXPECT_EQ(ToQColor(controls::kLumiOrange), QColor(0xFF, 0x80, 0x00));
  EXPECT_EQ(ToQColor(controls::kLumiRed), QColor(0xFF, 0x00, 0x00));
  EXPECT_EQ(ToQColor(ui::clNavy), QColor(0x00, 0x00, 0x80));
  EXPECT_EQ(ToQColor(0xE1E1E1), QColor(0xE1, 0xE1, 0xE1));
  EXPECT_EQ(ToQColor(ui::clBtnFace), QColor(192, 192, 192));
  EXPECT_EQ(ToQColor(ui::clWindow), QColor(255, 255, 255));
  EXPECT_EQ(ToQColor(ui::clBtnShadow), QColor(128, 128, 128));
}

TEST(Look, XpmTextIsReadOnlyWhenItIsAWholePicture) {
  const char* good = R"(/* XPM "not a line" */
static char *P[] = {
"2 2 2 1",
"a c #FF0000",
"b c #0000FF",
"ab",
"b\"a"};)";
  std::vector<std::string> lines = XpmLines(good);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "2 2 2 1");
  EXPECT_EQ(lines[4], "b\"a");  // an escaped quote stays in the line
  const char* picture = "\"2 2 2 1\",\"a c #FF0000\",\"b c #0000FF\",\"ab\",\"ba\"";
  QImage img = ImageFromXpm(picture);
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.size(), QSize(2, 2));
  EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(img.pixel(1, 0)), QColor(0, 0, 255));
  // Cut files: rows missing, a row too short, an unterminated string, a
  // header that is not one. None may be read past its end.
  EXPECT_TRUE(ImageFromXpm("\"2 2 2 1\",\"a c #FF0000\",\"b c #0000FF\",\"ab\"").isNull());
  EXPECT_TRUE(ImageFromXpm("\"2 2 2 1\",\"a c #FF0000\",\"b c #0000FF\",\"ab\",\"b\"").isNull());
  EXPECT_TRUE(ImageFromXpm("\"2 2 2 1\",\"a c #FF0000\",\"b c #0000FF\",\"ab\",\"ba").isNull());
  EXPECT_TRUE(ImageFromXpm("\"two by two\"").isNull());
  EXPECT_TRUE(ImageFromXpm("").isNull());
  // The embedded icon is a whole picture.
  QPixmap icon = PictureResource("MIXERICON.xpm");
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.size(), QSize(32, 32));
  EXPECT_TRUE(PictureResource("NOSUCH.xpm").isNull());
}

TEST(Look, SymbolFontTextShowsTheCharactersThatFontDraws) {
  ui::TFont symbol;
  symbol.Name = "Symbol";
  // The stereo link brackets of the mixer windows.
  EXPECT_EQ(DisplayText(symbol, "ë"), QString(QChar(0x23A3)));
  EXPECT_EQ(DisplayText(symbol, "û"), QString(QChar(0x23A6)));
  EXPECT_EQ(DisplayText(symbol, "ab"), QString::fromUtf8("αβ"));
  ui::TFont arial;
  arial.Name = "Arial";
  EXPECT_EQ(DisplayText(arial, "ë"), QString::fromUtf8("ë"));
}

// A control of class C on a form of its own, at the given bounds.
template <typename C>
C* OnAForm(ui::TApplication& app, int w, int h, QRect bounds) {
  auto* form = ui::Create<ui::TForm>(&app);
  form->SetBounds(0, 0, w, h);
  auto* c = ui::Create<C>(form);
  c->SetParent(form);
  c->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
  return c;
}

TEST(Look, ALampIsFilledWithItsColour) {
  QtWidgetset ws;
  ui::TApplication app(ws);
  auto* lamp = OnAForm<controls::TLumi>(app, 120, 80, QRect(10, 10, 20, 10));
  ui::TForm* form = lamp->GetParentForm();
  lamp->SetColorOn(controls::kLumiOrange);
  lamp->SetOn(true);
  form->Show();
  QWidget* w = ControlPeer::WidgetOf(*lamp);
  ASSERT_NE(w, nullptr);
  QImage img = w->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() / 2)), QColor(0xFF, 0x80, 0x00));
  lamp->SetOn(false);
  img = w->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() / 2)), ToQColor(controls::kLumiGrey));
}

// A meter is one opaque widget that draws its lamps itself: the lamps get
// no widgets, and what it shows follows their states.
TEST(Look, AMeterDrawsItsLampsInOneOpaqueWidget) {
  QtWidgetset ws;
  ui::TApplication app(ws);
  auto* meter = OnAForm<controls::TLevelMeter>(app, 120, 220, QRect(10, 10, 18, 163));
  ui::TForm* form = meter->GetParentForm();
  meter->SetLumiHeight(5);
  form->Show();
  QWidget* w = ControlPeer::WidgetOf(*meter);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->testAttribute(Qt::WA_OpaquePaintEvent));
  ASSERT_GT(meter->Count(), 2);
  EXPECT_EQ(ControlPeer::WidgetOf(*meter->Lumi(0)), nullptr);
  auto centre = [](const controls::TLumi& l) {
    return QPoint(l.Left() + l.Width() / 2, l.Top() + l.Height() / 2);
  };
  meter->SetLevel(200);  // the bottom lamps light
  ASSERT_GT(meter->LitTop(), 0);
  ws.compositor().Flush();
  QImage img = w->grab().toImage();
  EXPECT_EQ(QColor(img.pixel(centre(*meter->Lumi(0)))), ToQColor(controls::kLumiGreen));
  EXPECT_EQ(QColor(img.pixel(centre(*meter->Lumi(meter->Count() - 1)))),
            ToQColor(controls::kLumiGrey));
  const controls::TLumi& bottom = *meter->Lumi(0);
  EXPECT_EQ(QColor(img.pixel(bottom.Left(), bottom.Top())), QColor(Qt::black));  // the outline
  // Lamps moved (a taller meter) or built again are drawn where they now lie.
  for (auto change : {+[](controls::TLevelMeter* m) { m->SetHeight(m->Height() + 2); },
                      +[](controls::TLevelMeter* m) { m->SetLumiHeight(9); }}) {
    change(meter);
    meter->SetLevel(200);
    ws.compositor().Flush();
    img = w->grab().toImage();
    const controls::TLumi& lit = *meter->Lumi(meter->LitTop());
    EXPECT_EQ(QColor(img.pixel(centre(lit))), ToQColor(controls::kLumiGreen));
    EXPECT_EQ(QColor(img.pixel(lit.Left(), lit.Top())), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(centre(*meter->Lumi(meter->Count() - 1)))),
              ToQColor(controls::kLumiGrey));
  }
}

// Lamps that switch in a shown window are painted straight into its
// backing store, as plain fills: the pixels are the meter's own painting.
TEST(Look, LampsPaintedStraightIntoTheWindowMatchTheMetersPainting) {
  QtWidgetset ws;
  ui::TApplication app(ws);
  auto* meter = OnAForm<controls::TLevelMeter>(app, 120, 220, QRect(10, 10, 18, 163));
  meter->SetLumiHeight(5);
  meter->GetParentForm()->Show();
  QWidget* w = ControlPeer::WidgetOf(*meter);
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  auto* store = static_cast<QImage*>(w->window()->backingStore()->paintDevice());
  ASSERT_TRUE(w->window()->windowHandle()->isExposed());
  // A held peak above a falling bar, and a bar that rises again.
  meter->SetLevel(30000);
  ws.compositor().Flush();
  ui::TMessage tick{controls::kMeterDecayMessage, 0, 0, 0};
  // More steps in one pass than the record keeps runs for.
  for (int i = 0; i < 9; ++i) meter->DecayStep(tick);
  ws.compositor().Flush();
  meter->SetLevel(2000);
  ws.compositor().Flush();
  const QImage own = w->grab().toImage();
  const QPoint at = w->mapTo(w->window(), QPoint());
  int differing = 0;
  for (int y = 0; y < own.height(); ++y)
    for (int x = 0; x < own.width(); ++x)
      differing +=
          (store->pixel(at + QPoint(x, y)) | 0xFF000000u) != (own.pixel(x, y) | 0xFF000000u);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(meter->HoldTicks(), 0);
}

TEST(MessageBoxes, FlagsChooseButtonsAndIconAndAnswersAreTheirIds) {
  MessageBoxView yes_no(nullptr, "Wirklich?", "Frage", 0x04 | 0x20);
  EXPECT_EQ(yes_no.box().icon(), QMessageBox::Question);
  EXPECT_EQ(yes_no.box().windowTitle(), QStringLiteral("Frage"));
  ASSERT_NE(yes_no.ButtonFor(kIdYes), nullptr);
  ASSERT_NE(yes_no.ButtonFor(kIdNo), nullptr);
  EXPECT_EQ(yes_no.ButtonFor(kIdOk), nullptr);
  EXPECT_EQ(yes_no.box().buttons().size(), 2);
  EXPECT_EQ(yes_no.AnswerFor(yes_no.ButtonFor(kIdYes)), kIdYes);
  EXPECT_EQ(yes_no.AnswerFor(yes_no.ButtonFor(kIdNo)), kIdNo);
  EXPECT_EQ(yes_no.box().defaultButton(), yes_no.ButtonFor(kIdYes));
  EXPECT_EQ(yes_no.ButtonFor(kIdYes)->text(), QStringLiteral("&Ja"));
  EXPECT_EQ(yes_no.ButtonFor(kIdNo)->text(), QStringLiteral("&Nein"));

  MessageBoxView ok_cancel(nullptr, "Text", "Titel", 0x01 | 0x30);
  EXPECT_EQ(ok_cancel.box().icon(), QMessageBox::Warning);
  // Closed without a button: the cancel answer.
  EXPECT_EQ(ok_cancel.AnswerFor(nullptr), kIdCancel);
  EXPECT_EQ(ok_cancel.ButtonFor(kIdCancel)->text(), QStringLiteral("Abbrechen"));
  MessageBoxView error(nullptr, "Zeile 1\r\nZeile 2", "Fehler", 0x10);
  EXPECT_EQ(error.box().icon(), QMessageBox::Critical);
  EXPECT_EQ(error.box().text(), QStringLiteral("Zeile 1\nZeile 2"));
  EXPECT_EQ(error.AnswerFor(nullptr), kIdOk);
}

TEST(MessageBoxes, TheWidgetsetReturnsTheButtonTheUserPressed) {
  QtWidgetset ws;
  for (int wanted : {kIdNo, kIdYes}) {
    QTimer::singleShot(0, [wanted] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      box->button(wanted == kIdYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    EXPECT_EQ(ws.MessageBox(nullptr, "Löschen?", "Frage", 0x04), wanted);
  }
  // The pictures mode answers without showing the box.
  int seen = 0;
  ws.SetBoxHandler([&seen](QMessageBox& box, int first) {
    ++seen;
    EXPECT_EQ(box.text(), QStringLiteral("x"));
    return first;
  });
  EXPECT_EQ(ws.MessageBox(nullptr, "x", "y", 0x04), kIdYes);
  EXPECT_EQ(seen, 1);
}

// A new window goes to the first free place, row by row; where none is
// free, to the place that covers least; one larger than the screen keeps
// its top left (the title bar) on it.
TEST(Placement, FirstFreePlaceLeastCoverOrTheTitleBarOnTheScreen) {
  const QRect screen(0, 0, 1000, 800);
  std::vector<QRect> open{QRect(0, 0, 300, 500), QRect(400, 200, 200, 100)};
  EXPECT_EQ(FreePlace(screen, open, QSize(300, 300)), QPoint(600, 0));
  EXPECT_EQ(FreePlace(screen, open, QSize(700, 250)), QPoint(300, 300));
  EXPECT_EQ(FreePlace(screen, {QRect(0, 0, 1000, 750)}, QSize(200, 100)), QPoint(0, 700));
  EXPECT_EQ(FreePlace(screen, open, QSize(1200, 900)), QPoint(0, 0));
  EXPECT_EQ(Reachable(screen, QRect(-50, -30, 200, 900)), QPoint(0, 0));
  EXPECT_EQ(Reachable(screen, QRect(900, 700, 200, 200)), QPoint(800, 600));
}

}  // namespace
}  // namespace qt
