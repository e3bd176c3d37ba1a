// The Qt tests run on Qt's offscreen platform with one QApplication for
// the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include "qt/qtwidgetset.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qt::ApplyClassicLook();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
