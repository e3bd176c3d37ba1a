#pragma once
// The Qt widgetset's peer for each kind of control. A control asks for the
// peer of its own class (ui::TControl::MakePeer), so a subclass gets its
// base's peer without being listed, and any other windowed control gets
// the panel peer.
#include <memory>

#include "ui/widgetset.h"

namespace qt {

class PeerHost;

std::unique_ptr<ui::PeerMaker> MakePeerMaker(PeerHost& ws);

}  // namespace qt
