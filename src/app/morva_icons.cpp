// morva-icons DIR: writes the mixer icon for the icon theme, one PNG per
// size as DIR/<N>x<N>/apps/morva-manager.png. Run by the build.
#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <iostream>
#include <string>

#include "qt/crispicon.h"
#include "qt/look.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: morva-icons DIR\n";
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QImage picture = qt::PictureResource("MIXERICON.xpm").toImage();
  if (picture.isNull()) {
    std::cerr << "morva-icons: no MIXERICON picture\n";
    return 1;
  }
  for (int size : qt::kThemeIconSizes) {
    const std::string n = std::to_string(size);
    const std::filesystem::path dir = std::filesystem::path(argv[1]) / (n + "x" + n) / "apps";
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "morva-manager.png";
    if (!qt::CrispIcon(picture, size).save(QString::fromStdString(file.string()), "PNG")) {
      std::cerr << "morva-icons: cannot write " << file.string() << "\n";
      return 1;
    }
  }
  return 0;
}
