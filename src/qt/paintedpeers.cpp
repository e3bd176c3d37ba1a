#include "qt/paintedpeers.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <type_traits>

#include "qt/compositor.h"
#include "qt/directpanel.h"
#include "qt/lampfills.h"
#include "qt/look.h"

namespace qt {

namespace {

constexpr int kTextFlags = Qt::TextShowMnemonic;

int AlignmentFlags(ui::TAlignment a) {
  switch (a) {
    case ui::TAlignment::taRightJustify:
      return Qt::AlignRight;
    case ui::TAlignment::taCenter:
      return Qt::AlignHCenter;
    default:
      return Qt::AlignLeft;
  }
}

// Disabled text is etched: white, then grey one pixel up and left.
void DrawText(QPainter& p, const QRect& r, int flags, const QString& text, const QColor& colour,
              bool enabled) {
  if (enabled) {
    p.setPen(colour);
    p.drawText(r, flags, text);
    return;
  }
  p.setPen(HighlightColor());
  p.drawText(r.translated(1, 1), flags, text);
  p.setPen(ShadowColor());
  p.drawText(r, flags, text);
}

}  // namespace

QColor FillColorOf(const ui::TControl& c) {
  const ui::TControl* from = &c;
  while (from->Parent()) {
    auto* panel = dynamic_cast<const ui::TPanel*>(from);
    if (!panel || !panel->ParentColor()) break;
    from = from->Parent();
  }
  return ToQColor(from->Color());
}

QWidget* PaintedPeer::MakeWidget(QWidget* parent) {
  auto* w = new QWidget(parent);
  w->setAttribute(Qt::WA_OpaquePaintEvent, false);
  if (control().TakesFocus()) {
    w->setFocusPolicy(Qt::StrongFocus);
    w->setProperty(kStripControl, true);
  }
  return w;
}

bool PaintedPeer::Filter(QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      return RouteKey(static_cast<QKeyEvent*>(e));
    case QEvent::FocusIn:
    case QEvent::FocusOut:
      widget()->update();
      return false;
    case QEvent::ToolTip:
      return ShowValueTip();
    default: {
      const bool taken = RouteMouse(e);
      // The value follows a drag and the wheel.
      if (taken && (e->type() == QEvent::MouseMove || e->type() == QEvent::Wheel)) ShowValueTip();
      return taken;
    }
  }
}

void PaintedPeer::PaintFocus(QPainter& p, const QRect& r) const {
  if (!widget()->hasFocus()) return;
  p.save();
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  p.restore();
}

QWidget* PanelPeer::MakeWidget(QWidget* parent) {
  QWidget* w = PaintedPeer::MakeWidget(parent);
  w->setAttribute(Qt::WA_OpaquePaintEvent, true);
  compositor_ = &widgetset().compositor();
  lamps_ = &compositor_->Add(panel_, *w);
  return w;
}

void PanelPeer::Apply(ui::Change what) {
  PaintedPeer::Apply(what);
  // Its size, caption or frame may have moved what lies within the frame.
  if (lamps_) lamps_->PanelChanged();
}

PanelPeer::~PanelPeer() {
  if (lamps_) compositor_->Remove(*lamps_);
}

void PanelPeer::ChildChanged(ui::TControl& child, ui::Change what) {
  if (lamps_) compositor_->ChildrenChanged(*lamps_, child, child, what);
}

void PanelPeer::ChildrenChanged(ui::TControl& first, ui::TControl& last, ui::Change what) {
  if (lamps_) compositor_->ChildrenChanged(*lamps_, first, last, what);
}

void PanelPeer::ChildListChanged() {
  if (lamps_) compositor_->ChildListChanged(*lamps_);
}

bool PanelPeer::Paint(QPainter& p) {
  const ui::TControl& c = control();
  const QRect r(0, 0, c.Width(), c.Height());
  const QRect dirty = PaintRect().isValid() ? PaintRect() : r;
  p.fillRect(dirty & r, FillColorOf(c));
  // A repaint of lamps inside the frame leaves the frame as it is.
  if (!FrameUntouched(panel_, as_panel_, dirty)) {
    QRect inner = DrawPanelFrame(p, r, *as_panel_);
    if (!c.Caption().empty()) {
      p.setFont(ToQFont(c.Font()));
      DrawText(p, inner, AlignmentFlags(as_panel_->Alignment()) | Qt::AlignVCenter | kTextFlags,
               DisplayText(c.Font(), c.Caption()), ToQColor(c.Font().Color), c.Enabled());
    }
  }
  PaintFocus(p, r.adjusted(3, 3, -3, -3));
  // The children it draws itself: the lamps where they meet the repaint.
  if (lamps_)
    lamps_->ForEachDrawnChild(dirty, [&p](const ui::TControl* child, const QRect& bounds) {
      if (auto* shape = dynamic_cast<const ui::TShape*>(child))
        DrawShape(p, *shape, bounds.topLeft());
      return true;
    });
  return true;
}

void LabelPeer::Apply(ui::Change what) {
  PaintedPeer::Apply(what);
  if (what == ui::Change::Bounds || what == ui::Change::Caption || what == ui::Change::Font)
    FitText();
}

// A label that sizes itself shows all of its text, whatever size the
// model estimated for it; where the text would run into the control to its
// right (the layouts were made for a narrower font), it is drawn narrower.
void LabelPeer::FitText() {
  font_ = ToQFont(label_.Font());
  if (!label_.AutoSize() || label_.WordWrap() || !widget()) return;
  const QString text = DisplayText(label_.Font(), label_.Caption());
  font_ = NarrowedToFit(font_, {text}, RoomToTheRight());
  QFontMetrics fm(font_);
  QRect bounds = fm.boundingRect(QRect(0, 0, 10000, 1000), kTextFlags, text);
  widget()->resize(std::max(bounds.width(), label_.Width()),
                   std::max(fm.height(), label_.Height()));
}

// From the label's left edge to the nearest sibling that starts to its
// right on the same line, less a pixel of air.
int LabelPeer::RoomToTheRight() const {
  const ui::TWinControl* parent = label_.Parent();
  int room = 10000;
  if (!parent) return room;
  const int top = label_.Top(), bottom = label_.Top() + label_.Height();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    const ui::TControl* c = parent->Controls(i);
    if (c == &label_ || !c->Visible() || c->Left() <= label_.Left()) continue;
    if (c->Top() >= bottom || c->Top() + c->Height() <= top) continue;
    room = std::min(room, c->Left() - label_.Left() - 1);
  }
  return room;
}

bool LabelPeer::Paint(QPainter& p) {
  QRect r = widget()->rect();
  if (!label_.Transparent() && label_.Color() != ui::clBtnFace)
    p.fillRect(r, ToQColor(label_.Color()));
  int flags = AlignmentFlags(label_.Alignment()) | Qt::AlignTop | kTextFlags;
  if (label_.WordWrap()) flags |= Qt::TextWordWrap;
  p.setFont(font_);
  DrawText(p, r, flags, DisplayText(label_.Font(), label_.Caption()), ToQColor(label_.Font().Color),
           label_.Enabled());
  return true;
}

void DrawShape(QPainter& p, const ui::TShape& shape, const QPoint& at) {
  const int pw = std::max(0, shape.PenWidth());
  QRect r(0, 0, shape.Width(), shape.Height());
  // A rectangle with a one-pixel outline (every meter lamp): two solid
  // fills give the same pixels as the pen and brush, for less, and need
  // no change of the painter's state.
  if (PlainLamp(&shape)) {
    for (const SolidFill& f : LampFills(shape, r.translated(at)))
      p.fillRect(f.rect, QColor(f.colour));
    return;
  }
  p.save();
  p.translate(at);
  if (shape.Shape() == ui::TShapeType::stSquare || shape.Shape() == ui::TShapeType::stCircle ||
      shape.Shape() == ui::TShapeType::stRoundSquare) {
    int side = std::min(r.width(), r.height());
    r = QRect((r.width() - side) / 2, (r.height() - side) / 2, side, side);
  }
  // The pen is drawn inside the shape's bounds.
  QRectF body = QRectF(r).adjusted(pw / 2.0, pw / 2.0, -pw / 2.0, -pw / 2.0);
  if (pw > 0)
    p.setPen(QPen(ToQColor(shape.PenColor()), pw, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  else
    p.setPen(Qt::NoPen);
  p.setBrush(ToQColor(shape.BrushColor()));
  switch (shape.Shape()) {
    case ui::TShapeType::stEllipse:
    case ui::TShapeType::stCircle:
      p.setRenderHint(QPainter::Antialiasing);
      p.drawEllipse(body);
      break;
    case ui::TShapeType::stRoundRect:
    case ui::TShapeType::stRoundSquare: {
      qreal radius = std::min(r.width(), r.height()) / 4.0;
      p.setRenderHint(QPainter::Antialiasing);
      p.drawRoundedRect(body, radius, radius);
      break;
    }
    default:
      p.drawRect(body);
      break;
  }
  p.restore();
}

namespace {

void Draw(QPainter& p, const ui::TBevel& bevel, PeerHost&) {
  DrawBevel(p, QRect(0, 0, bevel.Width(), bevel.Height()), bevel.Shape(), bevel.Style());
}

void Draw(QPainter& p, const ui::TShape& shape, PeerHost&) {
  DrawShape(p, shape);
}

void Draw(QPainter& p, const ui::TImage& image, PeerHost& ws) {
  const QPixmap& pic = ws.Picture(image.Picture());
  if (!pic.isNull()) p.drawPixmap(0, 0, pic);
}

}  // namespace

template <typename C>
QWidget* DrawnPeer<C>::MakeWidget(QWidget* parent) {
  QWidget* w = PaintedPeer::MakeWidget(parent);
  if constexpr (std::is_same_v<C, ui::TBevel>)
    w->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  return w;
}

template <typename C>
bool DrawnPeer<C>::Paint(QPainter& p) {
  Draw(p, model_, widgetset());
  return true;
}

template class DrawnPeer<ui::TBevel>;
template class DrawnPeer<ui::TShape>;
template class DrawnPeer<ui::TImage>;

void SpeedButtonPeer::Resync() {
  widget()->update();
}

bool SpeedButtonPeer::Paint(QPainter& p) {
  QRect r(0, 0, button_.Width(), button_.Height());
  const bool down = button_.Down() || mouse_pressed();
  if (button_.Down() && !mouse_pressed()) {
    // A button that stays down shows a lighter, dotted face.
    p.fillRect(r, HighlightColor());
    p.fillRect(r, QBrush(FaceColor(), Qt::Dense4Pattern));
  } else {
    p.fillRect(r, FaceColor());
  }
  if (!button_.Flat() || down) {
    if (down) {
      p.setPen(ShadowColor());
      p.drawLine(r.left(), r.top(), r.right(), r.top());
      p.drawLine(r.left(), r.top(), r.left(), r.bottom());
      p.setPen(HighlightColor());
      p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
      p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    } else {
      p.setPen(HighlightColor());
      p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
      p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
      p.setPen(DarkShadowColor());
      p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
      p.drawLine(r.right(), r.top(), r.right(), r.bottom());
      p.setPen(ShadowColor());
      p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
      p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
  }
  QRect text = down ? r.translated(1, 1) : r;
  p.setFont(ToQFont(button_.Font()));
  DrawText(p, text, Qt::AlignCenter | kTextFlags, DisplayText(button_.Font(), button_.Caption()),
           ToQColor(button_.Font().Color), button_.Enabled());
  PaintFocus(p, r.adjusted(3, 3, -3, -3));
  return true;
}

}  // namespace qt
