// The XEmbed tray's selection, watched on Qt's own X connection: the X
// server reports each change of its owner (XFixes), and Qt hands every event
// it reads to the application's native event filters first.
#include <xcb/xfixes.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <cstdlib>

#include "qt/traywatch.h"
#include "qt/x11connection.h"

namespace qt {

namespace {

class SelectionOwnerWatch final : public XEmbedTrayWatch, public QAbstractNativeEventFilter {
 public:
  SelectionOwnerWatch(xcb_connection_t* c, std::uint8_t first_event, xcb_atom_t selection,
                      std::function<void()> changed)
      : notify_type_(static_cast<std::uint8_t>(first_event + XCB_XFIXES_SELECTION_NOTIFY)),
        selection_(selection),
        changed_(std::move(changed)) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // Selected before the owner is read: a change in between is reported.
    xcb_xfixes_select_selection_input(c, root, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    present_ = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~SelectionOwnerWatch() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }

  bool Present() const override { return present_; }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != notify_type_) return false;
    const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
    if (notify->selection != selection_) return false;
    const bool present = notify->owner != XCB_WINDOW_NONE;
    if (present != present_) {
      present_ = present;
      if (changed_) changed_();
    }
    // Qt sees it as well (its clipboard ignores other selections).
    return false;
  }

 private:
  std::uint8_t notify_type_;
  xcb_atom_t selection_;
  std::function<void()> changed_;
  bool present_ = false;
};

}  // namespace

std::unique_ptr<XEmbedTrayWatch> WatchXEmbedTray(std::function<void()> changed) {
  xcb_connection_t* c = X11Connection();
  if (!c || xcb_connection_has_error(c)) return nullptr;
  const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
  if (!xfixes || !xfixes->present) return nullptr;
  // A client states the version it speaks before its first request.
  std::free(xcb_xfixes_query_version_reply(
      c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
  const xcb_atom_t selection = Atom(c, "_NET_SYSTEM_TRAY_S0");
  if (selection == XCB_ATOM_NONE) return nullptr;
  return std::make_unique<SelectionOwnerWatch>(c, xfixes->first_event, selection,
                                               std::move(changed));
}

}  // namespace qt
