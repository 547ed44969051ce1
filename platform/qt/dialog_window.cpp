#include "platform/qt/dialog_window.h"

#include "platform/qt/edit_control.h"
#include "platform/qt/window_handles.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cstdint>

namespace {

// The window and control styles the templates here use, by their Windows
// names and values.
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;  // on a window with a caption
constexpr std::uint32_t WS_TABSTOP = 0x00010000;      // on a control
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t ES_PASSWORD = 0x0020;
constexpr std::uint32_t ES_READONLY = 0x0800;
constexpr std::uint32_t BS_TYPEMASK = 0x000F;
constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
constexpr std::uint32_t BS_GROUPBOX = 0x0007;
constexpr std::uint32_t SS_TYPEMASK = 0x001F;
constexpr std::uint32_t SS_LEFT = 0x0000;
constexpr std::uint32_t SS_BITMAP = 0x000E;

// Dialog units are fractions of the template font's average character:
// a quarter of its width, an eighth of its height. For the templates' font
// on Windows at 96 DPI that character is 6 x 13 pixels, which is what the
// layout was drawn against; Qt scales the pixels on high-density screens.
constexpr int kBaseUnitWidth = 6;
constexpr int kBaseUnitHeight = 13;
constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;

// value * numerator / denominator, rounded half away from zero, as Windows
// rounds dialog units.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

QRect PixelRect(const DialogUnitRect& rect) {
    return {MulDiv(rect.x, kBaseUnitWidth, kUnitsPerBaseWidth),
            MulDiv(rect.y, kBaseUnitHeight, kUnitsPerBaseHeight),
            MulDiv(rect.width, kBaseUnitWidth, kUnitsPerBaseWidth),
            MulDiv(rect.height, kBaseUnitHeight, kUnitsPerBaseHeight)};
}

Qt::WindowFlags WindowFlagsOf(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        flags |= Qt::WindowTitleHint;
        if ((style & WS_SYSMENU) != 0) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
        if ((style & WS_MINIMIZEBOX) != 0) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if ((style & WS_MAXIMIZEBOX) != 0) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    return flags;
}

// A command's wParam: the id in the low word, the notification (zero,
// BN_CLICKED, for every command sent here) in the high word.
WPARAM CommandParameter(int id) {
    return static_cast<WPARAM>(static_cast<WORD>(id));
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, ResourceBytes resourceImage,
                           DLGPROC procedure)
    : QDialog(nullptr, WindowFlagsOf(dialogTemplate.style)), procedure_(procedure) {
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    if (dialogTemplate.hasFont) {
        // The face is a Windows alias ("MS Shell Dlg"); the desktop's own
        // face stands in for it, at the template's size and weight.
        QFont templateFont = font();
        templateFont.setPointSize(dialogTemplate.fontPointSize);
        templateFont.setWeight(static_cast<QFont::Weight>(dialogTemplate.fontWeight));
        templateFont.setItalic(dialogTemplate.fontItalic);
        setFont(templateFont);
    }

    // The template's size is that of the client area. Its position is
    // counted from the screen's top-left, as for a dialog without owner.
    const QRect area = PixelRect(dialogTemplate.rect);
    if ((dialogTemplate.style & WS_THICKFRAME) != 0) {
        resize(area.size());
    } else {
        setFixedSize(area.size());
    }
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().topLeft() + area.topLeft());
    }

    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = MakeControl(control, resourceImage);
        if (widget == nullptr) {
            complete_ = false;
            continue;
        }
        widget->setGeometry(PixelRect(control.rect));
        widget->setEnabled((control.style & WS_DISABLED) == 0);
        widget->setVisible((control.style & WS_VISIBLE) != 0);
        controls_.push_back({control.id, widget});
    }
}

QWidget* DialogWindow::MakeControl(const DialogControlTemplate& control,
                                   ResourceBytes resourceImage) {
    const QString text = QString::fromUtf8(control.text);
    const Qt::FocusPolicy focus = (control.style & WS_TABSTOP) != 0 ? Qt::StrongFocus
                                                                    : Qt::ClickFocus;
    switch (control.classAtom) {
    case kButtonClassAtom: {
        const std::uint32_t kind = control.style & BS_TYPEMASK;
        if (kind == BS_GROUPBOX) {
            auto* box = new QGroupBox(text, this);
            // A frame drawn behind the controls it holds, never in the way
            // of their clicks.
            box->lower();
            box->setAttribute(Qt::WA_TransparentForMouseEvents);
            return box;
        }
        if (kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON) {
            return nullptr;
        }
        auto* button = new QPushButton(text, this);
        // Enter is the dialog's (keyPressEvent), not an auto-default button's.
        button->setAutoDefault(false);
        button->setFocusPolicy(focus);
        if (kind == BS_DEFPUSHBUTTON) {
            button->setDefault(true);
            enterCommand_ = control.id;
        }
        const int id = control.id;
        connect(button, &QPushButton::clicked, this, [this, id, button] {
            SendCommand(id, button);
        });
        return button;
    }
    case kEditClassAtom: {
        auto* edit = new EditControl(this);
        if ((control.style & ES_READONLY) != 0) {
            edit->setReadOnly(true);
            // A field that cannot be edited shows on the dialog's own face,
            // as Windows draws it, so it does not look like one to type in.
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            edit->setPalette(palette);
        }
        edit->setFrame((control.style & WS_BORDER) != 0);
        if ((control.style & ES_PASSWORD) != 0) {
            edit->setEchoMode(QLineEdit::Password);
        }
        edit->setFocusPolicy(focus);
        edit->SetBytes(control.text.c_str());
        return edit;
    }
    case kStaticClassAtom: {
        const std::uint32_t kind = control.style & SS_TYPEMASK;
        if (kind == SS_LEFT) {
            return new QLabel(text, this);
        }
        if (kind != SS_BITMAP) {
            return nullptr;
        }
        // The picture keeps its frame: the bitmap is drawn at its own size
        // from the frame's top-left corner and clipped to the frame.
        ResourceBytes bitmapData;
        std::vector<std::uint8_t> bitmapFile;
        QImage image;
        if (!FindResourceData(resourceImage, kResourceTypeBitmap, control.textNumber, bitmapData) ||
            !BitmapFileFromResource(bitmapData, bitmapFile) ||
            !image.loadFromData(bitmapFile.data(), static_cast<int>(bitmapFile.size()), "BMP")) {
            return nullptr;
        }
        auto* picture = new QLabel(this);
        picture->setPixmap(QPixmap::fromImage(image));
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return picture;
    }
    default:
        return nullptr;
    }
}

INT_PTR DialogWindow::RunModal(LPARAM initParam) {
    QWidget* firstTabStop = nullptr;
    for (const ControlEntry& control : controls_) {
        if (control.widget->focusPolicy() == Qt::StrongFocus && control.widget->isEnabled()) {
            firstTabStop = control.widget;
            break;
        }
    }
    procedure_(HandleOfWidget(this), WM_INITDIALOG,
               reinterpret_cast<WPARAM>(HandleOfWidget(firstTabStop)), initParam);
    if (ended_) {
        return result_;
    }
    show();
    activateWindow();
    // The first tab stop takes the focus as if tabbed to: an edit field
    // shows its text selected, as a Windows dialog does.
    if (firstTabStop != nullptr) {
        firstTabStop->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(firstTabStop)) {
            edit->selectAll();
        }
    }
    loop_.exec(QEventLoop::DialogExec);
    return result_;
}

void DialogWindow::End(INT_PTR result) {
    ended_ = true;
    result_ = result;
    hide();
    loop_.exit();
}

QWidget* DialogWindow::Control(int id) const {
    for (const ControlEntry& control : controls_) {
        if (control.id == id) {
            return control.widget;
        }
    }
    return nullptr;
}

bool DialogWindow::HasControl(const QWidget* widget) const {
    return std::ranges::any_of(controls_,
                               [widget](const ControlEntry& control) { return control.widget == widget; });
}

void DialogWindow::SendCommand(int id, const QWidget* control) {
    if (!ended_) {
        procedure_(HandleOfWidget(this), WM_COMMAND, CommandParameter(id),
                   reinterpret_cast<LPARAM>(HandleOfWidget(control)));
    }
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        SendCommand(IDCANCEL, nullptr);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses a focused push button; anywhere else it sends the
        // default button's command, IDOK when there is none.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button != nullptr &&
                                                                      HasControl(button)) {
            button->click();
        } else {
            SendCommand(enterCommand_, Control(enterCommand_));
        }
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    // The close box asks; the dialog procedure decides (EndDialog or not).
    event->ignore();
    SendCommand(IDCANCEL, nullptr);
}
