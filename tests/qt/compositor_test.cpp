// Which peer each control gets, and the meters' direct painting through a
// window sink that draws the lamps itself and leaves the backing store to
// lag behind.
#include <gtest/gtest.h>

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWindow>

#include "controls/levelmeter.h"
#include "qt/compositor.h"
#include "qt/formpeer.h"
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

// Takes the fills and the image parts as an X server would.
class DrawingSink : public WindowSink {
 public:
  bool TakesFills(const QWidget*) const override { return true; }
  bool Show(const QWidget*, const std::vector<SolidFill>& fills, const QImage*,
            std::span<const QRect> parts) override {
    shown.insert(shown.end(), fills.begin(), fills.end());
    image_parts += static_cast<int>(parts.size());
    return true;
  }
  void Send() override { ++sends; }
  std::vector<SolidFill> shown;
  int image_parts = 0;
  int sends = 0;
};

// Lamps that switch go to the sink as fills, not through the backing store;
// the store catches up before Qt handles any event, so nothing Qt shows or
// moves from it is out of date.
TEST(Compositor, LampsGoToTheSinkAndTheBackingStoreCatchesUpBeforeQtShowsIt) {
  auto owned = std::make_unique<DrawingSink>();
  DrawingSink& sink = *owned;
  QtWidgetset ws(std::move(owned));
  ui::TApplication app(ws);
  auto* form = ui::Create<ui::TForm>(&app);
  form->SetBounds(0, 0, 120, 220);
  auto* meter = ui::Create<controls::TLevelMeter>(form);
  meter->SetParent(form);
  meter->SetBounds(10, 10, 18, 163);
  meter->SetLumiHeight(5);
  form->Show();
  QWidget* w = QtWidgetset::WidgetOf(*meter);
  ASSERT_NE(w, nullptr);
  QCoreApplication::processEvents();
  ASSERT_TRUE(w->window()->windowHandle()->isExposed());
  auto* store = static_cast<QImage*>(w->window()->backingStore()->paintDevice());
  const controls::TLumi& bottom = *meter->Lumi(0);
  const QPoint centre =
      w->mapTo(w->window(), QPoint(bottom.Left() + bottom.Width() / 2, bottom.Top() + 2));
  const QColor before = QColor(store->pixel(centre));

  meter->SetLevel(200);
  ws.compositor().Flush();
  EXPECT_EQ(sink.sends, 1);
  EXPECT_EQ(sink.image_parts, 0);
  const QColor lit = ToQColor(controls::kLumiGreen);
  bool lamp_sent = false;
  for (const SolidFill& f : sink.shown)
    lamp_sent = lamp_sent || (f.rect.contains(centre) && QColor(f.colour) == lit);
  EXPECT_TRUE(lamp_sent);
  EXPECT_EQ(QColor(store->pixel(centre)), before);  // the store lags

  QEvent any(QEvent::User);
  QCoreApplication::sendEvent(w, &any);
  QCoreApplication::processEvents();
  EXPECT_EQ(QColor(store->pixel(centre)), lit);
}

}  // namespace
}  // namespace qt
