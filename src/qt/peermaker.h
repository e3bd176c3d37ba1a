#pragma once
// The Qt widgetset's peer for each kind of control. Each class's
// registration names its kind (ui::PeerFacet), so a subclass gets its
// base's peer without being listed, and any other windowed control gets
// the panel peer.
#include <memory>

#include "ui/widgetset.h"

namespace qt {

class PeerHost;

std::unique_ptr<ui::PeerMaker> MakePeerMaker(PeerHost& ws);

}  // namespace qt
