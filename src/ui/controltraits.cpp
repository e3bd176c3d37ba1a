#include "ui/controltraits.h"

namespace ui {

std::unique_ptr<Peer> MakePeer(PeerMaker& m, TControl& c) {
  const PeerFacet* f = FacetOf<PeerFacet>(c);
  return f && f->make ? f->make(m, c) : nullptr;
}

UserFacet ShownAs(ControlKind kind) {
  UserFacet f;
  f.kind = [kind](const TControl&) { return kind; };
  return f;
}

const UserFacet& UserFacetOf(const TControl& c) {
  static const UserFacet none = ShownAs(ControlKind::Decoration);
  const UserFacet* f = FacetOf<UserFacet>(c);
  return f && f->kind ? *f : none;
}

ControlKind KindOf(const TControl& c) {
  return UserFacetOf(c).kind(c);
}

TControl* HandleOwner(const TControl& c) {
  TControl* owner = AsControl(c.Owner());
  if (!owner) return nullptr;
  const UserFacet& f = UserFacetOf(*owner);
  return f.handle && f.handle(*owner) == &c ? owner : nullptr;
}

TControl* AsControl(TComponent* c) {
  return dynamic_cast<TControl*>(c);
}

}  // namespace ui
