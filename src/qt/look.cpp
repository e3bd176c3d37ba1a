#include "qt/look.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "ui/resources.h"

namespace qt {

namespace {

constexpr std::uint32_t kSystemColour = 0x80000000u;

// The classic system colours, by their index.
QColor SystemColour(std::uint32_t index) {
  switch (index) {
    case 5:  // window
      return QColor(255, 255, 255);
    case 8:   // window text
    case 18:  // button text
      return QColor(0, 0, 0);
    case 16:  // button shadow
    case 17:  // grey text
      return QColor(128, 128, 128);
    case 20:  // button highlight
      return QColor(255, 255, 255);
    case 21:  // dark shadow
      return QColor(0, 0, 0);
    case 15:  // button face
    default:
      return QColor(192, 192, 192);
  }
}

}  // namespace

QColor ToQColor(ui::TColor c) {
  auto v = static_cast<std::uint32_t>(c);
  if (v & kSystemColour) return SystemColour(v & 0xFF);
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

QRgb ToQRgb(ui::TColor c) {
  const auto v = static_cast<std::uint32_t>(c);
  if (v & kSystemColour) return ToQColor(c).rgb();
  return qRgb(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
              static_cast<int>((v >> 16) & 0xFF));
}

QColor FaceColor() {
  return SystemColour(15);
}
QColor HighlightColor() {
  return SystemColour(20);
}
QColor ShadowColor() {
  return SystemColour(16);
}
QColor DarkShadowColor() {
  return SystemColour(21);
}

QString FamilyFor(const std::string& name) {
  if (name == "Symbol") return QStringLiteral("DejaVu Sans");
  if (name == "Times New Roman") return QStringLiteral("Liberation Serif");
  if (name == "Courier New" || name == "Courier") return QStringLiteral("Liberation Mono");
  // Arial, MS Sans Serif and the rest: the metric-compatible sans serif.
  return QStringLiteral("Liberation Sans");
}

QFont ToQFont(const ui::TFont& f) {
  QFont q(FamilyFor(f.Name));
  // A negative height is the character height, a positive one the cell's.
  int px = f.Height < 0 ? -f.Height : (f.Height * 4 + 2) / 5;
  q.setPixelSize(px > 0 ? px : 11);
  q.setBold(f.Bold);
  q.setItalic(f.Italic);
  q.setUnderline(f.Underline);
  q.setStrikeOut(f.StrikeOut);
  q.setHintingPreference(QFont::PreferFullHinting);
  return q;
}

bool Offscreen() {
  return QGuiApplication::platformName() == QLatin1String("offscreen");
}

bool WindowsHavePlaces() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

namespace {
constexpr char kOwnWindow[] = "morvaOwnWindow";
}

void MarkOwnWindow(QWidget* w) {
  w->setProperty(kOwnWindow, true);
}

bool IsOwnWindow(const QWidget* w) {
  return w->property(kOwnWindow).toBool();
}

QFont NarrowedToFit(QFont f, const QStringList& texts, int width) {
  for (int stretch = 100; stretch >= 80; stretch -= 5) {
    f.setStretch(stretch);
    const QFontMetrics fm(f);
    int widest = 0;
    for (const QString& t : texts) widest = std::max(widest, fm.horizontalAdvance(t));
    if (widest <= width) break;
  }
  return f;
}

std::vector<std::string> XpmLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i++];
    if (c == '/' && i < text.size() && text[i] == '*') {
      // A comment may hold quotes of its own.
      std::size_t end = text.find("*/", i + 1);
      i = end == std::string_view::npos ? text.size() : end + 2;
    } else if (c == '"') {
      std::string s;
      while (i < text.size() && text[i] != '"') {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        s += text[i++];
      }
      if (i >= text.size()) return {};  // unterminated: not a picture
      ++i;
      lines.push_back(std::move(s));
    }
  }
  return lines;
}

QImage ImageFromXpm(std::string_view text) {
  std::vector<std::string> lines = XpmLines(text);
  if (lines.empty()) return {};
  // Qt takes the number of lines from the header: a short or cut file must
  // not make it read past the array.
  int w = 0, h = 0, colours = 0, cpp = 0;
  if (std::sscanf(lines[0].c_str(), "%d %d %d %d", &w, &h, &colours, &cpp) != 4 || w <= 0 ||
      h <= 0 || colours <= 0 || cpp <= 0 || w > 4096 || h > 4096 || colours > 65536)
    return {};
  if (lines.size() < static_cast<std::size_t>(1 + colours + h)) return {};
  for (int row = 0; row < h; ++row)
    if (lines[1 + colours + row].size() < static_cast<std::size_t>(w) * cpp) return {};
  std::vector<const char*> ptrs;
  ptrs.reserve(lines.size());
  for (const std::string& l : lines) ptrs.push_back(l.c_str());
  return QImage(ptrs.data());
}

QPixmap PictureResource(const std::string& name) {
  auto text = ui::FindResource(name);
  if (!text) return {};
  QImage img = ImageFromXpm(*text);
  return img.isNull() ? QPixmap() : QPixmap::fromImage(img);
}

QRect DrawEdge(QPainter& p, QRect r, bool raised) {
  if (r.width() <= 0 || r.height() <= 0) return r;
  QColor tl = raised ? HighlightColor() : ShadowColor();
  QColor br = raised ? ShadowColor() : HighlightColor();
  p.setPen(tl);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(br);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
  return r.adjusted(1, 1, -1, -1);
}

namespace {
QRect DrawCut(QPainter& p, QRect r, ui::TBevelCut cut, int width) {
  if (cut == ui::TBevelCut::bvNone) return r;
  for (int i = 0; i < width; ++i) {
    if (cut == ui::TBevelCut::bvSpace)
      r = r.adjusted(1, 1, -1, -1);
    else
      r = DrawEdge(p, r, cut == ui::TBevelCut::bvRaised);
  }
  return r;
}
}  // namespace

int PanelFrameWidth(const ui::TPanel& panel) {
  const int bw = std::max(1, panel.BevelWidth());
  return (panel.BorderSingle() ? 1 : 0) + (panel.BevelOuter() != ui::TBevelCut::bvNone ? bw : 0) +
         std::max(0, panel.BorderWidth()) + (panel.BevelInner() != ui::TBevelCut::bvNone ? bw : 0);
}

QRect DrawPanelFrame(QPainter& p, QRect r, const ui::TPanel& panel) {
  if (panel.BorderSingle()) {
    p.setPen(DarkShadowColor());
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r = r.adjusted(1, 1, -1, -1);
  }
  int bw = std::max(1, panel.BevelWidth());
  r = DrawCut(p, r, panel.BevelOuter(), bw);
  int border = std::max(0, panel.BorderWidth());
  r = r.adjusted(border, border, -border, -border);
  return DrawCut(p, r, panel.BevelInner(), bw);
}

void DrawBevel(QPainter& p, QRect r, ui::TBevelShape shape, ui::TBevelStyle style) {
  bool lowered = style == ui::TBevelStyle::bsLowered;
  QColor first = lowered ? ShadowColor() : HighlightColor();
  QColor second = lowered ? HighlightColor() : ShadowColor();
  auto hline = [&](int y, const QColor& c) {
    p.setPen(c);
    p.drawLine(r.left(), y, r.right(), y);
  };
  auto vline = [&](int x, const QColor& c) {
    p.setPen(c);
    p.drawLine(x, r.top(), x, r.bottom());
  };
  switch (shape) {
    case ui::TBevelShape::bsBox:
      DrawEdge(p, r, !lowered);
      break;
    case ui::TBevelShape::bsFrame:
      // Two nested edges, one of each kind, make the etched frame.
      p.setPen(first);
      p.setBrush(Qt::NoBrush);
      p.drawRect(r.adjusted(0, 0, -2, -2));
      p.setPen(second);
      p.drawRect(r.adjusted(1, 1, -1, -1));
      break;
    case ui::TBevelShape::bsTopLine:
      hline(r.top(), first);
      hline(r.top() + 1, second);
      break;
    case ui::TBevelShape::bsBottomLine:
      hline(r.bottom() - 1, first);
      hline(r.bottom(), second);
      break;
    case ui::TBevelShape::bsLeftLine:
      vline(r.left(), first);
      vline(r.left() + 1, second);
      break;
    case ui::TBevelShape::bsRightLine:
      vline(r.right() - 1, first);
      vline(r.right(), second);
      break;
    case ui::TBevelShape::bsSpacer:
      break;
  }
}

QString FromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

namespace {

// The "Symbol" font's characters 0xA0 to 0xFF.
constexpr char16_t kSymbolHigh[] =
    u"\u00A0\u03D2\u2032\u2264\u2044\u221E\u0192\u2663\u2666\u2665\u2660\u2194\u2190\u2191"
    u"\u2192\u2193\u00B0\u00B1\u2033\u2265\u00D7\u221D\u2202\u2022\u00F7\u2260\u2261\u2248"
    u"\u2026\u23D0\u23AF\u21B5\u2135\u2111\u211C\u2118\u2297\u2295\u2205\u2229\u222A\u2283"
    u"\u2287\u2284\u2282\u2286\u2208\u2209\u2220\u2207\u00AE\u00A9\u2122\u220F\u221A\u22C5"
    u"\u00AC\u2227\u2228\u21D4\u21D0\u21D1\u21D2\u21D3\u25CA\u2329\u00AE\u00A9\u2122\u2211"
    u"\u239B\u239C\u239D\u23A1\u23A2\u23A3\u23A7\u23A8\u23A9\u23AA\u0020\u232A\u222B\u2320"
    u"\u23AE\u2321\u239E\u239F\u23A0\u23A4\u23A5\u23A6\u23AB\u23AC\u23AD\u0020";
// Its Greek letters, in the places of A to Z and a to z.
constexpr char16_t kSymbolUpper[] =
    u"\u0391\u0392\u03A7\u0394\u0395\u03A6\u0393\u0397\u0399\u03D1\u039A\u039B\u039C\u039D"
    u"\u039F\u03A0\u0398\u03A1\u03A3\u03A4\u03A5\u03C2\u03A9\u039E\u03A8\u0396";
constexpr char16_t kSymbolLower[] =
    u"\u03B1\u03B2\u03C7\u03B4\u03B5\u03C6\u03B3\u03B7\u03B9\u03D5\u03BA\u03BB\u03BC\u03BD"
    u"\u03BF\u03C0\u03B8\u03C1\u03C3\u03C4\u03C5\u03D6\u03C9\u03BE\u03C8\u03B6";
static_assert(sizeof(kSymbolHigh) / sizeof(char16_t) == 97);
static_assert(sizeof(kSymbolUpper) / sizeof(char16_t) == 27);

QChar SymbolChar(char16_t c) {
  if (c >= 0xA0 && c <= 0xFF) return QChar(kSymbolHigh[c - 0xA0]);
  if (c >= u'A' && c <= u'Z') return QChar(kSymbolUpper[c - u'A']);
  if (c >= u'a' && c <= u'z') return QChar(kSymbolLower[c - u'a']);
  switch (c) {
    case u'"':
      return QChar(0x2200);
    case u'$':
      return QChar(0x2203);
    case u'\'':
      return QChar(0x220B);
    case u'*':
      return QChar(0x2217);
    case u'-':
      return QChar(0x2212);
    case u'@':
      return QChar(0x2245);
    case u'\\':
      return QChar(0x2234);
    case u'^':
      return QChar(0x22A5);
    case u'~':
      return QChar(0x223C);
    default:
      return QChar(c);
  }
}

}  // namespace

QString DisplayText(const ui::TFont& font, const std::string& utf8) {
  QString s = FromUtf8(utf8);
  if (font.Name != "Symbol") return s;
  for (QChar& ch : s) ch = SymbolChar(ch.unicode());
  return s;
}

}  // namespace qt
