#pragma once

#include <QRect>
#include <QWidget>

namespace pusla {

/// The forms are designed in twips, 15 to the pixel at the design resolution.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(double twips)
{
    return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}

constexpr double pixelsToTwips(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

/// Places a control at its design position (left, top, width, height in twips).
inline void placeTwips(QWidget *control, int left, int top, int width, int height)
{
    control->setGeometry(QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)));
}

} // namespace pusla
