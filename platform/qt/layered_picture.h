// A picture drawn in layers without its paper, laid on the dialog's own
// face: the face shows through wherever the picture leaves it, in any
// palette, where a bitmap would carry the face of the desktop it was drawn
// for. One layer keeps its own colours; the other is ink, whose colour is
// chosen for the palette in force so that it reads as text does.
#pragma once

#include "platform/qt/resource_image.h"

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPalette>

// The contrast ratio of two colours, 1 to 21, as WCAG 2 defines it from
// their relative luminances.
double ContrastRatio(QColor first, QColor second);

// The colour to ink with on `palette`'s window face: the drawn ink where it
// reads there as text must (4.5:1, WCAG 2's AA level), otherwise the
// palette's own window text where that does, otherwise black or white,
// whichever reads better (one always reaches 4.58:1).
QColor InkColour(QColor drawnInk, const QPalette& palette);

// The layers as PNG files, each the size of the bitmap they stand in for:
// `colours` is shown as drawn, `ink` is coverage (its alpha) in the drawn
// ink's colour. Both straight, not premultiplied.
struct PictureLayers {
    ResourceBytes colours;
    ResourceBytes ink;
};

class LayeredPicture : public QLabel {
public:
    // Null unless both layers read, and at `size`.
    static LayeredPicture* Make(const PictureLayers& layers, QSize size, qreal devicePixelRatio,
                                QWidget* parent);

protected:
    // A new palette (the desktop's colours changed) inks the picture anew.
    void changeEvent(QEvent* event) override;

private:
    LayeredPicture(QImage colours, QImage ink, qreal devicePixelRatio, QWidget* parent);
    void LayOnFace();

    QImage colours_;
    QImage ink_;
    qreal devicePixelRatio_;
};
