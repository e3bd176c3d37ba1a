#include "audio/connections.h"

namespace audio {
namespace {

constexpr std::string_view kHeading =
    "# MORVA Manager: the connections of the cards' ports, sending port, tab, taking port\n";

std::string Escaped(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '\\' || c == '\t' || c == '\n') out += '\\';
    out += c == '\t' ? 't' : c == '\n' ? 'n' : c;
  }
  return out;
}

// The names of one line; false unless it holds exactly two.
bool Names(std::string_view line, std::vector<std::string>& names) {
  names.assign(1, "");
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\t') {
      names.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      const char e = line[++i];
      names.back() += e == 't' ? '\t' : e == 'n' ? '\n' : e;
    } else {
      names.back() += c;
    }
  }
  return names.size() == 2 && !names[0].empty() && !names[1].empty();
}

}  // namespace

ConnectionMemory ConnectionMemory::Parse(std::string_view text) {
  ConnectionMemory memory;
  std::vector<std::string> names;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.starts_with('#') || !Names(line, names)) continue;
    memory.remembered_.emplace(Connection{names[0], names[1]}, Seen::No);
  }
  return memory;
}

std::string ConnectionMemory::Text() const {
  std::string text(kHeading);
  for (const auto& [c, seen] : remembered_)
    text += Escaped(c.source) + '\t' + Escaped(c.destination) + '\n';
  return text;
}

bool ConnectionMemory::Reconcile(PortGraph& graph) {
  bool changed = false;
  for (auto it = remembered_.begin(); it != remembered_.end();) {
    const Connection& c = it->first;
    Seen& seen = it->second;
    if (!graph.Exists(c.source) || !graph.Exists(c.destination)) {
      seen = Seen::No;  // kept for when the port comes back
    } else if (graph.Connected(c)) {
      seen = Seen::Made;
    } else if (seen != Seen::Made) {
      // Its ports came since the last look, or it was asked for and is
      // not there yet: asked for (again); refused, it is tried next time.
      seen = graph.Connect(c) ? Seen::Asked : Seen::No;
    } else {
      it = remembered_.erase(it);  // the user took it apart
      changed = true;
      continue;
    }
    ++it;
  }
  for (Connection& c : graph.Current()) {
    auto [it, learnt] = remembered_.insert_or_assign(std::move(c), Seen::Made);
    changed = changed || learnt;
  }
  return changed;
}

std::vector<Connection> ConnectionMemory::Remembered() const {
  std::vector<Connection> out;
  for (const auto& entry : remembered_) out.push_back(entry.first);
  return out;
}

}  // namespace audio
