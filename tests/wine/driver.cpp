#include "tests/wine/driver.h"

#include <wincrypt.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/resource.h"

namespace driver {

namespace {

// How long a dialog that is merely idle may take to answer.
constexpr DWORD kAnswerMs = 10000;

struct WindowQuery {
    DWORD processId;
    const std::string* caption;  // null: any caption
    HWND owner;                  // null: any owner
    bool all;                    // false: stop at the first match
    std::vector<HWND> found;
};

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto& query = *reinterpret_cast<WindowQuery*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != query.processId || !IsWindowVisible(window) || ClassName(window) != "#32770") {
        return TRUE;
    }
    if (query.owner != nullptr && GetWindow(window, GW_OWNER) != query.owner) {
        return TRUE;
    }
    if (query.caption != nullptr && Text(window) != *query.caption) {
        return TRUE;
    }
    query.found.push_back(window);
    return query.all ? TRUE : FALSE;
}

}  // namespace

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string Text(HWND window) {
    char text[4096] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_NORMAL, kPatienceMs, &length) == 0) {
        return "<no answer>";
    }
    return std::string(text, length);
}

HWND FindDialogWindow(DWORD processId, const std::string* caption, HWND owner) {
    WindowQuery query{processId, caption, owner, false, {}};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found.empty() ? nullptr : query.found.front();
}

HWND WaitForDialogWindow(DWORD processId, const std::string* caption, HWND owner) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (HWND window = FindDialogWindow(processId, caption, owner)) {
            return window;
        }
        Sleep(kPollMs);
    }
    return nullptr;
}

std::vector<HWND> DialogWindows(DWORD processId, const std::string& caption) {
    WindowQuery query{processId, &caption, nullptr, true, {}};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

bool WaitUntilGone(HWND window) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

void SetText(HWND window, const std::string& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

void Press(HWND dialog, int buttonId) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)), SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

void PressWithoutWaiting(HWND dialog, int buttonId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void PressKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

Program Start() {
    const std::string executable = Environment("QUORVIN_EXE");
    std::string commandLine = "\"" + executable + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Program program = {};
    // Started in the scratch folder: the file chooser opens there, on a few
    // files, rather than on whatever folder the test runner is in.
    const std::string folder = Environment("QUORVIN_SCRATCH");
    if (!CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &program.process)) {
        ADD_FAILURE() << "cannot start " << executable << ": error " << GetLastError();
        return program;
    }
    const std::string caption = "Quorvin";
    program.dialog = WaitForDialogWindow(program.process.dwProcessId, &caption, nullptr);
    EXPECT_NE(program.dialog, nullptr) << "the dialog did not appear";
    return program;
}

std::string Compute(const Program& program, const std::string& path) {
    SetText(GetDlgItem(program.dialog, IDC_PATH), path);
    Press(program.dialog, IDC_COMPUTE);
    return Text(GetDlgItem(program.dialog, IDC_RESULT));
}

void Abandon(Program& program) {
    TerminateProcess(program.process.hProcess, 99);
    WaitForSingleObject(program.process.hProcess, kPatienceMs);
    program.dialog = nullptr;
}

int ExitStatus(Program& program) {
    if (WaitForSingleObject(program.process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(program.process.hProcess, 99);
        return -1;
    }
    DWORD status = 0;
    GetExitCodeProcess(program.process.hProcess, &status);
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    return static_cast<int>(status);
}

bool StillRunning(const Program& program) {
    if (WaitForSingleObject(program.process.hProcess, 0) != WAIT_TIMEOUT) {
        return false;
    }
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(program.dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs,
                               &ignored) != 0;
}

long OpenHandleCount(const Program& program) {
    // The system-wide handle list (SystemHandleInformation): a count, then
    // one entry per handle, naming the process that holds it.
    struct HandleEntry {
        ULONG processId;
        UCHAR objectType;
        UCHAR flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    // STATUS_INFO_LENGTH_MISMATCH
    constexpr NTSTATUS kListTooSmall = static_cast<NTSTATUS>(0xC0000004L);
    std::vector<unsigned char> list(1 << 16);
    NTSTATUS status = kListTooSmall;
    while (status == kListTooSmall) {
        ULONG needed = 0;
        status = NtQuerySystemInformation(SystemHandleInformation, list.data(),
                                          static_cast<ULONG>(list.size()), &needed);
        if (status == kListTooSmall) {
            list.resize(list.size() * 2);
        }
    }
    if (status != 0) {
        return -1;
    }
    ULONG count = 0;
    std::memcpy(&count, list.data() + offsetof(HandleList, count), sizeof count);
    long held = 0;
    for (ULONG i = 0; i < count; ++i) {
        HandleEntry entry;
        std::memcpy(&entry, list.data() + offsetof(HandleList, entries) + i * sizeof entry,
                    sizeof entry);
        if (entry.processId == program.process.dwProcessId) {
            ++held;
        }
    }
    return held;
}

std::string Scratch(const std::string& name) {
    return Environment("QUORVIN_SCRATCH") + "\\" + name;
}

std::vector<unsigned char> SampleBytes(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::uint32_t state = 0x9E3779B9u ^ static_cast<std::uint32_t>(size);
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    return bytes;
}

// Closed whatever the write gave: a file left open here could not be deleted,
// and the case would blame the program for it.
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    EXPECT_TRUE(written && closed) << path;
}

void WriteZeroFile(const std::string& path, long long size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

// Zero files are fed in pieces of zeros.
std::string ReferenceMd5(const std::vector<unsigned char>& bytes, long long zeroBytes) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        return "<no provider>";
    }
    if (!bytes.empty()) {
        CryptHashData(hash, bytes.data(), static_cast<DWORD>(bytes.size()), 0);
    }
    const std::vector<unsigned char> zeros(1 << 20);
    for (long long left = zeroBytes; left > 0;) {
        const DWORD piece = static_cast<DWORD>(left < static_cast<long long>(zeros.size())
                                                   ? left
                                                   : static_cast<long long>(zeros.size()));
        CryptHashData(hash, zeros.data(), piece, 0);
        left -= piece;
    }
    BYTE digest[16] = {};
    DWORD length = sizeof digest;
    CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    std::string text;
    for (BYTE byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
}

}  // namespace driver
