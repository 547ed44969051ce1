#include "platform/qt/layered_picture.h"

#include <QEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// WCAG 2's minimum for text against its background, at level AA.
constexpr double kReadableContrast = 4.5;

// An sRGB channel, 0 to 255, in linear light, as WCAG 2 takes it.
double LinearChannel(int value) {
    const double c = value / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(QColor colour) {
    return 0.2126 * LinearChannel(colour.red()) + 0.7152 * LinearChannel(colour.green()) +
           0.0722 * LinearChannel(colour.blue());
}

QImage ReadPng(ResourceBytes file) {
    QImage image;
    if (!image.loadFromData(file.data(), static_cast<int>(file.size()), "PNG")) {
        return {};
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

double ContrastRatio(QColor first, QColor second) {
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor InkColour(QColor drawnInk, const QPalette& palette) {
    const QColor face = palette.color(QPalette::Window);
    for (const QColor candidate : {drawnInk, palette.color(QPalette::WindowText)}) {
        if (ContrastRatio(candidate, face) >= kReadableContrast) {
            return candidate;
        }
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return ContrastRatio(black, face) >= ContrastRatio(white, face) ? black : white;
}

LayeredPicture* LayeredPicture::Make(const PictureLayers& layers, QSize size,
                                     qreal devicePixelRatio, QWidget* parent) {
    QImage colours = ReadPng(layers.colours);
    QImage ink = ReadPng(layers.ink);
    if (colours.size() != size || ink.size() != size) {
        return nullptr;
    }
    return new LayeredPicture(std::move(colours), std::move(ink), devicePixelRatio, parent);
}

LayeredPicture::LayeredPicture(QImage colours, QImage ink, qreal devicePixelRatio, QWidget* parent)
    : QLabel(parent),
      colours_(std::move(colours)),
      ink_(std::move(ink)),
      devicePixelRatio_(devicePixelRatio) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LayOnFace();
}

void LayeredPicture::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        LayOnFace();
    }
    QLabel::changeEvent(event);
}

// The ink takes its colour for this palette; the picture is see-through
// wherever neither layer covers it, so the face behind it shows as it is,
// and the layers' edges blend into it with no trace of another paper.
void LayeredPicture::LayOnFace() {
    // Every pixel of the ink layer carries the drawn ink's colour.
    QColor drawnInk = ink_.pixelColor(0, 0);
    drawnInk.setAlpha(255);
    QImage ink = ink_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&ink);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(ink.rect(), InkColour(drawnInk, palette()));
    }
    // Pixel for pixel: the ratio is set once the layers are one image.
    QImage picture = colours_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&picture);
        painter.drawImage(0, 0, ink);
    }
    picture.setDevicePixelRatio(devicePixelRatio_);
    setPixmap(QPixmap::fromImage(picture));
}
