#pragma once
// The mixer icon at the sizes of the icon theme, drawn from its 32 x 32
// picture without blurring: whole multiples replicate pixels, smaller
// sizes take every other pixel, and a size between two sharp ones shows
// the nearest sharp size below, centred.
#include <QIcon>
#include <QImage>
#include <array>

namespace qt {

inline constexpr std::array<int, 7> kThemeIconSizes = {16, 22, 24, 32, 48, 64, 128};

// The picture as a size x size image with a transparent margin where the
// sharp size is smaller.
QImage CrispIcon(const QImage& picture, int size);
// Every theme size of the picture in one icon (tray and window icons).
QIcon ThemedIcon(const QImage& picture);

}  // namespace qt
