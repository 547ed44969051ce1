#include "platform/qt/edit_control.h"

#include "platform/qt/field_accessible.h"

#include <QAccessible>
#include <QEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace {

// A field's name for assistive technology from a text it shows, without
// the dots that ask the user to go on.
QString NameFromText(QString text) {
    while (text.endsWith(u'.') || text.endsWith(u'\u2026')) {
        text.chop(1);
    }
    return text;
}

// The text a field shows, on one line in its font, as the field lays it
// out, and where the field draws that line's start: the line scrolls with
// the cursor, which is drawn at its own place along the line, in the middle
// of the rectangle cursorRect() gives.
struct ShownLine {
    QTextLayout layout;
    QTextLine line;
    qreal start = 0;
    QRect cursor;
};

void LayOut(const QLineEdit& field, const QRect& cursor, ShownLine& shown) {
    shown.layout.setText(field.displayText());
    shown.layout.setFont(field.font());
    shown.layout.beginLayout();
    shown.line = shown.layout.createLine();
    shown.layout.endLayout();
    shown.cursor = cursor;
    shown.start =
        (cursor.left() + cursor.right() + 1) / 2.0 - shown.line.cursorToX(field.cursorPosition());
}

}  // namespace

EditControl::EditControl(QWidget* parent) : QLineEdit(parent) {
    // Before Qt first asks for the field's accessible interface, which it
    // then keeps.
    QAccessible::installFactory(FieldAccessible);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);  // and lowered by PlaceLine()
}

void EditControl::resizeEvent(QResizeEvent* event) {
    PlaceLine();
    QLineEdit::resizeEvent(event);
}

void EditControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        PlaceLine();
    }
    // The field's own base colour outlives a new palette: taken from the old
    // face, it would stay light under a dark palette's light text.
    if (event->type() == QEvent::PaletteChange && isReadOnly()) {
        TakeTheFace();
    }
    QLineEdit::changeEvent(event);
}

void EditControl::SetReadOnlyOnFace() {
    setReadOnly(true);
    TakeTheFace();
}

// Setting the palette changes it again; then the colours already agree.
void EditControl::TakeTheFace() {
    QPalette colours = palette();
    if (colours.color(QPalette::Base) != colours.color(QPalette::Window)) {
        colours.setColor(QPalette::Base, colours.color(QPalette::Window));
        setPalette(colours);
    }
}

// A Windows edit control places its line by its font alone. Qt centres the
// line by the height of the text it holds, which a character drawn from a
// taller fallback face (a Chinese one beside a Latin font) makes greater:
// a path with Chinese in it sat higher than a digest. So the line is
// top-aligned, as low as centring the font's own line puts it.
void EditControl::PlaceLine() {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    constexpr int kTopAlignedGap = 1;  // QLineEdit's pixel above a top-aligned line
    const int centred = (contents.height() - fontMetrics().height() + 1) / 2;
    const int top = std::max(0, centred - kTopAlignedGap);
    setTextMargins(0, top, 0, 0);
}

void EditControl::SetBytes(const char* text) {
    bytes_ = text;
    setText(QString::fromUtf8(bytes_));
    // A field has no label beside it: a screen reader would announce it by
    // whatever it holds. It is named by the first text the program gives
    // it, which says what it is for (a prompt, or what it will show).
    if (accessibleName().isEmpty()) {
        setAccessibleName(NameFromText(QLineEdit::text()));
    }
    // An edit control shows a new text from its start, as Windows does.
    setCursorPosition(0);
    if (isReadOnly() && isVisible() && !announcementDue_) {
        announcementDue_ = true;
        QTimer::singleShot(0, this, [this] {
            announcementDue_ = false;
            AnnounceFieldText(this);
        });
    }
}

QRect EditControl::CharacterRect(int offset) const {
    ShownLine shown;
    LayOut(*this, cursorRect(), shown);
    if (offset < 0 || offset >= shown.layout.text().size()) {
        return {};
    }
    const qreal from = shown.start + shown.line.cursorToX(offset);
    const qreal to = shown.start + shown.line.cursorToX(offset + 1);
    return {QPoint(qRound(std::min(from, to)), shown.cursor.top()),
            QPoint(qRound(std::max(from, to)) - 1, shown.cursor.bottom())};
}

int EditControl::CharacterAt(const QPoint& point) const {
    ShownLine shown;
    LayOut(*this, cursorRect(), shown);
    const qreal along = point.x() - shown.start;
    if (point.y() < shown.cursor.top() || point.y() > shown.cursor.bottom() || along < 0 ||
        along >= shown.line.naturalTextWidth()) {
        return -1;
    }
    return shown.line.xToCursor(along, QTextLine::CursorOnCharacter);
}

// The text shown is the one computed, however it got there: typed, pasted,
// or set through the accessibility tree, which emits no textEdited. The
// bytes given stand for it only while it is still the text made from them.
std::string EditControl::Bytes() const {
    if (text() == QString::fromUtf8(bytes_)) {
        return bytes_;
    }
    return text().toUtf8().toStdString();
}
