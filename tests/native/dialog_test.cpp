// The native program as a user meets it, offscreen: its dialog realised
// from the resource script, the keyboard, the compute command with its
// notice, the read-only result field and the file chooser.
#include "platform/qt/embedded_resources.h"
#include "platform/qt/layered_picture.h"
#include "platform/qt/window_handles.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "tests/native/program_driver.h"
#include "tests/notice_threshold.h"
#include "tests/test_support.h"
#include "ui/main_dialog.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

using program::Button;
using program::Compute;
using program::Field;
using program::RunProgram;
using program::Shown;

void Activate(QDialog& dialog) {
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

// Which pixel rows of a field's first `width` pixels hold ink, its frame
// too light to count: a 1 for each such row, a 0 for each other.
std::string InkRows(QLineEdit* field, int width) {
    const QImage image = field->grab(QRect(0, 0, width, field->height())).toImage();
    std::string rows;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 3; x < image.width(); ++x) {
            ink = ink || qGray(image.pixel(x, y)) < 128;
        }
        rows += ink ? '1' : '0';
    }
    return rows;
}

// The application's palette for as long as this lives, as a desktop's
// colours change under a running program; then the one before. Qt tells
// the windows through their event queues.
class ApplicationPalette {
public:
    explicit ApplicationPalette(const QPalette& palette) {
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();
    }
    ~ApplicationPalette() {
        QApplication::setPalette(before_);
        QCoreApplication::processEvents();
    }
    ApplicationPalette(const ApplicationPalette&) = delete;
    ApplicationPalette& operator=(const ApplicationPalette&) = delete;

private:
    QPalette before_ = QApplication::palette();
};

// A dark desktop's colours: qt6ct's "darker" scheme.
QPalette DarkPalette() {
    const auto rgb = [](QRgb value) { return QColor::fromRgb(value); };
    return {rgb(0xffffff), rgb(0x424245), rgb(0x979797), rgb(0x302f2e), rgb(0x4a4947),
            rgb(0xffffff), rgb(0xffffff), rgb(0x3d3d3d), rgb(0x222020)};
}

TEST(NativeStart, TheDialogOpensWithItsCaptionTextsAndButtonsAndNoResizing) {
    HWND handle = nullptr;
    const int result = RunProgram([&handle](QDialog& dialog) {
        handle = HandleOfWidget(&dialog);
        EXPECT_EQ(dialog.windowTitle(), "Quorvin");
        EXPECT_EQ(Shown(dialog, IDC_PATH), kPathPrompt);
        EXPECT_EQ(Shown(dialog, IDC_RESULT), kResultStart);
        EXPECT_EQ(Button(dialog, IDC_BROWSE)->text().toStdString(), "浏览...");
        EXPECT_EQ(Button(dialog, IDC_COMPUTE)->text().toStdString(), "计算");
        EXPECT_FALSE(Field(dialog, IDC_PATH)->isReadOnly());
        EXPECT_TRUE(Field(dialog, IDC_RESULT)->isReadOnly());
        // Only the read-only field looks it: on the dialog's face colour.
        const QColor face = dialog.palette().color(QPalette::Window);
        EXPECT_EQ(Field(dialog, IDC_RESULT)->palette().color(QPalette::Base), face);
        EXPECT_NE(Field(dialog, IDC_PATH)->palette().color(QPalette::Base), face);
        {
            const ApplicationPalette dark(DarkPalette());
            EXPECT_EQ(Field(dialog, IDC_RESULT)->palette().color(QPalette::Base),
                      DarkPalette().color(QPalette::Window))
                << "the face of a palette that came while the program ran";
            EXPECT_NE(Field(dialog, IDC_PATH)->palette().color(QPalette::Base),
                      DarkPalette().color(QPalette::Window));
        }
        EXPECT_FALSE(Button(dialog, IDC_BROWSE)->isDefault());
        EXPECT_FALSE(Button(dialog, IDC_COMPUTE)->isDefault());

        // A close box, no minimise or maximise box, one fixed size.
        const Qt::WindowFlags flags = dialog.windowFlags();
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());

        // The first tab stop has the focus, its text selected.
        Activate(dialog);
        EXPECT_EQ(QApplication::focusWidget(), Field(dialog, IDC_PATH));
        EXPECT_EQ(Field(dialog, IDC_PATH)->selectedText().toStdString(), kPathPrompt);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(WidgetOfHandle(handle), nullptr) << "the closed dialog's handle still resolves";
}

// Dialog units times the template font's base units at 96 DPI (6 x 13):
// 1.5 pixels a unit across, 1.625 down, rounded as Windows rounds.
TEST(NativeLayout, EveryControlSitsAtItsTemplateRectangleInPixels) {
    RunProgram([](QDialog& dialog) {
        EXPECT_EQ(dialog.size(), QSize(447, 127)) << "298 x 78 units";
        EXPECT_EQ(Field(dialog, IDC_PATH)->geometry(), QRect(18, 20, 333, 20));
        EXPECT_EQ(Button(dialog, IDC_BROWSE)->geometry(), QRect(360, 20, 72, 20));
        EXPECT_EQ(Field(dialog, IDC_RESULT)->geometry(), QRect(18, 49, 333, 20));
        EXPECT_EQ(Button(dialog, IDC_COMPUTE)->geometry(), QRect(360, 49, 72, 20));

        const auto boxes = dialog.findChildren<QGroupBox*>();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0]->geometry(), QRect(9, 0, 432, 117));
        EXPECT_TRUE(boxes[0]->title().isEmpty());

        const auto labels = dialog.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0]->geometry(), QRect(333, 78, 99, 29)) << "66 x 18 units";

        // Both fields place their line by the font alone, as Windows does:
        // a Chinese character, drawn from a taller fallback face, moves no
        // text up. The same start, with no caret in either field.
        Button(dialog, IDC_COMPUTE)->setFocus();
        program::SetPath(dialog, "ABC 示例文件");
        Field(dialog, IDC_RESULT)->setText("ABC");
        EXPECT_EQ(InkRows(Field(dialog, IDC_PATH), 24), InkRows(Field(dialog, IDC_RESULT), 24));
        // And where Qt centres a Latin line in a plain field of that size.
        QLineEdit plain("ABC", &dialog);
        plain.setGeometry(Field(dialog, IDC_RESULT)->geometry());
        EXPECT_EQ(InkRows(Field(dialog, IDC_RESULT), 24), InkRows(&plain, 24));
    });
}

// WCAG 2's contrast ratio, worked out here: the logo is checked against
// the definition, not against the layer's own arithmetic.
double Contrast(QColor first, QColor second) {
    const auto luminance = [](QColor colour) {
        const auto linear = [](double c) {
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
               0.0722 * linear(colour.blueF());
    };
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QImage Layer(ResourceBytes png) {
    QImage layer;
    EXPECT_TRUE(layer.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"));
    return layer.convertToFormat(QImage::Format_ARGB32);
}

// The logo as the dialog shows it on its face in the palette in force: the
// face beside the logo's frame shows through wherever the logo's layers
// leave it, and the wordmark, where fully inked, reads on it as text must.
void ExpectTheLogoOnTheFace(QDialog& dialog, ResourceBytes mark, ResourceBytes wordmark) {
    const QImage markLayer = Layer(mark);
    const QImage wordmarkLayer = Layer(wordmark);
    const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    const QPoint corner = labels[0]->pos() * dialog.devicePixelRatioF();
    const QColor face = shown.pixelColor(corner - QPoint(1, 0));
    int notFace = 0;
    double leastContrast = 21;
    for (int y = 0; y < markLayer.height(); ++y) {
        for (int x = 0; x < markLayer.width(); ++x) {
            const QColor pixel = shown.pixelColor(corner + QPoint(x, y));
            const int inked = qAlpha(wordmarkLayer.pixel(x, y));
            if (qAlpha(markLayer.pixel(x, y)) == 0 && inked == 0 && pixel != face) {
                ++notFace;
            }
            if (inked == 255) {
                leastContrast = std::min(leastContrast, Contrast(pixel, face));
            }
        }
    }
    EXPECT_EQ(notFace, 0) << "pixels of the logo's paper that are not the face "
                          << face.name().toStdString();
    EXPECT_GE(leastContrast, 4.5) << "the wordmark on the face " << face.name().toStdString();
}

// The logo at its size in the picture's frame from its corner: on Windows'
// face, the bitmap Quorvin.exe shows, to within the rounding of one level
// at the edges blended with it; on the face of a light and of a dark
// desktop, laid on that face, the palette changing while the program runs.
void ExpectTheLogo(QDialog& dialog, const char* bitmapFile, ResourceBytes mark,
                   ResourceBytes wordmark) {
    const QImage bitmap = QImage(bitmapFile).convertToFormat(QImage::Format_RGB32);
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    {
        QPalette windowsFace = QApplication::palette();
        windowsFace.setColor(QPalette::Window, bitmap.pixelColor(0, 0));
        const ApplicationPalette palette(windowsFace);
        const QImage shown = labels[0]->grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), bitmap.size());
        int largestDifference = 0;
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                const QRgb a = shown.pixel(x, y);
                const QRgb b = bitmap.pixel(x, y);
                largestDifference =
                    std::max({largestDifference, std::abs(qRed(a) - qRed(b)),
                              std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        EXPECT_LE(largestDifference, 1) << bitmapFile;
    }
    ExpectTheLogoOnTheFace(dialog, mark, wordmark);
    const ApplicationPalette dark(DarkPalette());
    ExpectTheLogoOnTheFace(dialog, mark, wordmark);
}

TEST(NativeLogoInk, TheDrawnInkThenTheTextColourThenTheBetterOfBlackAndWhite) {
    EXPECT_DOUBLE_EQ(ContrastRatio(Qt::black, Qt::white), 21.0);
    const QImage wordmark = Layer(EmbeddedLogoWordmark());
    QColor drawnInk = wordmark.pixelColor(0, 0);
    drawnInk.setAlpha(255);
    // A mid-grey face, on which the drawn navy reads at less than 4.5:1.
    const QColor grey(0x90, 0x90, 0x90);
    ASSERT_LT(Contrast(drawnInk, grey), 4.5);
    QPalette palette;
    palette.setColor(QPalette::Window, grey);
    palette.setColor(QPalette::WindowText, Qt::black);
    EXPECT_EQ(InkColour(drawnInk, palette), QColor(Qt::black));
    // Neither the drawn ink nor the text reads on this face: white does.
    const QColor dark(34, 32, 32);
    palette.setColor(QPalette::Window, dark);
    palette.setColor(QPalette::WindowText, dark);
    EXPECT_EQ(InkColour(drawnInk, palette), QColor(Qt::white));
    // A layer of another size than the bitmap's is refused.
    EXPECT_EQ(LayeredPicture::Make({EmbeddedLogoMark(), EmbeddedLogoWordmarkDoubleSize()},
                                   wordmark.size(), 1, nullptr),
              nullptr);
}

TEST(NativeLayout, TheLogoIsTheBitmapAtItsOwnSizeFromThePicturesCorner) {
    RunProgram([](QDialog& dialog) {
        ExpectTheLogo(dialog, QUORVIN_SOURCE_DIR "/resources/logo.bmp", EmbeddedLogoMark(),
                      EmbeddedLogoWordmark());
    });
}

TEST(NativeKeyboard, TabVisitsTheTabStopsInTemplateOrderAndShiftTabGoesBack) {
    RunProgram([](QDialog& dialog) {
        Activate(dialog);
        const std::vector<QWidget*> order = {Field(dialog, IDC_PATH), Button(dialog, IDC_BROWSE),
                                             Field(dialog, IDC_RESULT),
                                             Button(dialog, IDC_COMPUTE)};
        for (std::size_t step = 1; step <= order.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), order[step % order.size()]) << "Tab " << step;
        }
        for (std::size_t step = 1; step <= order.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            EXPECT_EQ(QApplication::focusWidget(), order[(2 * order.size() - step) % order.size()])
                << "Shift+Tab " << step;
        }
        // Tabbing into an edit field selects its text.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(Field(dialog, IDC_RESULT)->selectedText().toStdString(), kResultStart);
    });
}

TEST(NativeKeyboard, EnterInAFieldEscapeAndTheCloseBoxEachEndTheProgramWithOne) {
    const std::vector<std::pair<const char*, std::function<void(QDialog&)>>> endings = {
        {"Enter in the path field",
         [](QDialog& dialog) { QTest::keyClick(Field(dialog, IDC_PATH), Qt::Key_Return); }},
        {"Enter in the result field",
         [](QDialog& dialog) { QTest::keyClick(Field(dialog, IDC_RESULT), Qt::Key_Enter); }},
        {"Escape",
         [](QDialog& dialog) { QTest::keyClick(Field(dialog, IDC_PATH), Qt::Key_Escape); }},
        {"the close box", [](QDialog& dialog) { dialog.close(); }},
    };
    for (const auto& [name, ending] : endings) {
        bool endedBySteps = false;
        EXPECT_EQ(RunProgram(ending, &endedBySteps), 1) << name;
        EXPECT_TRUE(endedBySteps) << name << " did not end the dialog";
    }
}

TEST(NativeKeyboard, EnterOnAFocusedButtonPressesItInsteadOfEndingTheDialog) {
    program::ScratchFolder scratch;
    const std::vector<unsigned char> bytes = SampleBytes(1000);
    const std::string path = scratch.Write("pressed.bin", bytes);
    RunProgram([&](QDialog& dialog) {
        program::SetPath(dialog, path);
        Activate(dialog);
        Button(dialog, IDC_COMPUTE)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Button(dialog, IDC_COMPUTE), Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Shown(dialog, IDC_RESULT), program::ReferenceMd5(bytes));
    });
}

TEST(NativeCompute, FilesGiveOpenSslsDigestAndFailuresTheirTexts) {
    program::ScratchFolder scratch;
    RunProgram([&](QDialog& dialog) {
        for (const std::size_t size : {0u, 1u, 63u, 64u, 65u, 65535u, 65536u, 65537u, 3000000u}) {
            const std::vector<unsigned char> bytes = SampleBytes(size);
            const std::string path = scratch.Write("sample" + std::to_string(size), bytes);
            EXPECT_EQ(Compute(dialog, path), program::ReferenceMd5(bytes)) << size << " bytes";
        }
        EXPECT_EQ(Compute(dialog, ""), kEmptyPathText);
        EXPECT_EQ(Compute(dialog, scratch.Path("missing")), kOpenFailedText);
        EXPECT_EQ(Compute(dialog, scratch.Folder().string()), kOpenFailedText);
        EXPECT_EQ(Compute(dialog, kPathPrompt), kOpenFailedText);
    });
}

TEST(NativeCompute, ATypedPathInChineseReachesTheFileAsUtf8) {
    program::ScratchFolder scratch;
    const std::vector<unsigned char> bytes = SampleBytes(4321);
    const std::string path = scratch.Write("校验 文件.bin", bytes);
    RunProgram([&](QDialog& dialog) {
        Activate(dialog);
        QLineEdit* field = Field(dialog, IDC_PATH);
        field->setFocus(Qt::TabFocusReason);  // the prompt selected: typing replaces it
        // Key by key, each carrying its character, as an input method
        // delivers Chinese.
        for (const QChar character : QString::fromStdString(path)) {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        }
        EXPECT_EQ(Shown(dialog, IDC_PATH), path);
        EXPECT_EQ(Compute(dialog), program::ReferenceMd5(bytes));
    });
}

TEST(NativeCompute, TheBusyTextIsPaintedBeforeTheFileIsRead) {
    program::ScratchFolder scratch;
    const std::string path = scratch.Write("painted.bin", SampleBytes(100));
    RunProgram([&](QDialog& dialog) {
        QTest::qWait(50);  // the dialog's first paint done
        program::SetPath(dialog, path);
        program::PaintedTexts painted(Field(dialog, IDC_RESULT));
        Compute(dialog);
        ASSERT_FALSE(painted.Texts().empty()) << "nothing painted while the command ran";
        EXPECT_EQ(painted.Texts().front(), kBusyText);
    });
}

TEST(NativeNotice, ShownFromExactly100MiBUnownedWithTheDialogStillAtWork) {
    program::ScratchFolder scratch;
    const std::string below = scratch.WriteZeros("below.bin", kNoticeThreshold - 1);
    const std::string large = scratch.WriteZeros("large.bin", kNoticeThreshold);
    const std::vector<unsigned char> smallBytes = SampleBytes(777);
    const std::string small = scratch.Write("small.bin", smallBytes);
    RunProgram([&](QDialog& dialog) {
        program::SetPath(dialog, below);
        EXPECT_FALSE(program::ComputeThroughNotice(dialog, [](QMessageBox&) {}));
        EXPECT_EQ(Shown(dialog, IDC_RESULT), program::ReferenceMd5OfZeros(kNoticeThreshold - 1));

        QTest::qWait(50);
        program::SetPath(dialog, large);
        program::PaintedTexts painted(Field(dialog, IDC_RESULT));
        const bool noticed = program::ComputeThroughNotice(dialog, [&](QMessageBox& notice) {
            EXPECT_EQ(notice.windowTitle().toStdString(), kLargeFileCaption);
            EXPECT_EQ(notice.text().toStdString(), kLargeFileNotice);
            EXPECT_EQ(notice.parentWidget(), nullptr) << "the notice has no owner";
            ASSERT_FALSE(painted.Texts().empty());
            EXPECT_EQ(painted.Texts().back(), kBusyText) << "on screen while the notice waits";
            // The dialog is not blocked: a compute runs inside the wait.
            EXPECT_TRUE(dialog.isEnabled());
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
            EXPECT_EQ(Compute(dialog, small), program::ReferenceMd5(smallBytes));
        });
        EXPECT_TRUE(noticed);
        EXPECT_EQ(Shown(dialog, IDC_RESULT), program::ReferenceMd5OfZeros(kNoticeThreshold));
        EXPECT_TRUE(program::Notices().empty());
    });
}

TEST(NativeResultField, TheDigestCanBeSelectedAndCopiedButNotEdited) {
    program::ScratchFolder scratch;
    const std::vector<unsigned char> bytes = SampleBytes(2024);
    const std::string path = scratch.Write("copied.bin", bytes);
    RunProgram([&](QDialog& dialog) {
        const std::string digest = Compute(dialog, path);
        ASSERT_EQ(digest, program::ReferenceMd5(bytes));
        Activate(dialog);
        QLineEdit* result = Field(dialog, IDC_RESULT);
        result->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(result, "typed");
        QTest::keyClick(result, Qt::Key_Backspace);
        EXPECT_EQ(Shown(dialog, IDC_RESULT), digest);

        QApplication::clipboard()->clear();
        QTest::keyClick(result, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(result, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), digest);

        // To assistive technology: read-only, its text selectable, the
        // selection made, one run of the field's font over the whole text
        // (as over the path field's), and each character where the field
        // draws it, by Qt's own placing of the cursor.
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(result);
        EXPECT_TRUE(field->state().readOnly && field->state().selectableText);
        QAccessibleTextInterface* text = field->textInterface();
        std::pair<int, int> range;
        text->selection(0, &range.first, &range.second);
        EXPECT_EQ(range, std::pair(0, 32)) << "the selection";
        for (QLineEdit* each : {result, Field(dialog, IDC_PATH)}) {
            QAccessible::queryAccessibleInterface(each)->textInterface()->attributes(
                5, &range.first, &range.second);
            EXPECT_EQ(range, std::pair(0, static_cast<int>(each->text().size()))) << "the runs";
        }
        const QRect shown(result->mapToGlobal(QPoint(0, 0)), result->size());
        for (int offset = 0; offset < 32; ++offset) {
            const QRect place = text->characterRect(offset);
            EXPECT_TRUE(shown.contains(place)) << offset;
            const QPoint inside = result->mapFromGlobal(place.topLeft() + QPoint(1, 1));
            EXPECT_EQ(result->cursorPositionAt(inside), offset);
            EXPECT_EQ(text->offsetAtPoint(place.center()), offset);
        }
    });
}

// Presses browse and runs `inChooser` while the chooser waits.
void Browse(QDialog& dialog, const std::function<void(QFileDialog&)>& inChooser) {
    bool opened = false;
    program::RunInsideLoopOf([&] { QTest::mouseClick(Button(dialog, IDC_BROWSE), Qt::LeftButton); },
                             [&] {
                                 const std::vector<QFileDialog*> choosers =
                                     program::WindowsShown<QFileDialog>();
                                 if (choosers.empty()) {
                                     return;
                                 }
                                 opened = true;
                                 inChooser(*choosers.front());
                                 if (choosers.front()->isVisible()) {
                                     choosers.front()->reject();
                                 }
                             });
    EXPECT_TRUE(opened) << "no chooser";
}

// The names the chooser lists in its current folder, once it has read it.
std::vector<std::string> Listed(QFileDialog& chooser, std::size_t expected) {
    auto* view = chooser.findChild<QListView*>("listView");
    std::vector<std::string> names;
    if (view == nullptr) {
        ADD_FAILURE() << "no list in the chooser";
        return names;
    }
    [[maybe_unused]] const bool settled = QTest::qWaitFor(
        [&] { return view->model()->rowCount(view->rootIndex()) == static_cast<int>(expected); });
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
        names.push_back(
            view->model()->index(row, 0, view->rootIndex()).data().toString().toStdString());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(NativeBrowse, TheChooserFiltersAllThenTextInAnyCaseAndFillsThePathField) {
    program::ScratchFolder scratch;
    for (const char* name : {"a.txt", "B.TXT", "c.Txt", "d.bin", "no-dot", "e.txt.bak"}) {
        scratch.Write(name, {});
    }
    const QString folder = QString::fromStdString(scratch.Folder().string());
    RunProgram([&](QDialog& dialog) {
        program::SetPath(dialog, "typed by hand");
        Browse(dialog, [&](QFileDialog& chooser) {
            EXPECT_EQ(chooser.parentWidget(), &dialog) << "owned by the dialog";
            EXPECT_EQ(chooser.fileMode(), QFileDialog::ExistingFile);
            EXPECT_EQ(chooser.selectedNameFilter().toStdString().substr(0, 3), "All");
            chooser.setDirectory(folder);
            EXPECT_EQ(Listed(chooser, 6),
                      (std::vector<std::string>{"B.TXT", "a.txt", "c.Txt", "d.bin", "e.txt.bak",
                                                "no-dot"}));
            chooser.selectNameFilter(chooser.nameFilters().value(1));
            EXPECT_EQ(Listed(chooser, 3), (std::vector<std::string>{"B.TXT", "a.txt", "c.Txt"}));
        });
        EXPECT_EQ(Shown(dialog, IDC_PATH), "typed by hand") << "a cancel changes nothing";

        Shown(dialog, IDC_RESULT);
        Browse(dialog, [&](QFileDialog& chooser) {
            chooser.setDirectory(folder);
            chooser.selectFile(folder + "/d.bin");
            QMetaObject::invokeMethod(&chooser, "accept");
        });
        EXPECT_EQ(Shown(dialog, IDC_PATH), scratch.Path("d.bin"));
        EXPECT_EQ(Shown(dialog, IDC_RESULT), kResultStart) << "browsing never computes";
        EXPECT_EQ(QDir::currentPath(), folder) << "left in the chosen file's folder";
    });
    QDir::setCurrent(QUORVIN_SOURCE_DIR);
}

TEST(NativeBrowse, AChosenPathTooLongForTheBufferLeavesThePathFieldAsItWas) {
    program::ScratchFolder scratch;
    // Exactly the buffer's size: the terminator would be one byte past it.
    const std::size_t nameLength = kBrowsePathBufferSize - scratch.Folder().string().size() - 1;
    const std::string path = scratch.Write(std::string(nameLength - 4, 'n') + ".bin", {});
    ASSERT_EQ(path.size(), static_cast<std::size_t>(kBrowsePathBufferSize));
    RunProgram([&](QDialog& dialog) {
        Browse(dialog, [&](QFileDialog& chooser) {
            chooser.setDirectory(QString::fromStdString(scratch.Folder().string()));
            chooser.selectFile(QString::fromStdString(path));
            QMetaObject::invokeMethod(&chooser, "accept");
        });
        EXPECT_EQ(Shown(dialog, IDC_PATH), kPathPrompt);
    });
    QDir::setCurrent(QUORVIN_SOURCE_DIR);
}

TEST(NativeScreenshot, TheDialogAfterACompute) {
    program::ScratchFolder scratch;
    const std::string path = scratch.Write("示例文件.bin", SampleBytes(5000));
    RunProgram([&](QDialog& dialog) {
        Compute(dialog, path);
        QDir().mkpath(QUORVIN_SCREENSHOT_DIR);
        EXPECT_TRUE(dialog.grab().save(QUORVIN_SCREENSHOT_DIR "/quorvin-native.png"));
        const ApplicationPalette dark(DarkPalette());
        EXPECT_TRUE(dialog.grab().save(QUORVIN_SCREENSHOT_DIR "/quorvin-native-dark.png"));
    });
}

// Run on its own with QT_SCALE_FACTOR=2, and again with 1.5 (see
// tests/CMakeLists.txt): the screen's ratio is set before the application
// starts.
TEST(NativeDoubleDensity, TheLogoIsTheBitmapDrawnAtTwiceTheSizeInTheSamePlace) {
    program::ScratchFolder scratch;
    const std::string path = scratch.Write("示例文件.bin", SampleBytes(5000));
    RunProgram([&](QDialog& dialog) {
        const qreal ratio = dialog.devicePixelRatioF();
        ASSERT_TRUE(ratio == 2.0 || ratio == 1.5)
            << "run with QT_SCALE_FACTOR=2 or 1.5, not " << ratio;
        const auto labels = dialog.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels[0]->pixmap().devicePixelRatio(), 2.0);
        EXPECT_EQ(labels[0]->pixmap().size(),
                  QImage(QUORVIN_SOURCE_DIR "/resources/logo-2x.bmp").size());
        // At 150 % the frame's device pixels fall between the bitmap's:
        // what is drawn there is compared at 200 % alone.
        if (ratio == 1.5) {
            return;
        }
        Compute(dialog, path);
        const QImage shown = dialog.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QDir().mkpath(QUORVIN_SCREENSHOT_DIR);
        EXPECT_TRUE(shown.save(QUORVIN_SCREENSHOT_DIR "/quorvin-native-200.png"));
        EXPECT_EQ(shown.size(), QSize(894, 254)) << "the dialog's 447 x 127, doubled";
        ExpectTheLogo(dialog, QUORVIN_SOURCE_DIR "/resources/logo-2x.bmp",
                      EmbeddedLogoMarkDoubleSize(), EmbeddedLogoWordmarkDoubleSize());
    });
}

}  // namespace
