// morva-icons DIR: writes the mixer icon for the icon theme, one PNG per
// size as DIR/<N>x<N>/apps/morva-manager.png and the 32 x 32 drawing as
// squares in DIR/scalable/apps/morva-manager.svg. Run by the build.
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "qt/crispicon.h"
#include "qt/look.h"

namespace {

// One rectangle per run of a colour along a row, edges kept crisp at any
// scale.
std::string Svg(const QImage& picture) {
  const QImage img = picture.convertToFormat(QImage::Format_ARGB32);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                    std::to_string(img.width()) + "\" height=\"" + std::to_string(img.height()) +
                    "\" viewBox=\"0 0 " + std::to_string(img.width()) + " " +
                    std::to_string(img.height()) + "\" shape-rendering=\"crispEdges\">\n";
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width();) {
      const QRgb c = img.pixel(x, y);
      int end = x + 1;
      while (end < img.width() && img.pixel(end, y) == c) ++end;
      if (qAlpha(c) != 0) {
        char fill[8];
        std::snprintf(fill, sizeof fill, "#%02X%02X%02X", qRed(c), qGreen(c), qBlue(c));
        svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(end - x) + "\" height=\"1\" fill=\"" + fill + "\"/>\n";
      }
      x = end;
    }
  }
  return svg + "</svg>\n";
}

bool Write(const std::filesystem::path& file, const auto& write) {
  std::filesystem::create_directories(file.parent_path());
  if (write(file)) return true;
  std::cerr << "morva-icons: cannot write " << file.string() << "\n";
  return false;
}

}  // namespace

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
  const std::filesystem::path dir(argv[1]);
  const std::vector<QImage> drawings = qt::DrawingsOf(picture);
  for (int size : qt::kThemeIconSizes) {
    const std::string n = std::to_string(size);
    const QImage image = qt::CrispIcon(drawings, size);
    if (!Write(dir / (n + "x" + n) / "apps" / "morva-manager.png", [&](const auto& f) {
          return image.save(QString::fromStdString(f.string()), "PNG");
        }))
      return 1;
  }
  const std::string svg = Svg(picture);
  if (!Write(dir / "scalable" / "apps" / "morva-manager.svg", [&](const auto& f) {
        std::ofstream out(f, std::ios::binary);
        return static_cast<bool>(out << svg);
      }))
    return 1;
  return 0;
}
