#include "platform/qt/edit_control.h"

EditControl::EditControl(QWidget* parent) : QLineEdit(parent) {
    // Only the user's own edits: setText() does not emit textEdited.
    connect(this, &QLineEdit::textEdited, this, [this] { edited_ = true; });
}

void EditControl::SetBytes(const char* text) {
    bytes_ = text;
    edited_ = false;
    setText(QString::fromUtf8(bytes_));
    // An edit control shows a new text from its start, as Windows does.
    setCursorPosition(0);
}

std::string EditControl::Bytes() const {
    if (edited_) {
        return text().toUtf8().toStdString();
    }
    return bytes_;
}
