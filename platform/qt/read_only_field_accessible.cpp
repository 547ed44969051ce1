#include "platform/qt/read_only_field_accessible.h"

#include "platform/qt/edit_control.h"

#include <QAccessibleWidget>

namespace {

class ReadOnlyField : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyField(QLineEdit* field)
        : QAccessibleWidget(field, QAccessible::EditableText) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Field()->text() : QAccessibleWidget::text(kind);
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // The one selection a line edit has, as offsets into its text.
    void selection(int index, int* start, int* end) const override {
        *start = index == 0 && Field()->hasSelectedText() ? Field()->selectionStart() : 0;
        *end = *start + (index == 0 ? Field()->selectionLength() : 0);
    }
    int selectionCount() const override { return Field()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0) {
            Field()->deselect();
        }
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0) {
            Field()->setSelection(start, end - start);
        }
    }

    int cursorPosition() const override { return Field()->cursorPosition(); }
    void setCursorPosition(int position) override { Field()->setCursorPosition(position); }
    QString text(int start, int end) const override {
        return Field()->text().mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(Field()->text().size()); }
    // Characters are not placed on screen: an empty rectangle, as for text
    // out of view.
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& point) const override {
        return Field()->cursorPositionAt(Field()->mapFromGlobal(point));
    }
    // The field scrolls to show its cursor: the end first, then the start.
    void scrollToSubstring(int start, int end) override {
        Field()->setCursorPosition(end);
        Field()->setCursorPosition(start);
    }
    // One run of the field's own font: no attributes of its own.
    QString attributes(int /*offset*/, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QLineEdit* Field() const { return static_cast<QLineEdit*>(widget()); }
};

}  // namespace

QAccessibleInterface* ReadOnlyFieldAccessible(const QString& /*className*/, QObject* object) {
    auto* field = dynamic_cast<EditControl*>(object);
    return field != nullptr && field->isReadOnly() ? new ReadOnlyField(field) : nullptr;
}
