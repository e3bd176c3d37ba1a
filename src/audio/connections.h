#pragma once
// What the cards remember of their connections: each as the full names of
// the two ports, the one that sends and the one that takes, so that it can
// be made again when the program starts, or when a port it names comes
// back (a player started after the program). Only what was connected is
// remembered, and only what is remembered is connected; a connection the
// user takes apart is forgotten, one whose other port went away is kept.
#include <compare>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace audio {

struct Connection {
  std::string source;       // an output port
  std::string destination;  // an input port
  friend auto operator<=>(const Connection&, const Connection&) = default;
};

// What the memory asks of the server.
class PortGraph {
 public:
  virtual ~PortGraph() = default;
  virtual bool Exists(const std::string& port) = 0;
  virtual bool Connected(const Connection& c) = 0;
  // True when the connection is made (or was there).
  virtual bool Connect(const Connection& c) = 0;
  // Every connection of the cards' own ports.
  virtual std::vector<Connection> Current() = 0;
};

class ConnectionMemory {
 public:
  // The stored text: one connection a line, the two names separated by a
  // tab, a backslash escaping a backslash, tab or line break in a name.
  // Lines that are not such a pair are passed over.
  static ConnectionMemory Parse(std::string_view text);
  std::string Text() const;

  // One look at the graph: a remembered connection whose ports have both
  // come since the last look is made; one that was seen made and is no
  // longer, its ports still there, was taken apart and is forgotten;
  // whatever is connected now is learnt. True when what is remembered
  // changed.
  bool Reconcile(PortGraph& graph);

  std::vector<Connection> Remembered() const;

 private:
  // What the last look found of each connection: a port missing, the
  // connection asked for but not seen yet (a server may show a new link a
  // moment later), or seen made.
  enum class Seen { No, Asked, Made };
  std::map<Connection, Seen> remembered_;
};

}  // namespace audio
