#include "qt/traywatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace qt {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

QDBusMessage HostQuestion() {
  QDBusMessage ask = QDBusMessage::createMethodCall(
      kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
      QStringLiteral("Get"));
  ask << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
  return ask;
}

}  // namespace

TrayWatch::TrayWatch(std::function<void()> changed) : changed_(std::move(changed)) {
  xembed_ = WatchXEmbedTray([this] {
    if (changed_) changed_();
  });
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  host_signal_.setSingleShot(true);
  host_signal_.setInterval(0);
  QObject::connect(&host_signal_, &QTimer::timeout, [this] { AskForHost(); });
  // The watcher's own name coming or going (the bus's NameOwnerChanged).
  watcher_owner_ = std::make_unique<QDBusServiceWatcher>(kWatcherService, bus,
                                                         QDBusServiceWatcher::WatchForOwnerChange);
  QObject::connect(watcher_owner_.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                   [this](const QString&, const QString&, const QString& owner) {
                     if (owner.isEmpty())
                       SetHost(false);
                     else
                       host_signal_.start();
                   });
  for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
    bus.connect(kWatcherService, kWatcherPath, kWatcherService, QString::fromLatin1(signal),
                &host_signal_, SLOT(start()));
  // The first answer is awaited: a host that is already there takes the
  // icon at once, without a stand-in showing first.
  sni_host_ = AskForHostNow().value_or(false);
}

TrayWatch::~TrayWatch() = default;

std::optional<bool> TrayWatch::AskForHostNow() const {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface() ||
      !bus.interface()->isServiceRegistered(kWatcherService))
    return false;
  QDBusMessage reply = bus.call(HostQuestion(), QDBus::Block, 2000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
}

bool TrayWatch::ConfirmStatusNotifierHost() {
  if (!sni_host_) sni_host_ = AskForHostNow().value_or(false);
  return sni_host_;
}

void TrayWatch::SetHost(bool present) {
  if (sni_host_ == present) return;
  sni_host_ = present;
  if (changed_) changed_();
}

// Asked without waiting: a watcher that hangs must not stop the program.
// One question at a time; what changed meanwhile asks once more.
void TrayWatch::AskForHost() {
  if (pending_) {
    ask_again_ = true;
    return;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  pending_ = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(HostQuestion(), 5000));
  QObject::connect(pending_.get(), &QDBusPendingCallWatcher::finished,
                   [this](QDBusPendingCallWatcher* call) { Answered(call); });
}

void TrayWatch::Answered(QDBusPendingCallWatcher* call) {
  QDBusPendingReply<QDBusVariant> reply = *call;
  const bool host = !reply.isError() && reply.value().variant().toBool();
  // The answered call goes later: never from within its own signal.
  pending_.release()->deleteLater();
  SetHost(host);
  if (ask_again_) {
    ask_again_ = false;
    AskForHost();
  }
}

}  // namespace qt
