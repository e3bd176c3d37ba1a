// What Qt made of a tray icon decides how its clicks are read; the reading
// relies on how Qt builds an XEmbed icon.
#include <gtest/gtest.h>

#include <QPixmap>
#include <QSystemTrayIcon>

#include "qt/trayicon.h"

namespace qt {
namespace {

// Without a session bus Qt can only serve an XEmbed icon; read as a
// StatusNotifierItem, its single clicks would open the control window.
TEST(TrayIcon, AnIconMadeWithoutABusReadsAsXEmbed) {
  if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
    GTEST_SKIP() << "a session bus is there";
  QPixmap picture(16, 16);
  picture.fill(Qt::darkBlue);
  QSystemTrayIcon icon{QIcon(picture)};
  icon.show();
  EXPECT_FALSE(ServesStatusNotifierItem(icon));
}

}  // namespace
}  // namespace qt
