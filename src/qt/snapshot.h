#pragma once
// Pictures of windows, for a machine without a display: a form's client
// area as Qt draws it, inside the frame and caption bar the form would have
// on the screen, at the form's outer size.
#include <QImage>
#include <QString>

#include "ui/form.h"

class QWidget;

namespace qt {

// The whole window of a form whose peer exists; a null image otherwise.
QImage RenderWindow(const ui::TForm& form);
// A top-level widget of our own (a message box, the tray stand-in) with
// the frame and caption of a dialog.
QImage RenderDialog(QWidget& window);

}  // namespace qt
