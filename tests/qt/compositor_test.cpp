// Which peer each control gets, and the meters' direct painting through a
// window sink that draws the lamps itself and leaves the backing store to
// lag behind, with Qt's repaint wherever the fills cannot show a change.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWindow>

#include "controls/levelmeter.h"
#include "qt/compositor.h"
#include "qt/formpeer.h"
#include "qt/lampfills.h"
#include "qt/look.h"
#include "qt/paintedpeers.h"
#include "qt/qtwidgetset.h"
#include "qt/stdpeers.h"
#include "ui/application.h"
#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/form.h"

namespace qt {
namespace {

class TOwnForm : public ui::TForm {
 public:
  using ui::TForm::TForm;
};
class TOwnSpeedButton : public ui::TSpeedButton {
 public:
  using ui::TSpeedButton::TSpeedButton;
};

template <typename C>
C* On(ui::TWinControl* parent) {
  auto* c = ui::Create<C>(parent);
  c->SetParent(parent);
  c->SetBounds(4, 4, 40, 20);
  return c;
}

// Each control gets the peer of the nearest class with a peer kind of its
// own; other windowed controls a panel, other graphic controls none.
TEST(PeerKinds, AControlGetsThePeerOfItsNearestKind) {
  QtWidgetset ws;
  ui::TApplication app(ws);
  auto* form = ui::Create<TOwnForm>(&app);
  form->Show();
  EXPECT_NE(dynamic_cast<FormPeer*>(form->peer()), nullptr);
  EXPECT_NE(dynamic_cast<SpeedButtonPeer*>(On<TOwnSpeedButton>(form)->peer()), nullptr);
  EXPECT_NE(dynamic_cast<StdPeer<ui::TCheckBox>*>(On<ui::TCheckBox>(form)->peer()), nullptr);
  EXPECT_NE(dynamic_cast<StdPeer<ui::TButton>*>(On<ui::TButton>(form)->peer()), nullptr);
  using TrackBarPeer = StdPeer<ui::TTrackBar, ControlPeer>;
  EXPECT_NE(dynamic_cast<TrackBarPeer*>(On<ui::TTrackBar>(form)->peer()), nullptr);
  EXPECT_NE(dynamic_cast<PanelPeer*>(On<ui::TPanel>(form)->peer()), nullptr);
  EXPECT_NE(dynamic_cast<PanelPeer*>(On<ui::TPageControl>(form)->peer()), nullptr);
  EXPECT_EQ(On<ui::TGraphicControl>(form)->peer(), nullptr);
}

// Takes the fills as an X server would.
class DrawingSink : public WindowSink {
 public:
  bool TakesFills(const QWidget*) const override { return true; }
  void Show(const QWidget*, const std::vector<SolidFill>& fills) override {
    shown.insert(shown.end(), fills.begin(), fills.end());
  }
  void Send() override { ++sends; }
  std::vector<SolidFill> shown;
  int sends = 0;
};

// A window with one meter, shown and painted once; lamps that switch then
// go to the sink (or, with the Qt sink, into the backing store).
struct MeterWindow {
  explicit MeterWindow(std::unique_ptr<WindowSink> sink, bool on_screen = true)
      : ws(std::move(sink)), app(ws) {
    form = ui::Create<ui::TForm>(&app);
    form->SetBounds(0, 0, 120, 220);
    meter = ui::Create<controls::TLevelMeter>(form);
    meter->SetParent(form);
    meter->SetBounds(10, 10, 18, 163);
    meter->SetLumiHeight(5);
    form->Show();
    QCoreApplication::processEvents();
    widget = ControlPeer::WidgetOf(*meter);
    if (on_screen) return;
    // Shown, but not on the screen: not exposed, as a minimised window.
    QWidget* window = widget->window();
    window->hide();
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    QCoreApplication::processEvents();
  }
  QImage& Store() const {
    return *static_cast<QImage*>(widget->window()->backingStore()->paintDevice());
  }
  // The middle of lamp i, in the window.
  QPoint Centre(int i) const {
    const controls::TLumi& l = *meter->Lumi(i);
    return widget->mapTo(widget->window(), QPoint(l.Left() + l.Width() / 2, l.Top() + 2));
  }
  QColor StoreAt(QPoint p) const { return QColor(Store().pixel(p)); }
  void AnyEvent() const {
    QEvent any(QEvent::User);
    QCoreApplication::sendEvent(widget, &any);
    QCoreApplication::processEvents();
  }

  QtWidgetset ws;
  ui::TApplication app;
  ui::TForm* form = nullptr;
  controls::TLevelMeter* meter = nullptr;
  QWidget* widget = nullptr;
};

const QColor kLit = ToQColor(controls::kLumiGreen);

// Lamps that switch go to the sink as the insides of those lamps alone (the
// outlines and the lamps that stayed as they were are on the screen
// already), not through the backing store; the store catches up before Qt
// handles any event, so nothing Qt shows or moves from it is out of date.
// An outline goes along only where it changed.
TEST(Compositor, OnlyTheSwitchedLampsInsidesGoToTheSinkAndTheStoreCatchesUp) {
  auto owned = std::make_unique<DrawingSink>();
  DrawingSink& sink = *owned;
  MeterWindow w(std::move(owned));
  ASSERT_TRUE(w.widget->window()->windowHandle()->isExposed());
  const QColor before = w.StoreAt(w.Centre(0));

  w.meter->SetLevel(200);
  const int lit = w.meter->LitTop() + 1;
  ASSERT_GT(lit, 1);
  w.ws.compositor().Flush();
  EXPECT_EQ(sink.sends, 1);
  ASSERT_EQ(static_cast<int>(sink.shown.size()), lit);
  for (int i = 0; i < lit; ++i) {
    EXPECT_EQ(sink.shown[static_cast<std::size_t>(i)].layer, kLampInsideLayer);
    EXPECT_EQ(QColor(sink.shown[static_cast<std::size_t>(i)].colour), kLit);
  }
  EXPECT_EQ(w.StoreAt(w.Centre(0)), before);  // the store lags

  w.AnyEvent();
  EXPECT_EQ(w.StoreAt(w.Centre(0)), kLit);

  // A lamp whose outline changed colour has its outline drawn too.
  sink.shown.clear();
  w.meter->Lumi(0)->SetPenColor(controls::kLumiRed);
  w.ws.compositor().Flush();
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].layer, kLampOutlineLayer);
  EXPECT_EQ(QColor(sink.shown[0].colour), ToQColor(controls::kLumiRed));
}

// Where the fills cannot show the change, Qt repaints it (the store shows
// the lamp once Qt had its turn) and the sink gets nothing; where nothing
// of the meter shows, nothing is drawn at all.
TEST(Compositor, WhatTheFillsCannotShowIsLeftToQt) {
  struct Case {
    const char* name;
    void (*arrange)(MeterWindow&);
    bool repainted;
  };
  const Case cases[] = {
      {"covered by another widget",
       [](MeterWindow& w) {
         auto* cover = ui::Create<ui::TPanel>(w.form);
         cover->SetParent(w.form);
         cover->SetBounds(5, 100, 40, 20);
       },
       true},
      {"seen in pieces (a bar across it)",
       [](MeterWindow& w) {
         auto* bar = ui::Create<ui::TPanel>(w.form);
         bar->SetParent(w.form);
         bar->SetBounds(0, 60, 120, 20);
       },
       true},
      {"scrolled out of its area", [](MeterWindow& w) { w.meter->SetLeft(-100); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto owned = std::make_unique<DrawingSink>();
    DrawingSink& sink = *owned;
    MeterWindow w(std::move(owned));
    c.arrange(w);
    QCoreApplication::processEvents();
    w.ws.compositor().Flush();
    sink.shown.clear();

    w.meter->SetLevel(200);
    w.ws.compositor().Flush();
    EXPECT_TRUE(sink.shown.empty());
    if (!c.repainted) continue;
    QCoreApplication::processEvents();
    EXPECT_EQ(w.StoreAt(w.Centre(0)), kLit);
  }
}

// A meter clipped by its parent to one rectangle is drawn where it shows,
// and only there.
TEST(Compositor, AClippedMeterIsDrawnWhereItShows) {
  auto owned = std::make_unique<DrawingSink>();
  DrawingSink& sink = *owned;
  MeterWindow w(std::move(owned));
  auto* strip = ui::Create<ui::TPanel>(w.form);
  strip->SetParent(w.form);
  strip->SetBounds(10, 10, 30, 100);
  w.meter->SetParent(strip);
  w.meter->SetBounds(2, 0, 18, 163);  // its bottom lamps lie below the strip
  QCoreApplication::processEvents();
  w.ws.compositor().Flush();
  sink.shown.clear();

  w.meter->SetLevel(30000);
  w.ws.compositor().Flush();
  ASSERT_FALSE(sink.shown.empty());
  const QRect shows(w.widget->mapTo(w.widget->window(), QPoint()), QSize(18, 100));
  for (const SolidFill& f : sink.shown) EXPECT_TRUE(shows.contains(f.rect)) << f.rect.y();
}

// A window that is not on the screen (minimised) costs nothing: its changes
// wait, and are shown once it is exposed.
TEST(Compositor, AWindowOffTheScreenKeepsItsChangesUntilItIsExposed) {
  auto owned = std::make_unique<DrawingSink>();
  DrawingSink& sink = *owned;
  MeterWindow w(std::move(owned), false);
  QWidget* window = w.widget->window();
  ASSERT_TRUE(window->isVisible());
  ASSERT_FALSE(window->windowHandle() && window->windowHandle()->isExposed());

  w.meter->SetLevel(200);
  w.ws.compositor().Flush();
  QCoreApplication::processEvents();
  EXPECT_TRUE(sink.shown.empty());

  window->hide();
  window->setAttribute(Qt::WA_DontShowOnScreen, false);
  window->show();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window->windowHandle()->isExposed());
  w.ws.compositor().Flush();
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(QColor(sink.shown.front().colour), kLit);
}

// Without a sink that draws (Wayland, offscreen, no X11) the fills go into
// the backing store at once and Qt shows it.
TEST(Compositor, TheQtSinkHasTheFillsInTheBackingStoreAtOnce) {
  MeterWindow w(std::make_unique<QtSink>());
  w.meter->SetLevel(200);
  w.ws.compositor().Flush();
  EXPECT_EQ(w.StoreAt(w.Centre(0)), kLit);
}

}  // namespace
}  // namespace qt
