// The dialog procedure, the browse command and the entry, against the
// recording window-system double.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "resources/texts.h"
#include "ui/main_dialog.h"
#include "ui/win_main.h"
#include "window_system_double.h"

namespace {

using window_double::Call;

WPARAM Command(int id, int notification = 0) {
    return static_cast<WPARAM>(id) | (static_cast<WPARAM>(notification) << 16);
}

class MainDialog : public testing::Test {
protected:
    void SetUp() override { window_double::Reset(); }
    static HWND Dialog() { return window_double::Dialog(); }
};

TEST_F(MainDialog, StartsWithThePromptThenTheStartTextAndTheDefaultFocus) {
    EXPECT_EQ(MainDialogProc(Dialog(), WM_INITDIALOG, 0, 0), FALSE);
    const auto& events = window_double::Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].controlId, IDC_PATH);
    EXPECT_EQ(events[0].text, kPathPrompt);
    EXPECT_EQ(events[1].controlId, IDC_RESULT);
    EXPECT_EQ(events[1].text, kResultStart);
}

TEST_F(MainDialog, DispatchesOnTheCommandIdAlone) {
    // A notification code in the high word changes nothing.
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDOK), 0), TRUE);
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDCANCEL, 1), 0), TRUE);
    const auto& events = window_double::Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].call, Call::EndDialog);
    EXPECT_EQ(events[0].controlId, IDOK);
    EXPECT_EQ(events[1].call, Call::EndDialog);
    EXPECT_EQ(events[1].controlId, IDCANCEL);

    window_double::SetControlText(IDC_PATH, kPathPrompt);
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDC_COMPUTE), 0), TRUE);
    EXPECT_EQ(window_double::ControlText(IDC_RESULT), kOpenFailedText);
}

TEST_F(MainDialog, LeavesNotificationsAndOtherMessagesAlone) {
    constexpr int kEditChanged = 0x0300;  // EN_CHANGE, from either edit field
    constexpr UINT kPaint = 0x000F;
    window_double::SetControlText(IDC_PATH, "some path");
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDC_PATH, kEditChanged), 0), FALSE);
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDC_RESULT, kEditChanged), 0), FALSE);
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(4242), 0), FALSE);
    EXPECT_EQ(MainDialogProc(Dialog(), kPaint, Command(IDOK), 0), FALSE);
    EXPECT_TRUE(window_double::Events().empty());
}

TEST_F(MainDialog, BrowseAsksForAnExistingFileWithTheAllFilterFirst) {
    OPENFILENAMEA seen = {};
    std::string filter;
    window_double::OnGetOpenFileName([&](OPENFILENAMEA& request) {
        seen = request;
        // The list runs to the empty name: two terminators in a row.
        const char* end = request.lpstrFilter;
        while (end[0] != '\0' || end[1] != '\0') {
            ++end;
        }
        filter.assign(request.lpstrFilter, end + 2);
        EXPECT_EQ(request.lpstrFile[0], '\0') << "the file buffer starts empty";
        return FALSE;
    });
    EXPECT_EQ(MainDialogProc(Dialog(), WM_COMMAND, Command(IDC_BROWSE), 0), TRUE);

    EXPECT_EQ(seen.lStructSize, OPENFILENAME_SIZE_VERSION_400A);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(seen.lStructSize, 76u);
    }
    EXPECT_EQ(seen.hwndOwner, Dialog());
    EXPECT_EQ(filter, std::string("All\0*.*\0Text\0*.TXT\0\0", 20));
    EXPECT_EQ(seen.nFilterIndex, 1u);
    EXPECT_NE(seen.lpstrFile, nullptr);
    EXPECT_EQ(seen.nMaxFile, 260u);
    EXPECT_EQ(seen.Flags, 0x1800u);
    EXPECT_EQ(seen.hInstance, nullptr);
    EXPECT_EQ(seen.lpstrCustomFilter, nullptr);
    EXPECT_EQ(seen.lpstrFileTitle, nullptr);
    EXPECT_EQ(seen.lpstrInitialDir, nullptr);
    EXPECT_EQ(seen.lpstrTitle, nullptr);
    EXPECT_EQ(seen.lpstrDefExt, nullptr);
    EXPECT_EQ(seen.lpfnHook, nullptr);
}

TEST_F(MainDialog, BrowseReplacesThePathOnlyWhenAFileWasChosen) {
    window_double::SetControlText(IDC_PATH, "typed by hand");
    window_double::SetControlText(IDC_RESULT, "last result");
    const std::string longest(259, 'p');  // fills the 260-byte buffer

    for (BOOL answer : {FALSE, 2}) {  // cancelled, or anything but 1
        window_double::OnGetOpenFileName([&](OPENFILENAMEA& request) {
            std::memcpy(request.lpstrFile, "/ignored", 9);
            return answer;
        });
        OnBrowse(Dialog());
        EXPECT_EQ(window_double::ControlText(IDC_PATH), "typed by hand") << answer;
    }

    window_double::OnGetOpenFileName([&](OPENFILENAMEA& request) {
        std::memcpy(request.lpstrFile, longest.c_str(), longest.size() + 1);
        return TRUE;
    });
    OnBrowse(Dialog());
    EXPECT_EQ(window_double::ControlText(IDC_PATH), longest);
    EXPECT_EQ(window_double::ControlText(IDC_RESULT), "last result");
}

TEST_F(MainDialog, WinMainRunsDialog129UnownedAndAlwaysReturnsOne) {
    for (INT_PTR ended : {-1, 0, IDOK, IDCANCEL}) {
        window_double::DialogBoxRequest seen = {};
        window_double::OnDialogBox([&](const window_double::DialogBoxRequest& request) {
            seen = request;
            return ended;
        });
        char commandLine[] = "C:\\some\\file.txt";
        EXPECT_EQ(WinMain(nullptr, nullptr, commandLine, 1), 1) << ended;
        EXPECT_EQ(seen.templateName, MAKEINTRESOURCEA(IDD_MAIN));
        EXPECT_EQ(seen.owner, nullptr);
        EXPECT_EQ(seen.procedure, &MainDialogProc);
        EXPECT_EQ(seen.parameter, 0);
    }
}

}  // namespace
