#pragma once
// OSC over UDP: the control surface's addresses as OSC paths. A control's
// path with one argument changes it (a number of dB as float or string,
// on/off as int, T/F or string, a source or mode as string); without one
// it asks for the value, which is sent back. Besides:
//
//   /get ,s ADDRESS [,i PORT]        the value, sent back (to PORT)
//   /list [,s PREFIX] [,i PORT]      every value under PREFIX, then /list/done ,i COUNT
//   /subscribe [,s PREFIX] [,i PORT] changes (meters too) go to the sender (at PORT)
//   /unsubscribe [,i PORT]
//   /show [,s WINDOW]
//   /preset/list [,s WINDOW] [,i PORT]   one /preset ,ss WINDOW NAME each, then
//                                        /preset/list/done ,si WINDOW COUNT
//   /preset/load|save|erase ,s NAME   or ,ss WINDOW NAME
//
// Values go out typed: dB as float (-inf for no sound), on/off as int 1/0,
// names as string. What cannot be done is answered with /error ,ss PATH WHY.
// The socket listens on the loopback address unless the settings say
// otherwise (MorvaRemote.ini, section [OSC]: Port, Listen).
#include <sys/socket.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace remote {

class ControlSurface;
class RequestQueue;

// An OSC message, for feedback and tests: path, then typed arguments.
struct OscArg {
  char type;  // 'f', 'i' or 's'
  double number = 0;
  std::string text;
};
struct OscPeer {
  sockaddr_storage addr{};
  socklen_t len = 0;
  bool operator==(const OscPeer& o) const;
  // The same host at another port.
  OscPeer WithPort(int port) const;
};

struct OscSettings {
  static constexpr int kDefaultPort = 7770;
  int port = kDefaultPort;  // 0: no OSC
  std::string listen = "127.0.0.1";
};
// [OSC] of MorvaRemote.ini in the settings folder.
OscSettings ReadOscSettings();

class OscEndpoint {
 public:
  static constexpr std::size_t kMaxSubscribers = 16;
  using Send = std::function<void(const OscPeer& to, const std::string& packet)>;

  OscEndpoint(ControlSurface& surface, RequestQueue& requests, Send send);
  ~OscEndpoint();
  OscEndpoint(const OscEndpoint&) = delete;
  OscEndpoint& operator=(const OscEndpoint&) = delete;

  // One datagram: a message, or a bundle of them (carried out at once, in
  // order). What is no OSC is dropped with a line on the error output.
  void Receive(std::string_view packet, const OscPeer& from);
  std::size_t Subscribers() const { return subscribers_.size(); }

 private:
  struct Subscriber {
    OscPeer peer;
    int id;
  };
  void Message(std::string_view packet, const OscPeer& from, int depth);
  void Handle(const std::string& path, const std::vector<OscArg>& args, const OscPeer& from);
  void Reply(const OscPeer& to, const std::string& address, const std::string& value);
  void Error(const OscPeer& to, const std::string& path, const std::string& why);
  void Unsubscribe(const OscPeer& peer);

  ControlSurface& surface_;
  RequestQueue& requests_;
  Send send_;
  std::vector<Subscriber> subscribers_;
};

// The UDP socket, non-blocking, bound as the settings say.
class OscSocket {
 public:
  OscSocket() = default;
  ~OscSocket();
  OscSocket(const OscSocket&) = delete;
  OscSocket& operator=(const OscSocket&) = delete;

  bool Open(const OscSettings& settings, std::string& error);
  int fd() const { return fd_; }
  // The port the socket is bound to.
  int port() const;
  // Takes every waiting datagram into the endpoint.
  void ReadAll(OscEndpoint& endpoint);
  void SendTo(const OscPeer& to, const std::string& packet) const;

 private:
  int fd_ = -1;
};

std::string EncodeOsc(const std::string& path, const std::vector<OscArg>& args);
// One message (not a bundle): kNone for what is no OSC message, kUntyped
// for one with an argument of a type not taken here (T and F come as the
// strings "on" and "off").
enum class Decoded { kMessage, kNone, kUntyped };
Decoded DecodeOsc(std::string_view packet, std::string& path, std::vector<OscArg>& args);

}  // namespace remote
