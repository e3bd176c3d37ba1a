#include "qt/peermaker.h"

#include "qt/formpeer.h"
#include "qt/paintedpeers.h"
#include "qt/stdpeers.h"

namespace qt {

namespace {

struct WidgetsetOfMaker {
  PeerHost* ws = nullptr;
};

// The maker's overload for P's kind of control (P::Control). Each kind has
// one peer class: two for one kind leave the overload without a final
// overrider, which does not compile.
template <typename P>
class MakerOf : public virtual ui::PeerMaker, protected virtual WidgetsetOfMaker {
 public:
  using ui::PeerMaker::Make;
  std::unique_ptr<ui::Peer> Make(typename P::Control& c) override {
    auto p = std::make_unique<P>(*ws, c);
    p->Attach();
    return p;
  }
};

template <typename... P>
class Makers final : public MakerOf<P>... {
 public:
  explicit Makers(PeerHost& w) { this->ws = &w; }
};

// Panels (the fader groove, its thumb and the meters among them), pages and
// any other windowed control are a filled, bevelled area.
using QtPeerMaker =
    Makers<FormPeer, SpeedButtonPeer, LabelPeer, DrawnPeer<ui::TBevel>, DrawnPeer<ui::TShape>,
           DrawnPeer<ui::TImage>, StdPeer<ui::TCheckBox>, StdPeer<ui::TRadioButton>,
           StdPeer<ui::TButton>, StdPeer<ui::TEdit>, StdPeer<ui::TListBox>, StdPeer<ui::TComboBox>,
           StdPeer<ui::TTrackBar, ControlPeer>, StdPeer<ui::TGroupBox, ControlPeer>, ScrollBoxPeer,
           PanelPeer>;

}  // namespace

std::unique_ptr<ui::PeerMaker> MakePeerMaker(PeerHost& ws) {
  return std::make_unique<QtPeerMaker>(ws);
}

}  // namespace qt
