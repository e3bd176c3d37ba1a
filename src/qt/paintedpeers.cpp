#include "qt/paintedpeers.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <type_traits>

#include "qt/compositor.h"
#include "qt/lampfills.h"
#include "qt/look.h"
#include "qt/qtwidgetset.h"

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
  takes_focus_ = w->focusPolicy() != Qt::NoFocus;
  return w;
}

PanelPeer::~PanelPeer() {
  widgetset().compositor().Forget(this);
}

void PanelPeer::ChildChanged(ui::TControl& child, ui::Change what) {
  // A lamp switching repaints the lamp's own rectangle; anything else the
  // whole panel. Without a widget there is nothing to repaint: the flush
  // finds that out once.
  const QRect r = what == ui::Change::Color || what == ui::Change::State
                      ? QRect(child.Left(), child.Top(), child.Width(), child.Height())
                      : QRect(0, 0, control().Width(), control().Height());
  if (what == ui::Change::Bounds || what == ui::Change::Visible) places_.clear();
  if (dirty_.isNull()) widgetset().compositor().MarkDirty(this);
  dirty_ |= r;
}

// A run of lamps lies between its first and its last: the area joining the
// two covers it.
void PanelPeer::ChildrenChanged(ui::TControl& first, ui::TControl& last, ui::Change what) {
  ChildChanged(first, what);
  ChildChanged(last, what);
}

void PanelPeer::FlushDirty() {
  if (QWidget* w = widget(); w && !dirty_.isNull()) w->update(dirty_);
  dirty_ = QRect();
}

namespace {

bool Shown(const QObject* o) {
  const auto* w = qobject_cast<const QWidget*>(o);
  return w && !w->isWindow() && w->isVisible();
}

// Another widget over r (in w's coordinates): one of w's children, or a
// sibling of w or of one of its parents that lies above it.
bool Covered(const QWidget* w, QRect r) {
  for (const QObject* o : w->children())
    if (Shown(o) && static_cast<const QWidget*>(o)->geometry().intersects(r)) return true;
  for (; w && !w->isWindow(); w = w->parentWidget()) {
    r.translate(w->pos());
    const QObjectList& siblings = w->parentWidget()->children();
    for (auto it = siblings.rbegin(); it != siblings.rend() && *it != w; ++it)
      if (Shown(*it) && static_cast<const QWidget*>(*it)->geometry().intersects(r)) return true;
  }
  return false;
}

}  // namespace

QRect PanelPeer::DirectArea() {
  QWidget* w = widget();
  if (!w || dirty_.isNull()) return {};
  const unsigned generation = widgetset().compositor().WidgetChanges();
  if (!place_.known || place_.generation != generation) {
    // A part shows whole or clipped by a parent (a scrolled strip area):
    // one rectangle.
    const QRegion visible = w->isVisible() ? w->visibleRegion() : QRegion();
    place_ = Place{generation,
                   true,
                   visible.rectCount() == 1 && !Covered(w, w->rect()),
                   w->window(),
                   visible.boundingRect(),
                   w->mapTo(w->window(), QPoint())};
  }
  // Nothing of it shows (scrolled out of its strip area): Qt paints it
  // whole when it comes into view.
  if (place_.visible.isEmpty()) dirty_ = QRect();
  if (!place_.usable) return {};
  return (place_.visible & dirty_).translated(place_.at);
}

void PanelPeer::PaintDirect(QPainter& p, const QRect& area) {
  p.setTransform(QTransform::fromTranslate(place_.at.x(), place_.at.y()));
  p.setClipRect(area.translated(-place_.at));
  SetPaintRect(dirty_);
  Paint(p);
  dirty_ = QRect();
}

namespace {

// Inline, unlike QRect's own: a few of these run for every lamp painted.
bool Meet(const QRect& a, const QRect& b) {
  return !a.isEmpty() && !b.isEmpty() && a.left() <= b.right() && b.left() <= a.right() &&
         a.top() <= b.bottom() && b.top() <= a.bottom();
}
QRect Common(const QRect& a, const QRect& b) {
  return QRect(QPoint(std::max(a.left(), b.left()), std::max(a.top(), b.top())),
               QPoint(std::min(a.right(), b.right()), std::min(a.bottom(), b.bottom())));
}

}  // namespace

const std::vector<PanelPeer::ChildPlace>& PanelPeer::Places() {
  const int n = panel_.ControlCount();
  if (places_.size() == static_cast<std::size_t>(n)) return places_;
  places_.clear();
  for (int i = 0; i < n; ++i) {
    const ui::TControl* child = panel_.Controls(i);
    places_.push_back({QRect(child->Left(), child->Top(), child->Width(), child->Height()),
                       child->DrawnByParent() && child->Visible()});
  }
  return places_;
}

template <typename F>
bool PanelPeer::ForEachDrawnChild(const QRect& r, F f) {
  const std::vector<ChildPlace>& places = Places();
  const auto [first, last] = panel_.ChildrenInRows(r.top(), r.bottom() + 1);
  for (int i = first; i <= last; ++i) {
    const ChildPlace& place = places[static_cast<std::size_t>(i)];
    if (place.drawn && Meet(r, place.bounds) && !f(panel_.Controls(i), place.bounds)) return false;
  }
  return true;
}

// The same pixels as Paint for a part within the frame that holds only
// lamps; anything else (a caption, the frame, the focus, other shapes)
// takes the painter.
bool PanelPeer::PaintPixels(QImage* image, const QRect& area, std::vector<SolidFill>& fills) {
  const ui::TControl& c = control();
  if (!FrameUntouched(dirty_) || (takes_focus_ && widget()->hasFocus())) return false;
  const QRect r(0, 0, c.Width(), c.Height());
  const std::size_t start = fills.size();
  auto fill = [&](const QRect& part, QRgb colour, int layer) {
    fills.push_back({part.translated(place_.at), colour, layer});
  };
  const QRect part = dirty_ & r & area.translated(-place_.at);
  // Outlines and insides: a lamp's outline as layer 1, its inside as 2.
  // The face (layer 0) shows only where the lamps leave rows of the part
  // uncovered; lamps of a column meet row on row.
  int covered_top = part.bottom() + 1;
  bool covered = true;
  const bool plain = ForEachDrawnChild(part, [&](const ui::TControl* child, const QRect& bounds) {
    const ui::TShape* lamp = PlainLamp(child);
    if (!lamp) return false;
    covered = covered && bounds.left() <= part.left() && bounds.right() >= part.right() &&
              bounds.bottom() + 1 >= covered_top;
    covered_top = std::min(covered_top, bounds.top());
    for (const SolidFill& f : LampFills(*lamp, bounds))
      fill(Common(f.rect, part), f.colour, f.layer);
    return true;
  });
  if (!plain) {
    fills.resize(start);
    return false;
  }
  // All outlines before all insides gives the same pixels as lamp after
  // lamp when the outlines share one colour and no inside meets another
  // lamp (lamps share their outlines, nothing more).
  for (std::size_t a = start; a < fills.size(); a += 2)
    for (std::size_t b = start; b < fills.size(); b += 2)
      if (fills[a].colour != fills[b].colour ||
          (a != b && Meet(fills[a + 1].rect, fills[b].rect))) {
        fills.resize(start);
        return false;
      }
  if (!covered || covered_top > part.top()) fill(part, FillColorOf(c).rgb(), 0);
  dirty_ = QRect();
  if (!image) {
    if (stale_.isNull()) widgetset().compositor().MarkStale(this);
    stale_ |= part;
    return true;
  }
  FillPixels(*image, std::span(fills).subspan(start));
  return true;
}

void PanelPeer::CatchUp() {
  if (QWidget* w = widget(); w && !stale_.isNull()) w->update(stale_);
  stale_ = QRect();
}

bool PanelPeer::Paint(QPainter& p) {
  const ui::TControl& c = control();
  const QRect r(0, 0, c.Width(), c.Height());
  const QRect dirty = PaintRect().isValid() ? PaintRect() : r;
  p.fillRect(dirty & r, FillColorOf(c));
  if (!FrameUntouched(dirty)) {
    QRect inner = DrawPanelFrame(p, r, *as_panel_);
    if (!c.Caption().empty()) {
      p.setFont(ToQFont(c.Font()));
      DrawText(p, inner, AlignmentFlags(as_panel_->Alignment()) | Qt::AlignVCenter | kTextFlags,
               DisplayText(c.Font(), c.Caption()), ToQColor(c.Font().Color), c.Enabled());
    }
  }
  PaintFocus(p, r.adjusted(3, 3, -3, -3));
  // The children it draws itself: the lamps where they meet the repaint.
  ForEachDrawnChild(dirty, [&p](const ui::TControl* child, const QRect& bounds) {
    if (auto* shape = dynamic_cast<const ui::TShape*>(child))
      DrawShape(p, *shape, bounds.topLeft());
    return true;
  });
  return true;
}

// Lamps that switch inside the frame repaint only their own part of it.
bool PanelPeer::FrameUntouched(const QRect& dirty) const {
  if (!as_panel_) return true;
  const int k = PanelFrameWidth(*as_panel_);
  return control().Caption().empty() &&
         QRect(0, 0, control().Width(), control().Height()).adjusted(k, k, -k, -k).contains(dirty);
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

void Draw(QPainter& p, const ui::TBevel& bevel, QtWidgetset&) {
  DrawBevel(p, QRect(0, 0, bevel.Width(), bevel.Height()), bevel.Shape(), bevel.Style());
}

void Draw(QPainter& p, const ui::TShape& shape, QtWidgetset&) {
  DrawShape(p, shape);
}

void Draw(QPainter& p, const ui::TImage& image, QtWidgetset& ws) {
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
