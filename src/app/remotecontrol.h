#pragma once
// Control from outside in the running program, on Qt's event loop: the
// control surface, the requests waiting for a dialog's answer, and the
// ways in: the one-instance socket (the command line), D-Bus on the session
// bus, OSC over UDP, the MIDI ports of the cards on JACK. Subscribers hear what changed whenever
// the program is about to wait, so an idle program is not woken for them.
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>

#include "remote/requests.h"
#include "remote/surface.h"

namespace remote {
class ChannelConnection;
class MidiEndpoint;
class MidiMap;
class OscEndpoint;
class OscSocket;
}  // namespace remote

namespace app {

class CardSound;
class SingleInstance;
class DBusService;

class RemoteControl {
 public:
  // instance: whose socket the command line reaches; sound: the cards on
  // JACK, whose MIDI ports work the controls (either null: none);
  // batch_timer: what the meters' timer batches come to (they change no
  // control).
  RemoteControl(shell::AppState& state, const sim::Clock& clock, const SingleInstance* instance,
                CardSound* sound, const QObject* batch_timer, std::ostream& log);
  ~RemoteControl();
  RemoteControl(const RemoteControl&) = delete;
  RemoteControl& operator=(const RemoteControl&) = delete;

  // The program is about to wait: waiting requests run and subscribers
  // hear what changed.
  void BeforeWait();
  remote::ControlSurface& surface() { return surface_; }

 private:
  struct Connection;
  void AcceptConnections();
  void ReadFrom(std::uint64_t id);
  void WriteTo(std::uint64_t id);
  void Drop(std::uint64_t id);
  void DropStale();
  void RunWaiting();

  remote::ControlSurface surface_;
  remote::RequestQueue requests_;
  const SingleInstance* instance_;
  std::unique_ptr<QSocketNotifier> listen_;
  std::map<std::uint64_t, std::unique_ptr<Connection>> connections_;
  std::uint64_t next_connection_ = 1;
  std::unique_ptr<DBusService> dbus_;
  std::unique_ptr<remote::OscSocket> osc_socket_;
  std::unique_ptr<remote::OscEndpoint> osc_;
  std::unique_ptr<QSocketNotifier> osc_notifier_;
  CardSound* sound_;
  std::unique_ptr<remote::MidiMap> midi_map_;
  std::unique_ptr<remote::MidiEndpoint> midi_;
  std::unique_ptr<QSocketNotifier> midi_notifier_;
  // Runs waiting requests while a dialog waits; windows made hidden for
  // changes that are idle; requests never finished.
  QTimer waiting_, release_, stale_;
  // Something besides the meters' timer batches happened since the last
  // poll (the filter on the application's events tells).
  bool changed_ = true;
  std::uint64_t requests_seen_ = 0;
  std::unique_ptr<QObject> watch_;
};

}  // namespace app
