#include "qt/snapshot.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include "qt/look.h"
#include "qt/peer.h"

namespace qt {

namespace {

constexpr int kCaptionHeight = 18;
enum class Glyph { Close, Maximize, Minimize };

// The caption buttons from the right: close, then maximize and minimize.
void DrawCaptionButton(QPainter& p, QRect r, Glyph glyph) {
  p.fillRect(r, FaceColor());
  p.setPen(HighlightColor());
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(DarkShadowColor());
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  p.setPen(ShadowColor());
  p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
  p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
  p.setPen(QPen(Qt::black, 1));
  const QPoint c = r.center();
  switch (glyph) {
    case Glyph::Close:
      for (int d = 0; d < 2; ++d) {
        p.drawLine(c.x() - 3 + d, c.y() - 3, c.x() + 2 + d, c.y() + 2);
        p.drawLine(c.x() + 2 + d, c.y() - 3, c.x() - 3 + d, c.y() + 2);
      }
      break;
    case Glyph::Maximize:
      p.drawRect(c.x() - 4, c.y() - 4, 8, 7);
      p.drawLine(c.x() - 4, c.y() - 3, c.x() + 4, c.y() - 3);
      break;
    case Glyph::Minimize:
      p.drawLine(c.x() - 3, c.y() + 2, c.x() + 2, c.y() + 2);
      p.drawLine(c.x() - 3, c.y() + 3, c.x() + 2, c.y() + 3);
      break;
  }
}

struct FrameSpec {
  int border;
  bool icon;
  bool minimize;
  bool maximize;
};

QImage Compose(const QImage& client, int width, int height, int border, const QString& title,
               const FrameSpec& spec, const QPixmap& icon) {
  QImage out(width, height, QImage::Format_RGB32);
  out.fill(FaceColor());
  QPainter p(&out);
  QRect r(0, 0, width, height);
  // The raised outer frame: light grey and white outside, grey and black inside.
  p.setPen(FaceColor());
  p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
  p.setPen(DarkShadowColor());
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  QRect in = r.adjusted(1, 1, -1, -1);
  p.setPen(HighlightColor());
  p.drawLine(in.left(), in.top(), in.right() - 1, in.top());
  p.drawLine(in.left(), in.top(), in.left(), in.bottom() - 1);
  p.setPen(ShadowColor());
  p.drawLine(in.left(), in.bottom(), in.right(), in.bottom());
  p.drawLine(in.right(), in.top(), in.right(), in.bottom());

  const int top = border;
  QRect caption(border, top, width - 2 * border, kCaptionHeight);
  p.fillRect(caption, QColor(0, 0, 128));
  int text_left = caption.left() + 3;
  if (spec.icon && !icon.isNull()) {
    p.drawPixmap(QRect(caption.left() + 1, caption.top() + 1, 16, 16), icon);
    text_left += 17;
  }
  QFont f(FamilyFor("Arial"));
  f.setPixelSize(11);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  QRect close(caption.right() - 17, caption.top() + 2, 16, 14);
  DrawCaptionButton(p, close, Glyph::Close);
  int buttons_left = close.left();
  if (spec.maximize || spec.minimize) {
    QRect max(close.left() - 18, close.top(), 16, 14);
    QRect min(max.left() - 16, close.top(), 16, 14);
    if (spec.maximize) DrawCaptionButton(p, max, Glyph::Maximize);
    if (spec.minimize) DrawCaptionButton(p, spec.maximize ? min : max, Glyph::Minimize);
    buttons_left = (spec.maximize ? min : max).left();
  }
  p.setPen(Qt::white);
  p.drawText(QRect(text_left, caption.top(), buttons_left - text_left - 2, caption.height()),
             Qt::AlignLeft | Qt::AlignVCenter, title);
  p.drawImage(border, height - border - client.height(), client);
  return out;
}

}  // namespace

QImage RenderWindow(const ui::TForm& form) {
  QWidget* w = ControlPeer::WidgetOf(form);
  if (!w) return {};
  QImage client = w->grab().toImage();
  using B = ui::TFormBorderStyle;
  const B style = form.BorderStyle();
  if (style == B::bsNone) return client;
  const int border = (form.Width() - form.ClientWidth()) / 2;
  FrameSpec spec{border, style != B::bsDialog, style == B::bsSingle || style == B::bsSizeable,
                 style == B::bsSizeable};
  auto* peer = ControlPeer::Of(&form);
  QPixmap icon = peer ? peer->widgetset().Icon() : QPixmap();
  return Compose(client, form.Width(), form.Height(), border, FromUtf8(form.Caption()), spec, icon);
}

QImage RenderDialog(QWidget& window) {
  window.adjustSize();
  QImage client = window.grab().toImage();
  constexpr int border = 3;
  FrameSpec spec{border, false, false, false};
  return Compose(client, client.width() + 2 * border,
                 client.height() + 2 * border + kCaptionHeight + 1, border, window.windowTitle(),
                 spec, QPixmap());
}

}  // namespace qt
