// An edit field that keeps the bytes it was given.
//
// The program's texts are byte strings; a field shows them as Unicode. A
// path handed to the field (by the program or the file chooser) may hold
// bytes that are not valid UTF-8, which no QString can carry, so the field
// keeps those bytes beside what it shows and gives them back as they were
// for as long as it shows the text made from them. And it places its line
// by its font alone, as a Windows edit control does, whatever the text.
#pragma once

#include <QLineEdit>

#include <string>

class EditControl : public QLineEdit {
public:
    explicit EditControl(QWidget* parent);

    // Read-only, and shown on the dialog's face as Windows draws such a
    // field, so that it does not look like one to type in; the face it
    // takes is that of the palette in force, whenever the palette changes.
    // Assistive technology is told it is read-only, not editable.
    void SetReadOnlyOnFace();

    // The first text that is not empty also names the field for assistive
    // technology. A read-only field on the screen has its new text
    // announced once the program is back in its event loop: the last of
    // the texts given meanwhile, the result of a compute and not its busy
    // text.
    void SetBytes(const char* text);
    std::string Bytes() const;

    // Where the character at `offset` of the text is drawn, in the field's
    // own coordinates; empty past the text. And the character drawn at
    // `point`, or -1 where none is.
    QRect CharacterRect(int offset) const;
    int CharacterAt(const QPoint& point) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PlaceLine();
    void TakeTheFace();

    std::string bytes_;
    bool announcementDue_ = false;
};
