#include "app/remotecontrol.h"

#include <QApplication>
#include <QWidget>
#include <utility>

#include "app/cardsound.h"
#include "app/dbusservice.h"
#include "app/instance.h"
#include "remote/channel.h"
#include "remote/commands.h"
#include "remote/midi.h"
#include "remote/midimap.h"
#ifdef MORVA_HAVE_LIBLO
#include "remote/osc.h"
#endif

namespace app {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaitingRetryMs = 50;
constexpr int kReleaseCheckMs = 500;
// A command line that has not sent its whole request, or not taken its
// whole answer, by then is dropped.
constexpr auto kRequestTime = std::chrono::seconds(10);
constexpr std::size_t kMaxConnections = 16;

// A notifier is disabled at once and deleted once Qt has left its handler.
struct LaterDeleter {
  void operator()(QSocketNotifier* n) const {
    n->setEnabled(false);
    n->deleteLater();
  }
};
using Notifier = std::unique_ptr<QSocketNotifier, LaterDeleter>;

// Notes the events that may change a control: all but the meters' timer
// batches and the sockets' own (the X connection's replies; what comes in
// on the program's own sockets is a request, counted by the queue).
class EventWatch : public QObject {
 public:
  EventWatch(const QObject* batch_timer, bool& changed) : batch_(batch_timer), changed_(changed) {}
  bool eventFilter(QObject* o, QEvent* e) override {
    const bool batch = e->type() == QEvent::Timer && o == batch_;
    if (!batch && e->type() != QEvent::SockAct) changed_ = true;
    return false;
  }

 private:
  const QObject* batch_;
  bool& changed_;
};

}  // namespace

struct RemoteControl::Connection {
  std::unique_ptr<remote::ChannelConnection> channel;
  Notifier read, write;
  Clock::time_point since = Clock::now();
  bool answering = false;
};

RemoteControl::RemoteControl(shell::AppState& state, const sim::Clock& clock,
                             const SingleInstance* instance, CardSound* sound,
                             const QObject* batch_timer, std::ostream& log)
    : surface_(state, clock), requests_(surface_), instance_(instance), sound_(sound) {
  watch_ = std::make_unique<EventWatch>(batch_timer, changed_);
  qApp->installEventFilter(watch_.get());
  // The widgetset's message boxes run Qt's own modal loop.
  surface_.SetBusyCheck([] { return QApplication::activeModalWidget() != nullptr; });
  waiting_.setInterval(kWaitingRetryMs);
  QObject::connect(&waiting_, &QTimer::timeout, [this] { RunWaiting(); });
  release_.setInterval(kReleaseCheckMs);
  QObject::connect(&release_, &QTimer::timeout, [this] {
    surface_.Tick();
    if (surface_.HiddenWindows() == 0) release_.stop();
  });
  stale_.setInterval(std::chrono::duration_cast<std::chrono::milliseconds>(kRequestTime).count());
  QObject::connect(&stale_, &QTimer::timeout, [this] { DropStale(); });

  if (instance_ && instance_->listen_fd() >= 0) {
    listen_.reset(new QSocketNotifier(instance_->listen_fd(), QSocketNotifier::Read));
    QObject::connect(listen_.get(), &QSocketNotifier::activated, [this] { AcceptConnections(); });
  }
  if (sound_ && sound_->midi_fd() >= 0) {
    constexpr int kAllCards = 4;
    midi_map_ = std::make_unique<remote::MidiMap>(kAllCards);
    midi_map_->Load();
    midi_ = std::make_unique<remote::MidiEndpoint>(
        surface_, requests_, *midi_map_, clock,
        [this](int card, const remote::MidiEndpoint::Message& m) { sound_->SendMidi(card, m); });
    midi_notifier_.reset(new QSocketNotifier(sound_->midi_fd(), QSocketNotifier::Read));
    QObject::connect(midi_notifier_.get(), &QSocketNotifier::activated, [this] {
      sound_->TakeMidi([this](int card, const std::uint8_t* bytes, std::size_t size) {
        midi_->Receive(card, bytes, size);
      });
    });
  }
  dbus_ = std::make_unique<DBusService>(surface_, requests_, midi_.get());
  dbus_->Register(log);
#ifdef MORVA_HAVE_LIBLO
  const remote::OscSettings osc = remote::ReadOscSettings();
  if (osc.port != 0) {
    std::string error;
    osc_socket_ = std::make_unique<remote::OscSocket>();
    if (osc_socket_->Open(osc, error)) {
      osc_ = std::make_unique<remote::OscEndpoint>(
          surface_, requests_, [this](const remote::OscPeer& to, const std::string& packet) {
            osc_socket_->SendTo(to, packet);
          });
      osc_notifier_.reset(new QSocketNotifier(osc_socket_->fd(), QSocketNotifier::Read));
      QObject::connect(osc_notifier_.get(), &QSocketNotifier::activated,
                       [this] { osc_socket_->ReadAll(*osc_); });
    } else {
      log << "morva-manager: OSC: " << error << "\n";
      osc_socket_.reset();
    }
  }
#endif
}

RemoteControl::~RemoteControl() {
  qApp->removeEventFilter(watch_.get());
  // Waiting requests hold the ways in; they go first.
  requests_.Clear();
  for (QSocketNotifier* n : {listen_.get(), osc_notifier_.get(), midi_notifier_.get()})
    if (n) n->setEnabled(false);
  connections_.clear();
}

// Every change of the model comes from something the program handled just
// before it waits (input, a timer batch, a request): subscribers hear of it
// then, and the program never wakes for them.
void RemoteControl::BeforeWait() {
  if (requests_.Waiting()) RunWaiting();
  if (surface_.HiddenWindows() > 0 && !release_.isActive()) release_.start();
  // After a timer batch alone only the meters moved.
  const bool requests_ran = requests_.Carried() != requests_seen_;
  requests_seen_ = requests_.Carried();
  if (std::exchange(changed_, false) || requests_ran || surface_.MetersWanted()) surface_.Poll();
}

void RemoteControl::RunWaiting() {
  requests_.Run();
  if (requests_.Waiting())
    waiting_.start();
  else
    waiting_.stop();
}

// ---- the command line's requests

void RemoteControl::AcceptConnections() {
  for (;;) {
    const int fd = instance_->Accept();
    if (fd < 0) return;
    auto c = std::make_unique<Connection>();
    c->channel = std::make_unique<remote::ChannelConnection>(fd);
    if (connections_.size() >= kMaxConnections) {
      c->channel->Answer({remote::Status::kFailed, "MORVA Manager is busy with other commands"});
      continue;
    }
    const std::uint64_t id = next_connection_++;
    c->read.reset(new QSocketNotifier(fd, QSocketNotifier::Read));
    QObject::connect(c->read.get(), &QSocketNotifier::activated, [this, id] { ReadFrom(id); });
    connections_[id] = std::move(c);
    if (!stale_.isActive()) stale_.start();
  }
}

void RemoteControl::ReadFrom(std::uint64_t id) {
  auto it = connections_.find(id);
  if (it == connections_.end() || it->second->answering) return;
  Connection& c = *it->second;
  const remote::ChannelConnection::Step step = c.channel->Read();
  if (step == remote::ChannelConnection::Step::kReading) return;
  c.read->setEnabled(false);
  if (step == remote::ChannelConnection::Step::kWriting) return WriteTo(id);
  if (step == remote::ChannelConnection::Step::kDone) return Drop(id);
  c.answering = true;
  const std::vector<std::string> words = c.channel->words();
  requests_.Submit([this, id, words] {
    const remote::CommandReply reply = remote::RunCommand(surface_, words, midi_.get());
    auto found = connections_.find(id);
    if (found == connections_.end()) return;
    found->second->answering = false;
    found->second->since = Clock::now();
    if (found->second->channel->Answer(reply) == remote::ChannelConnection::Step::kDone)
      return Drop(id);
    WriteTo(id);
  });
  if (requests_.Waiting()) waiting_.start();
}

void RemoteControl::WriteTo(std::uint64_t id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  Connection& c = *it->second;
  if (c.channel->Write() == remote::ChannelConnection::Step::kDone) return Drop(id);
  if (!c.write) {
    c.write.reset(new QSocketNotifier(c.channel->fd(), QSocketNotifier::Write));
    QObject::connect(c.write.get(), &QSocketNotifier::activated, [this, id] { WriteTo(id); });
  }
}

void RemoteControl::Drop(std::uint64_t id) {
  auto it = connections_.find(id);
  if (it == connections_.end()) return;
  // The notifiers go before the socket closes.
  it->second->read.reset();
  it->second->write.reset();
  connections_.erase(it);
  if (connections_.empty()) stale_.stop();
}

void RemoteControl::DropStale() {
  const auto now = Clock::now();
  std::vector<std::uint64_t> stale;
  for (const auto& [id, c] : connections_)
    if (!c->answering && now - c->since > kRequestTime) stale.push_back(id);
  for (std::uint64_t id : stale) Drop(id);
}

}  // namespace app
