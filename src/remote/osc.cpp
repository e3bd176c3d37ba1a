#include "remote/osc.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <lo/lo_lowlevel.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>

#include "remote/address.h"
#include "remote/requests.h"
#include "remote/surface.h"
#include "settings/inifile.h"

namespace remote {

namespace {

constexpr int kMaxBundleDepth = 4;
constexpr int kMaxDatagramsPerRead = 256;
constexpr const char* kSettingsFile = "MorvaRemote.ini";

std::uint32_t BigEndian32(const char* p) {
  return (std::uint32_t(std::uint8_t(p[0])) << 24) | (std::uint32_t(std::uint8_t(p[1])) << 16) |
         (std::uint32_t(std::uint8_t(p[2])) << 8) | std::uint32_t(std::uint8_t(p[3]));
}

std::string NumberText(double v) {
  if (std::isinf(v) && v < 0) return "-inf";
  char text[40];
  std::snprintf(text, sizeof text, "%.6g", v);
  return text;
}

// A value as the address's kind sends it.
OscArg Typed(const std::string& address, const std::string& value) {
  std::string ignored;
  const auto a = ParseAddress(address, ignored);
  const ValueKind kind = a ? KindOf(a->what) : ValueKind::kSource;
  if (kind == ValueKind::kDecibels || kind == ValueKind::kLevel) {
    const double v = value == "-inf" ? -std::numeric_limits<double>::infinity()
                                     : std::strtod(value.c_str(), nullptr);
    return {'f', v, {}};
  }
  if (kind == ValueKind::kSwitch) return {'i', value == "on" ? 1.0 : 0.0, {}};
  return {'s', 0, value};
}

bool ValidPort(double port) {
  return port >= 1 && port <= 65535 && port == std::floor(port);
}

}  // namespace

bool OscPeer::operator==(const OscPeer& o) const {
  return len == o.len && std::memcmp(&addr, &o.addr, len) == 0;
}

OscPeer OscPeer::WithPort(int port) const {
  OscPeer p = *this;
  if (p.addr.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in&>(p.addr).sin_port = htons(static_cast<std::uint16_t>(port));
  else if (p.addr.ss_family == AF_INET6)
    reinterpret_cast<sockaddr_in6&>(p.addr).sin6_port = htons(static_cast<std::uint16_t>(port));
  return p;
}

OscSettings ReadOscSettings() {
  OscSettings s;
  const settings::TIniFile ini(kSettingsFile);
  s.port = ini.ReadInteger("OSC", "Port", OscSettings::kDefaultPort);
  s.listen = ini.ReadString("OSC", "Listen", s.listen);
  return s;
}

std::string EncodeOsc(const std::string& path, const std::vector<OscArg>& args) {
  lo_message m = lo_message_new();
  if (!m) return {};
  for (const OscArg& a : args) {
    if (a.type == 'f')
      lo_message_add_float(m, static_cast<float>(a.number));
    else if (a.type == 'i')
      lo_message_add_int32(m, static_cast<std::int32_t>(a.number));
    else
      lo_message_add_string(m, a.text.c_str());
  }
  std::size_t size = 0;
  std::unique_ptr<void, decltype(&std::free)> data(
      lo_message_serialise(m, path.c_str(), nullptr, &size), &std::free);
  lo_message_free(m);
  if (!data) return {};
  return std::string(static_cast<const char*>(data.get()), size);
}

// ---- the endpoint

OscEndpoint::OscEndpoint(ControlSurface& surface, RequestQueue& requests, Send send)
    : surface_(surface), requests_(requests), send_(std::move(send)) {}

OscEndpoint::~OscEndpoint() {
  for (const Subscriber& s : subscribers_) surface_.Unsubscribe(s.id);
}

void OscEndpoint::Receive(std::string_view packet, const OscPeer& from) {
  Message(packet, from, 0);
}

// A bundle is "#bundle", a time tag, then elements each behind its size;
// its messages are carried out at once, whatever the time tag says.
void OscEndpoint::Message(std::string_view packet, const OscPeer& from, int depth) {
  static constexpr std::string_view kBundle("#bundle\0", 8);
  if (packet.substr(0, kBundle.size()) == kBundle) {
    if (depth >= kMaxBundleDepth || packet.size() < 16) {
      std::cerr << "morva-manager: OSC: a bundle that is none was dropped\n";
      return;
    }
    std::size_t at = 16;
    while (at + 4 <= packet.size()) {
      const std::uint32_t size = BigEndian32(packet.data() + at);
      at += 4;
      if (size > packet.size() - at || size % 4 != 0) {
        std::cerr << "morva-manager: OSC: a bundle element beyond the packet was dropped\n";
        return;
      }
      Message(packet.substr(at, size), from, depth + 1);
      at += size;
    }
    return;
  }
  std::string path;
  std::vector<OscArg> args;
  switch (DecodeOsc(packet, path, args)) {
    case Decoded::kNone:
      std::cerr << "morva-manager: OSC: a packet that is no OSC message was dropped\n";
      return;
    case Decoded::kUntyped:
      return Error(from, path, "an argument of a type MORVA Manager does not take");
    case Decoded::kMessage:
      break;
  }
  const bool queued = requests_.Submit([this, path, args, from] { Handle(path, args, from); });
  if (!queued) std::cerr << "morva-manager: OSC: too many requests wait; " << path << " dropped\n";
}

Decoded DecodeOsc(std::string_view packet, std::string& path, std::vector<OscArg>& args) {
  args.clear();
  if (packet.empty()) return Decoded::kNone;
  // liblo reads the message from its own copy.
  std::string copy(packet);
  int result = 0;
  lo_message m = lo_message_deserialise(copy.data(), copy.size(), &result);
  if (!m) return Decoded::kNone;
  const char* p = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
  const char* types = lo_message_get_types(m);
  lo_arg** argv = lo_message_get_argv(m);
  const int argc = lo_message_get_argc(m);
  path = p ? p : "";
  Decoded decoded = p && types ? Decoded::kMessage : Decoded::kNone;
  for (int i = 0; decoded == Decoded::kMessage && i < argc; ++i) {
    // liblo's arguments lie on 4-byte bounds, not on lo_arg's own: they are
    // copied out, never read through the union.
    const char* at = reinterpret_cast<const char*>(argv[i]);
    auto copy = [at](auto v) {
      std::memcpy(&v, at, sizeof v);
      return static_cast<double>(v);
    };
    switch (types[i]) {
      case 'i':
        args.push_back({'i', copy(std::int32_t{}), {}});
        break;
      case 'h':
        args.push_back({'i', copy(std::int64_t{}), {}});
        break;
      case 'f':
        args.push_back({'f', copy(float{}), {}});
        break;
      case 'd':
        args.push_back({'f', copy(double{}), {}});
        break;
      case 's':
      case 'S':
        args.push_back({'s', 0, at});
        break;
      case 'T':
      case 'F':
        args.push_back({'s', 0, types[i] == 'T' ? "on" : "off"});
        break;
      default:
        decoded = Decoded::kUntyped;
    }
  }
  lo_message_free(m);
  return decoded;
}

void OscEndpoint::Handle(const std::string& path, const std::vector<OscArg>& args,
                         const OscPeer& from) {
  // The requests' arguments are strings, and a port as an int last; a
  // control's value is any one argument.
  const bool request = path == "/get" || path == "/list" || path == "/subscribe" ||
                       path == "/unsubscribe" || path == "/show" || path.rfind("/preset/", 0) == 0;
  std::vector<std::string> names;
  int port = 0;
  for (std::size_t i = 0; request && i < args.size(); ++i) {
    if (args[i].type == 's')
      names.push_back(args[i].text);
    else if (args[i].type == 'i' && i + 1 == args.size() && ValidPort(args[i].number))
      port = static_cast<int>(args[i].number);
    else
      return Error(from, path, "the arguments are names (,s) and a port (,i) last");
  }
  const OscPeer to = port ? from.WithPort(port) : from;
  auto name = [&](std::size_t i) { return i < names.size() ? names[i] : std::string(); };
  if (path == "/get") {
    if (names.size() != 1) return Error(from, path, "/get takes an address");
    const remote::Reply r = surface_.Get(names[0]);
    return r.ok ? Reply(to, names[0], r.text) : Error(from, names[0], r.text);
  }
  if (path == "/list") {
    const remote::Reply r = surface_.List(name(0));
    if (!r.ok) return Error(from, path, r.text);
    int count = 0;
    for (std::size_t at = 0; at < r.text.size();) {
      const std::size_t nl = r.text.find('\n', at);
      const std::string line = r.text.substr(at, nl - at);
      at = nl == std::string::npos ? r.text.size() : nl + 1;
      const std::size_t blank = line.find(' ');
      if (blank == std::string::npos) continue;
      Reply(to, line.substr(0, blank), line.substr(blank + 1));
      ++count;
    }
    return send_(to, EncodeOsc("/list/done", {{'i', double(count), {}}}));
  }
  if (path == "/subscribe") {
    if (names.size() > 1) return Error(from, path, "/subscribe takes one prefix");
    // A new subscription of a peer takes the place of its old one.
    Unsubscribe(to);
    if (subscribers_.size() >= kMaxSubscribers)
      return Error(from, path, "too many subscribers (at most 16)");
    const int id = surface_.Subscribe(
        name(0), [this, to](const std::string& a, const std::string& v) { Reply(to, a, v); }, true,
        true);
    subscribers_.push_back({to, id});
    return;
  }
  if (path == "/unsubscribe") return Unsubscribe(to);
  if (path == "/show") {
    const remote::Reply r = surface_.Show(name(0));
    if (!r.ok) Error(from, path, r.text);
    return;
  }
  if (path == "/preset/list") {
    const std::string window = names.empty() ? "all" : names[0];
    const remote::Reply r = surface_.Presets(window);
    if (!r.ok) return Error(from, path, r.text);
    int count = 0;
    for (std::size_t at = 0; at < r.text.size();) {
      const std::size_t nl = r.text.find('\n', at);
      send_(to, EncodeOsc("/preset", {{'s', 0, window}, {'s', 0, r.text.substr(at, nl - at)}}));
      at = nl == std::string::npos ? r.text.size() : nl + 1;
      ++count;
    }
    return send_(to, EncodeOsc("/preset/list/done", {{'s', 0, window}, {'i', double(count), {}}}));
  }
  if (path == "/preset/load" || path == "/preset/save" || path == "/preset/erase") {
    if (names.empty() || names.size() > 2)
      return Error(from, path, path + " takes a name, or a window and a name");
    const std::string window = names.size() == 2 ? names[0] : "all";
    const std::string& preset = names.back();
    const remote::Reply r = path == "/preset/load"   ? surface_.LoadPreset(window, preset)
                            : path == "/preset/save" ? surface_.SavePreset(window, preset)
                                                     : surface_.ErasePreset(window, preset);
    if (!r.ok) Error(from, path, r.text);
    return;
  }
  // A control: its value asked for, or changed.
  if (args.empty()) {
    const remote::Reply r = surface_.Get(path);
    return r.ok ? Reply(from, path, r.text) : Error(from, path, r.text);
  }
  if (args.size() != 1) return Error(from, path, "a control takes one value");
  const remote::Reply r =
      surface_.Set(path, args[0].type == 's' ? args[0].text : NumberText(args[0].number));
  if (!r.ok) Error(from, path, r.text);
}

void OscEndpoint::Reply(const OscPeer& to, const std::string& address, const std::string& value) {
  send_(to, EncodeOsc(address, {Typed(address, value)}));
}

void OscEndpoint::Error(const OscPeer& to, const std::string& path, const std::string& why) {
  send_(to, EncodeOsc("/error", {{'s', 0, path}, {'s', 0, why}}));
}

void OscEndpoint::Unsubscribe(const OscPeer& peer) {
  std::erase_if(subscribers_, [&](const Subscriber& s) {
    if (!(s.peer == peer)) return false;
    surface_.Unsubscribe(s.id);
    return true;
  });
}

// ---- the socket

OscSocket::~OscSocket() {
  if (fd_ >= 0) ::close(fd_);
}

bool OscSocket::Open(const OscSettings& settings, std::string& error) {
  if (settings.port < 1 || settings.port > 65535) {
    error = "the port " + std::to_string(settings.port) + " is none (1 to 65535)";
    return false;
  }
  std::string host = settings.listen;
  if (host == "any" || host.empty()) host = "0.0.0.0";
  if (host == "localhost") host = "127.0.0.1";
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(settings.port);
  if (const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    error = "the listening address " + settings.listen + " is none: " + ::gai_strerror(rc);
    return false;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> hold(found, &::freeaddrinfo);
  fd_ = ::socket(found->ai_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || ::bind(fd_, found->ai_addr, found->ai_addrlen) != 0) {
    error = "cannot listen on " + host + " port " + port + ": " + std::strerror(errno);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

int OscSocket::port() const {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in&>(a).sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6&>(a).sin6_port);
  return 0;
}

void OscSocket::ReadAll(OscEndpoint& endpoint) {
  static char buf[65536];
  for (int i = 0; i < kMaxDatagramsPerRead; ++i) {
    OscPeer from;
    from.len = sizeof from.addr;
    const ssize_t n =
        ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from.addr), &from.len);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return;
    endpoint.Receive(std::string_view(buf, static_cast<std::size_t>(n)), from);
  }
}

void OscSocket::SendTo(const OscPeer& to, const std::string& packet) const {
  if (fd_ < 0 || packet.empty()) return;
  ::sendto(fd_, packet.data(), packet.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&to.addr), to.len);
}

}  // namespace remote
