// An edit field that keeps the bytes it was given.
//
// The program's texts are byte strings; a field shows them as Unicode. A
// path handed to the field (by the program or the file chooser) may hold
// bytes that are not valid UTF-8, which no QString can carry, so the field
// keeps those bytes beside what it shows and gives them back as they were
// until the user edits the text.
#pragma once

#include <QLineEdit>

#include <string>

class EditControl : public QLineEdit {
public:
    explicit EditControl(QWidget* parent);

    void SetBytes(const char* text);
    std::string Bytes() const;

private:
    std::string bytes_;
    bool edited_ = false;
};
