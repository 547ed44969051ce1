#include "platform/qt/field_accessible.h"

#include "platform/qt/edit_control.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

#include <utility>

namespace {

class Field : public QAccessibleWidget,
              public QAccessibleTextInterface,
              public QAccessibleEditableTextInterface {
public:
    explicit Field(EditControl* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

    // Editable or read-only, as the field is now.
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = !Control()->isReadOnly();
        state.readOnly = Control()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Control()->text() : QAccessibleWidget::text(kind);
    }
    void setText(QAccessible::Text kind, const QString& text) override {
        if (kind == QAccessible::Value && !Control()->isReadOnly()) {
            Control()->setText(text);
        }
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (type == QAccessible::EditableTextInterface && !Control()->isReadOnly()) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // The one selection a line edit has, as offsets into its text.
    void selection(int index, int* start, int* end) const override {
        *start = index == 0 && Control()->hasSelectedText() ? Control()->selectionStart() : 0;
        *end = *start + (index == 0 ? Control()->selectionLength() : 0);
    }
    int selectionCount() const override { return Control()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) {
            Control()->deselect();
        }
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0) {
            Control()->setSelection(start, end - start);
        }
    }

    int cursorPosition() const override { return Control()->cursorPosition(); }
    void setCursorPosition(int position) override { Control()->setCursorPosition(position); }
    QString text(int start, int end) const override {
        return Control()->text().mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Control()->text().size()); }
    QRect characterRect(int offset) const override {
        const QRect place = Control()->CharacterRect(offset);
        return place.isEmpty() ? place : place.translated(Control()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return Control()->CharacterAt(Control()->mapFromGlobal(point));
    }
    // The field scrolls to show its cursor: the end first, then the start.
    void scrollToSubstring(int start, int end) override {
        Control()->setCursorPosition(end);
        Control()->setCursorPosition(start);
    }
    // One run of the field's own font: no attributes of its own.
    QString attributes(int /*offset*/, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

    // Text written through the tree, as if typed or pasted; a read-only
    // field offers no editable text at all.
    void deleteText(int start, int end) override { replaceText(start, end, {}); }
    void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString& text) override {
        Control()->setText(Control()->text().replace(start, end - start, text));
    }

private:
    EditControl* Control() const { return static_cast<EditControl*>(widget()); }
};

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
// Qt before 6.8 has no announcement. A notification that appears is
// spoken whole by Orca wherever the focus is, as a desktop's are: one
// that is no control of the dialog, but stands over the field it speaks
// for, and has no life beyond the next. Qt keeps it until then, which
// may be after the field is gone; then it is no longer valid.
class Notification : public QAccessibleInterface {
public:
    Notification(QLineEdit* field, QString text) : field_(field), text_(std::move(text)) {}

    bool isValid() const override { return !field_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return isValid() ? field_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return isValid() ? QAccessible::queryAccessibleInterface(field_->window()) : nullptr;
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? text_ : QString();
    }
    void setText(QAccessible::Text /*kind*/, const QString& /*text*/) override {}
    QRect rect() const override {
        return isValid() ? QRect(field_->mapToGlobal(QPoint(0, 0)), field_->size()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

private:
    QPointer<QLineEdit> field_;
    QString text_;
};
#endif

}  // namespace

QAccessibleInterface* FieldAccessible(const QString& /*className*/, QObject* object) {
    auto* field = dynamic_cast<EditControl*>(object);
    return field != nullptr ? new Field(field) : nullptr;
}

void AnnounceFieldText(QLineEdit* field) {
    if (!QAccessible::isActive()) {
        return;
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent announcement(field, field->text());
    QAccessible::updateAccessibility(&announcement);
#else
    static QAccessible::Id shown = 0;
    if (shown != 0) {
        QAccessible::deleteAccessibleInterface(shown);
    }
    auto* notification = new Notification(field, field->text());
    shown = QAccessible::registerAccessibleInterface(notification);
    QAccessibleEvent appeared(notification, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&appeared);
#endif
}
