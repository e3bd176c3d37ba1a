#include "audio/connectionkeeper.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "sim/durablefile.h"

namespace audio {
namespace {

// The server's graph as the memory asks it, through the keeper's client.
class JackGraph : public PortGraph {
 public:
  JackGraph(jack_client_t* client, const std::vector<std::string>& ours)
      : client_(client), ours_(ours) {}

  bool Exists(const std::string& port) override {
    return jack_port_by_name(client_, port.c_str()) != nullptr;
  }
  bool Connected(const Connection& c) override {
    jack_port_t* source = jack_port_by_name(client_, c.source.c_str());
    return source && jack_port_connected_to(source, c.destination.c_str());
  }
  bool Connect(const Connection& c) override {
    const int r = jack_connect(client_, c.source.c_str(), c.destination.c_str());
    return r == 0 || r == EEXIST;
  }
  std::vector<Connection> Current() override {
    std::vector<Connection> out;
    for (const std::string& name : ours_) {
      jack_port_t* port = jack_port_by_name(client_, name.c_str());
      if (!port) continue;
      const char** others = jack_port_get_all_connections(client_, port);
      if (!others) continue;
      const bool sends = jack_port_flags(port) & JackPortIsOutput;
      for (const char** other = others; *other; ++other) {
        if (sends)
          out.push_back({name, *other});
        else
          out.push_back({*other, name});
      }
      jack_free(others);
    }
    return out;
  }

 private:
  jack_client_t* client_;
  const std::vector<std::string>& ours_;
};

std::string Read(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return {};
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

void ConnectionKeeper::Start(std::filesystem::path file, jack_client_t* client,
                             std::vector<std::string> ours, const std::atomic<bool>* gone) {
  Stop();
  {
    std::lock_guard look(look_mu_);
    file_ = std::move(file);
    client_ = client;
    ours_ = std::move(ours);
    gone_ = gone;
    memory_ = ConnectionMemory::Parse(Read(file_));
  }
  Look();
  // A burst of reports (a program starting registers all its ports, one
  // closing drops its connections and then its ports) settles into one look.
  std::lock_guard lock(mu_);
  looker_ = std::make_unique<sim::Settler>(kSettle, [this] { Look(); });
}

void ConnectionKeeper::Poke() {
  std::lock_guard lock(mu_);
  if (looker_) looker_->Poke();
}

void ConnectionKeeper::Stop() {
  std::unique_ptr<sim::Settler> looker;
  {
    std::lock_guard lock(mu_);
    looker = std::move(looker_);
  }
  if (!looker) return;
  looker.reset();
  Look();
}

void ConnectionKeeper::Look() {
  std::lock_guard look(look_mu_);
  if (!client_ || (gone_ && gone_->load(std::memory_order_acquire))) return;
  JackGraph graph(client_, ours_);
  if (memory_.Reconcile(graph)) {
    const std::string text = memory_.Text();
    sim::ReplaceFileDurably(file_,
                            {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  }
}

}  // namespace audio
