// How a read-only edit field appears to assistive technology.
//
// Qt reports every line edit editable, a read-only one read-only as well,
// and gives it the editable-text interface; a screen reader that trusts
// "editable" invites its user to type into the result field, and a tool
// could write into it through the accessibility tree. This interface
// reports the field read-only alone and offers its text to read and select.
#pragma once

#include <QAccessibleInterface>
#include <QString>

class QObject;

// An accessibility factory (QAccessible::installFactory): this interface
// for a read-only EditControl, none for anything else.
QAccessibleInterface* ReadOnlyFieldAccessible(const QString& className, QObject* object);
