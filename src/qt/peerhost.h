#pragma once
// What a peer needs of the widgetset that made it: somewhere to leave its
// widget when it goes, whether the display is still there, the meters'
// compositor, the embedded pictures and who tells assistive technology of
// its changes. Peers know the widgetset only as this.
#include <string>

#include "ui/control.h"

class QIcon;
class QPixmap;
class QWidget;

namespace qt {

class Compositor;
class ControlPeer;

class PeerHost {
 public:
  // Takes a widget whose peer is gone: hidden now, deleted once no event
  // of it can be under way.
  virtual void Retire(QWidget* w) = 0;
  // The display went away: peers no longer touch their widgets.
  virtual bool display_gone() const = 0;
  // The meters' direct painting.
  virtual Compositor& compositor() = 0;
  // An embedded picture by file name (null pixmap when there is none).
  virtual const QPixmap& Picture(const std::string& name) = 0;
  const QPixmap& Icon() { return Picture("MIXERICON.xpm"); }
  // The mixer icon at every size of the icon theme, drawn once.
  virtual const QIcon& ThemedMixerIcon() = 0;
  // A peer changed while assistive technology listens.
  virtual void AnnounceChange(ControlPeer& peer, ui::Change what) = 0;

 protected:
  ~PeerHost() = default;
};

}  // namespace qt
