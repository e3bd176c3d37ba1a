#pragma once
// Control from outside over D-Bus: on the session bus the program owns the
// name org.morva.MorvaManager (its application id) and serves the object
// /org/morva/MorvaManager with the interface org.morva.MorvaManager:
//
//   Get(s address) -> s value            Set(s address, s value) -> s shown
//   List(s prefix) -> as "ADDRESS VALUE" Presets(s window) -> as names
//   LoadPreset(s window, s name)         SavePreset(s window, s name)
//   ErasePreset(s window, s name)        ShowWindow(s window)
//   Learn(s address, s value)            the next MIDI control moved works it
//   Forget(s address)                    Learned() -> as what MIDI learned
//   signal Changed(s address, s value)   every change, from any source (no meters)
//
// A refusal is the error org.morva.MorvaManager.Error.Failed with the
// reason; calls wait, as every request from outside does, while a dialog
// of the program waits for its answer.
#include <QDBusVirtualObject>
#include <memory>
#include <ostream>

namespace remote {
class ControlSurface;
class MidiEndpoint;
class RequestQueue;
}  // namespace remote

namespace app {

inline constexpr const char* kDBusName = "org.morva.MorvaManager";
inline constexpr const char* kDBusPath = "/org/morva/MorvaManager";
inline constexpr const char* kDBusInterface = "org.morva.MorvaManager";

class DBusService : public QDBusVirtualObject {
 public:
  // midi: where the cards take MIDI (null: they do not).
  DBusService(remote::ControlSurface& surface, remote::RequestQueue& requests,
              remote::MidiEndpoint* midi);
  ~DBusService() override;
  // Owns the name and serves the object; false (with the reason said on
  // log) where there is no session bus or the name is taken.
  bool Register(std::ostream& log);

  QString introspect(const QString& path) const override;
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

 private:
  remote::ControlSurface& surface_;
  remote::RequestQueue& requests_;
  remote::MidiEndpoint* midi_;
  int subscription_ = 0;
  bool registered_ = false;
};

}  // namespace app
