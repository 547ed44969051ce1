#include "platform/qt/dialog_window.h"

#include "platform/qt/edit_control.h"
#include "platform/qt/embedded_resources.h"
#include "platform/qt/layered_picture.h"
#include "platform/qt/window_handles.h"
#include "resources/resource.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace {

// Dialog units are fractions of the template font's average character:
// a quarter of its width, an eighth of its height. For the templates' font
// on Windows at 96 DPI that character is 6 x 13 pixels, which is what the
// layout was drawn against; Qt scales the pixels on high-density screens.
constexpr int kBaseUnitWidth = 6;
constexpr int kBaseUnitHeight = 13;
constexpr int kUnitsPerBaseWidth = 4;
constexpr int kUnitsPerBaseHeight = 8;

// value * numerator / denominator, rounded half away from zero, as Windows
// rounds dialog units (exact in a double: 16-bit values over powers of two).
int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

QRect PixelRect(const DialogUnitRect& rect) {
    return {MulDiv(rect.x, kBaseUnitWidth, kUnitsPerBaseWidth),
            MulDiv(rect.y, kBaseUnitHeight, kUnitsPerBaseHeight),
            MulDiv(rect.width, kBaseUnitWidth, kUnitsPerBaseWidth),
            MulDiv(rect.height, kBaseUnitHeight, kUnitsPerBaseHeight)};
}

// A caption with a close box and no other, on a window of a fixed size.
constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint;

// A command's wParam: the id in the low word, the notification (zero,
// BN_CLICKED, for every command sent here) in the high word.
WPARAM CommandParameter(int id) { return static_cast<WPARAM>(static_cast<WORD>(id)); }

// A bitmap as the program carries it at one size: the bitmap resource, and
// the layers without paper it is also drawn in, where it has them.
struct CarriedBitmap {
    ResourceBytes bitmap;
    std::optional<PictureLayers> layers;
};

// The bitmap numbered `number`, at its own size or drawn at twice it; false
// if the program carries none.
bool FindCarriedBitmap(std::uint16_t number, bool twiceTheSize, CarriedBitmap& carried) {
    if (!FindResourceData(twiceTheSize ? EmbeddedDoubleSizeImage() : EmbeddedResourceImage(),
                          kResourceTypeBitmap, number, carried.bitmap)) {
        return false;
    }
    carried.layers.reset();
    if (number == IDB_LOGO) {
        carried.layers = twiceTheSize ? PictureLayers{EmbeddedLogoMarkDoubleSize(),
                                                      EmbeddedLogoWordmarkDoubleSize()}
                                      : PictureLayers{EmbeddedLogoMark(), EmbeddedLogoWordmark()};
    }
    return true;
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, DLGPROC procedure)
    : QDialog(nullptr, kWindowFlags), procedure_(procedure) {
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    // The face is a Windows alias ("MS Shell Dlg"); the desktop's own face
    // stands in for it, at the template's size and weight.
    QFont templateFont = font();
    templateFont.setPointSize(dialogTemplate.fontPointSize);
    templateFont.setWeight(static_cast<QFont::Weight>(dialogTemplate.fontWeight));
    templateFont.setItalic(dialogTemplate.fontItalic);
    setFont(templateFont);

    // The template's size is that of the client area. Its position is
    // counted from the screen's top-left, as for a dialog without owner.
    const QRect area = PixelRect(dialogTemplate.rect);
    setFixedSize(area.size());
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().topLeft() + area.topLeft());
    }

    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = MakeControl(control);
        if (widget == nullptr) {
            complete_ = false;
            continue;
        }
        widget->setGeometry(PixelRect(control.rect));
        controls_.push_back({control.id, widget});
    }
}

QWidget* DialogWindow::MakeControl(const DialogControlTemplate& control) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new EditControl(this);
        if (control.kind == ControlKind::ReadOnlyEdit) {
            edit->SetReadOnlyOnFace();
        }
        edit->SetBytes(control.text.c_str());
        return edit;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, this);
        // Enter is the dialog's (keyPressEvent), not an auto-default button's.
        button->setAutoDefault(false);
        // A tab stop, as an edit field always is, whatever the style prefers.
        button->setFocusPolicy(Qt::StrongFocus);
        const int id = control.id;
        connect(button, &QPushButton::clicked, this,
                [this, id, button] { SendCommand(id, button); });
        return button;
    }
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(text, this);
        // A frame drawn behind the controls it holds, never in the way of
        // their clicks.
        box->lower();
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        return box;
    }
    case ControlKind::Picture: {
        // The picture keeps its frame: the bitmap is drawn at its own size
        // from the frame's top-left corner and clipped to the frame. From
        // 150 % a bitmap drawn at twice the size takes its place, at the
        // same size in the dialog's pixels. A bitmap carried in layers too
        // is shown from them, on the dialog's own face.
        CarriedBitmap carried;
        std::vector<std::uint8_t> bitmapFile;
        QImage image;
        const bool doubleSize =
            devicePixelRatioF() >= 1.5 && FindCarriedBitmap(control.bitmapNumber, true, carried);
        if ((!doubleSize && !FindCarriedBitmap(control.bitmapNumber, false, carried)) ||
            !BitmapFileFromResource(carried.bitmap, bitmapFile) ||
            !image.loadFromData(bitmapFile.data(), static_cast<int>(bitmapFile.size()), "BMP")) {
            return nullptr;
        }
        const int scale = doubleSize ? 2 : 1;
        QLabel* picture = nullptr;
        if (carried.layers) {
            picture = LayeredPicture::Make(*carried.layers, image.size(), scale, this);
        } else {
            image.setDevicePixelRatio(scale);
            picture = new QLabel(this);
            picture->setPixmap(QPixmap::fromImage(image));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        // A picture has no text of its own: assistive technology names it
        // by the dialog's caption, the program's name, as its logo shows.
        if (picture != nullptr) {
            picture->setAccessibleName(windowTitle());
        }
        return picture;
    }
    }
    return nullptr;
}

INT_PTR DialogWindow::RunModal(LPARAM initParam) {
    const auto tabStop = std::ranges::find_if(controls_, [](const ControlEntry& control) {
        return control.widget->focusPolicy() == Qt::StrongFocus;
    });
    QWidget* firstTabStop = tabStop != controls_.end() ? tabStop->widget : nullptr;
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
    const auto found = std::ranges::find(controls_, id, &ControlEntry::id);
    return found != controls_.end() ? found->widget : nullptr;
}

bool DialogWindow::HasControl(const QWidget* widget) const {
    return std::ranges::any_of(
        controls_, [widget](const ControlEntry& control) { return control.widget == widget; });
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
        // Enter presses a focused push button; anywhere else it sends IDOK,
        // as in a dialog without a default button.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button != nullptr && HasControl(button)) {
            button->click();
        } else {
            SendCommand(IDOK, nullptr);
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
