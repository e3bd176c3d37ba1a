#include "qt/traywatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace qt {

namespace {
const char kWatcherService[] = "org.kde.StatusNotifierWatcher";
constexpr int kLookIntervalMs = 1000;
}  // namespace

TrayWatch::TrayWatch(std::function<void()> changed) : changed_(std::move(changed)) {
  xembed_ = XEmbedTrayPresent();
  // The first answer of the bus is awaited: a host that is already there
  // takes the icon at once, without a stand-in showing first.
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected() && bus.interface() &&
      bus.interface()->isServiceRegistered(QString::fromLatin1(kWatcherService))) {
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QString::fromLatin1(kWatcherService), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << QString::fromLatin1(kWatcherService) << QStringLiteral("IsStatusNotifierHostRegistered");
    QDBusMessage reply = bus.call(ask, QDBus::Block, 2000);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
      sni_host_ = qvariant_cast<QDBusVariant>(reply.arguments().first()).variant().toBool();
  }
  timer_.setInterval(kLookIntervalMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
  timer_.start();
}

TrayWatch::~TrayWatch() = default;

void TrayWatch::Set(bool& field, bool value) {
  if (field == value) return;
  field = value;
  if (changed_) changed_();
}

void TrayWatch::Look() {
  Set(xembed_, XEmbedTrayPresent());
  AskStatusNotifierWatcher();
}

// The bus is asked without waiting: a watcher that hangs must not stop the
// program.
void TrayWatch::AskStatusNotifierWatcher() {
  if (asking_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage ask = QDBusMessage::createMethodCall(
      QString::fromLatin1(kWatcherService), QStringLiteral("/StatusNotifierWatcher"),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  ask << QString::fromLatin1(kWatcherService) << QStringLiteral("IsStatusNotifierHostRegistered");
  asking_ = true;
  // The last question, answered, goes with the next one (never from within
  // its own answer).
  pending_ = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(ask, 5000));
  QObject::connect(pending_.get(), &QDBusPendingCallWatcher::finished,
                   [this](QDBusPendingCallWatcher* call) {
                     asking_ = false;
                     QDBusPendingReply<QDBusVariant> reply = *call;
                     Set(sni_host_, !reply.isError() && reply.value().variant().toBool());
                   });
}

}  // namespace qt
