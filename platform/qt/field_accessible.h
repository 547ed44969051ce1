// How the edit fields appear to assistive technology.
//
// Qt's own line-edit interface reports every field editable, a read-only
// one read-only as well; a screen reader that trusts "editable" invites its
// user to type into the result field, and a tool could write into it
// through the accessibility tree. It reports the text's attribute runs as
// empty ones at each character, from which Orca speaks a field's text
// without its last character, and it places no character of a read-only
// field on the screen, so that a screen reader's review finds no text
// there. This interface reports the path field editable and the result
// field read-only alone, one run of the field's own font over the whole
// text, and each character where the field draws it.
#pragma once

#include <QAccessibleInterface>
#include <QString>

class QLineEdit;
class QObject;

// An accessibility factory (QAccessible::installFactory): this interface
// for an EditControl, none for anything else.
QAccessibleInterface* FieldAccessible(const QString& className, QObject* object);

// Has assistive technology say what `field` shows, once, wherever the
// user's focus is: the program's results appear in a field the focus is
// seldom on. Nothing happens where no assistive technology listens.
void AnnounceFieldText(QLineEdit* field);
