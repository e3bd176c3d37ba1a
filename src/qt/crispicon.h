#pragma once
// The mixer icon at the sizes of the icon theme, every one sharp: the
// small sizes are designs drawn pixel by pixel (MIXERICON16/22/24.xpm
// beside the 32 x 32 picture), the larger ones whole multiples of a
// drawing with its pixels replicated. Nothing is ever smoothed.
#include <QIcon>
#include <QImage>
#include <array>
#include <vector>

namespace qt {

inline constexpr std::array<int, 7> kThemeIconSizes = {16, 22, 24, 32, 48, 64, 128};

// The drawings of a picture: the picture itself and, for the mixer icon,
// the designs drawn for the small sizes.
std::vector<QImage> DrawingsOf(const QImage& picture);

// A size x size image: the drawing of that size, else the largest whole
// multiple of a drawing that fits (the least replicated one of equal
// size), centred in a transparent margin where it is smaller; below the
// smallest drawing, every n-th pixel of it.
QImage CrispIcon(const std::vector<QImage>& drawings, int size);

// Every theme size of the picture's drawings in one icon (tray and window
// icons: a StatusNotifierItem offers each size up to 64 to its host).
QIcon ThemedIcon(const QImage& picture);

}  // namespace qt
