#pragma once
// The look of our own: the classic grey face, colours given as 00BBGGRR,
// the fonts the layouts name, pictures from the embedded XPM files, and the
// three-dimensional edges of panels and bevels.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

#include "ui/control.h"
#include "ui/extctrls.h"

class QPainter;

namespace qt {

// A colour of the model: 00BBGGRR, or a system colour (0x80000000 | index).
QColor ToQColor(ui::TColor c);
// The same as a 32-bit opaque pixel; plain colours without a QColor.
QRgb ToQRgb(ui::TColor c);
// The face of buttons and windows, and the edges of raised and sunken parts.
QColor FaceColor();
QColor HighlightColor();
QColor ShadowColor();
QColor DarkShadowColor();

// The family that stands in for a font name of the layouts ("Arial",
// "MS Sans Serif", "Times New Roman").
QString FamilyFor(const std::string& name);
QFont ToQFont(const ui::TFont& f);
// The offscreen platform (the pictures, tests): no window manager, no
// stacking order, no screen to place windows on.
bool Offscreen();
// Whether the platform lets a client place its windows and report where
// they are. A Wayland client can do neither: positions it reads there are
// not the screen's, and must never replace stored ones.
bool WindowsHavePlaces();
// The program's own top-level windows (forms, the tray stand-in), as
// opposed to windows Qt makes for itself (an XEmbed tray icon is a
// top-level window as large as the panel that holds it).
void MarkOwnWindow(QWidget* w);
bool IsOwnWindow(const QWidget* w);
// The font drawn narrower, down to 80 % of its width, until every text
// fits width; the layouts were made for a narrower system font.
QFont NarrowedToFit(QFont f, const QStringList& texts, int width);

// The quoted strings of an XPM file, in order; empty when the text holds none.
std::vector<std::string> XpmLines(std::string_view text);
// The picture of an XPM file's text; null when it is not a whole picture.
QImage ImageFromXpm(std::string_view text);
// The embedded picture with this file name ("MIXERICON.xpm"); null when
// there is none or it cannot be read.
QPixmap PictureResource(const std::string& name);

// The edge of a raised or sunken area, one pixel wide, drawn inside r;
// returns the rectangle inside it.
QRect DrawEdge(QPainter& p, QRect r, bool raised);
// A panel's frame: single border, outer bevel, border width, inner bevel.
// Returns the rectangle inside it.
QRect DrawPanelFrame(QPainter& p, QRect r, const ui::TPanel& panel);
// How many pixels of each edge that frame takes.
int PanelFrameWidth(const ui::TPanel& panel);
void DrawBevel(QPainter& p, QRect r, ui::TBevelShape shape, ui::TBevelStyle style);

// Model texts are UTF-8.
QString FromUtf8(const std::string& s);
// A caption as the control's font shows it: text in the "Symbol" font is
// written in that font's own encoding (its "ë" is the lower-left bracket
// piece), so it becomes the characters that font draws there.
QString DisplayText(const ui::TFont& font, const std::string& utf8);

}  // namespace qt
