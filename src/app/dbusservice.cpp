#include "app/dbusservice.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <string>

#include "remote/midi.h"
#include "remote/requests.h"
#include "remote/surface.h"

namespace app {

namespace {

constexpr const char* kFailed = "org.morva.MorvaManager.Error.Failed";

std::string Str(const QVariant& v) {
  return v.toString().toStdString();
}

QStringList Lines(const std::string& text) {
  QStringList out;
  for (const QString& l : QString::fromStdString(text).split('\n'))
    if (!l.isEmpty()) out << l;
  return out;
}

// The methods and the signature of their arguments.
struct Method {
  const char* name;
  const char* signature;
};
constexpr Method kMethods[] = {
    {"Get", "s"},         {"Set", "ss"},        {"List", "s"},         {"Presets", "s"},
    {"LoadPreset", "ss"}, {"SavePreset", "ss"}, {"ErasePreset", "ss"}, {"ShowWindow", "s"},
    {"Learn", "ss"},      {"Forget", "s"},      {"Learned", ""},
};

}  // namespace

DBusService::DBusService(remote::ControlSurface& surface, remote::RequestQueue& requests,
                         remote::MidiEndpoint* midi)
    : surface_(surface), requests_(requests), midi_(midi) {}

DBusService::~DBusService() {
  if (subscription_) surface_.Unsubscribe(subscription_);
  if (registered_) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kDBusPath);
    bus.unregisterService(kDBusName);
  }
}

bool DBusService::Register(std::ostream& log) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    log << "morva-manager: no session bus: control over D-Bus is off\n";
    return false;
  }
  if (!bus.registerVirtualObject(kDBusPath, this)) {
    log << "morva-manager: D-Bus: cannot serve " << kDBusPath << "\n";
    return false;
  }
  if (!bus.registerService(kDBusName)) {
    log << "morva-manager: D-Bus: the name " << kDBusName
        << " is taken: " << bus.lastError().message().toStdString() << "\n";
    bus.unregisterObject(kDBusPath);
    return false;
  }
  registered_ = true;
  subscription_ = surface_.Subscribe(
      "",
      [](const std::string& address, const std::string& value) {
        QDBusMessage changed = QDBusMessage::createSignal(kDBusPath, kDBusInterface, "Changed");
        changed << QString::fromStdString(address) << QString::fromStdString(value);
        QDBusConnection::sessionBus().send(changed);
      },
      false, false);
  return true;
}

QString DBusService::introspect(const QString&) const {
  return QStringLiteral(
      "<interface name=\"org.morva.MorvaManager\">"
      "<method name=\"Get\"><arg name=\"address\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"value\" type=\"s\" direction=\"out\"/></method>"
      "<method name=\"Set\"><arg name=\"address\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"value\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"shown\" type=\"s\" direction=\"out\"/></method>"
      "<method name=\"List\"><arg name=\"prefix\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"controls\" type=\"as\" direction=\"out\"/></method>"
      "<method name=\"Presets\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"names\" type=\"as\" direction=\"out\"/></method>"
      "<method name=\"LoadPreset\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"name\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"SavePreset\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"name\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"ErasePreset\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"name\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"ShowWindow\"><arg name=\"window\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"Learn\"><arg name=\"address\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"value\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"Forget\"><arg name=\"address\" type=\"s\" direction=\"in\"/></method>"
      "<method name=\"Learned\"><arg name=\"mappings\" type=\"as\" direction=\"out\"/></method>"
      "<signal name=\"Changed\"><arg name=\"address\" type=\"s\"/>"
      "<arg name=\"value\" type=\"s\"/></signal>"
      "</interface>");
}

bool DBusService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
  if (message.type() != QDBusMessage::MethodCallMessage ||
      (!message.interface().isEmpty() && message.interface() != kDBusInterface))
    return false;
  const std::string name = message.member().toStdString();
  const Method* method = nullptr;
  for (const Method& m : kMethods)
    if (name == m.name) method = &m;
  QDBusConnection bus(connection);
  if (!method) {
    bus.send(message.createErrorReply(QDBusError::UnknownMethod,
                                      "no method " + message.member() + " in " + kDBusInterface));
    return true;
  }
  if (message.signature() != method->signature) {
    bus.send(message.createErrorReply(
        QDBusError::InvalidArgs,
        QStringLiteral("%1 takes (%2), not (%3)")
            .arg(message.member(), QString(method->signature), message.signature())));
    return true;
  }
  // Answered when the request is carried out, which may wait for a dialog.
  message.setDelayedReply(true);
  requests_.Submit([this, message, bus, name]() mutable {
    const QList<QVariant> a = message.arguments();
    remote::Reply r;
    QVariant out;
    if (name == "Get") {
      r = surface_.Get(Str(a[0]));
      out = QString::fromStdString(r.text);
    } else if (name == "Set") {
      r = surface_.Set(Str(a[0]), Str(a[1]));
      out = QString::fromStdString(r.text);
    } else if (name == "List") {
      r = surface_.List(Str(a[0]));
      out = Lines(r.text);
    } else if (name == "Presets") {
      r = surface_.Presets(Str(a[0]));
      out = Lines(r.text);
    } else if (name == "LoadPreset") {
      r = surface_.LoadPreset(Str(a[0]), Str(a[1]));
    } else if (name == "SavePreset") {
      r = surface_.SavePreset(Str(a[0]), Str(a[1]));
    } else if (name == "ErasePreset") {
      r = surface_.ErasePreset(Str(a[0]), Str(a[1]));
    } else if (name == "ShowWindow") {
      r = surface_.Show(Str(a[0]));
    } else if (!midi_) {
      r = remote::Reply::Error("no MIDI: the cards are not on a JACK server");
    } else if (name == "Learn") {
      r = midi_->Learn(Str(a[0]), Str(a[1]));
    } else if (name == "Forget") {
      r = midi_->Forget(Str(a[0]));
    } else {
      r = {true, midi_->Learned()};
      out = Lines(r.text);
    }
    if (!r.ok) {
      bus.send(message.createErrorReply(kFailed, QString::fromStdString(r.text)));
    } else {
      QDBusMessage reply = message.createReply();
      if (out.isValid()) reply << out;
      bus.send(reply);
    }
  });
  return true;
}

}  // namespace app
