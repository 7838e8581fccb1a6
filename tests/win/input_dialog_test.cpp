#include <doctest/doctest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "platform/input_dialog.h"

namespace {

using velkin::win::InputDialogTexts;
using velkin::win::ShowInputDialog;

constexpr InputDialogTexts kTexts{L"プロファイルの編集", L"オプション (&O):", L"OK", L"キャンセル"};

// How long the driver waits for the dialog, or for it to go away, before it gives up; far
// beyond what a working dialog needs, only there so that a broken one ends the test.
constexpr DWORD kPatienceMs = 20000;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// What the dialog showed when it appeared, read by the driver thread.
struct DialogView {
    HWND dialog = nullptr;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    std::wstring caption;
    std::wstring prompt;
    std::wstring editText;
    DWORD selectionStart = 0;
    DWORD selectionEnd = 0;
    LRESULT limit = 0;
    bool editHasFocus = false;
    std::wstring okText;
    std::wstring cancelText;
};

// The dialog's controls, found by their class rather than by the adapter's control ids;
// the buttons by the ids every dialog gives them.
struct DialogControls {
    HWND prompt = nullptr;
    HWND edit = nullptr;
    HWND ok = nullptr;
    HWND cancel = nullptr;
};

DialogControls FindControls(HWND dialog) {
    DialogControls controls;
    controls.prompt = ::FindWindowExW(dialog, nullptr, L"Static", nullptr);
    controls.edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    controls.ok = ::GetDlgItem(dialog, IDOK);
    controls.cancel = ::GetDlgItem(dialog, IDCANCEL);
    return controls;
}

using DialogAction = std::function<void(HWND dialog, const DialogControls& controls)>;

// Runs on a thread of its own while the test's thread sits in the modal dialog: waits for the
// dialog to be visible, reads it, does what the test asks, and makes sure the dialog ends.
// doctest's checks stay on the test's thread; this one only records.
struct Driver {
    DWORD testThreadId = 0;
    HANDLE dialogReturned = nullptr;
    DialogAction action;

    DialogView view;
    bool found = false;
    bool closedByAction = false;

    static BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
        auto* found = reinterpret_cast<HWND*>(lParam);
        if (ClassName(window) == L"#32770" && ::IsWindowVisible(window)) {
            *found = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND WaitForDialog() const {
        const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
        while (::GetTickCount64() < deadline) {
            HWND dialog = nullptr;
            ::EnumThreadWindows(testThreadId, &FindDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog != nullptr) {
                return dialog;
            }
            if (::WaitForSingleObject(dialogReturned, 10) == WAIT_OBJECT_0) {
                return nullptr; // it returned without ever showing
            }
        }
        return nullptr;
    }

    void Read(HWND dialog, const DialogControls& controls) {
        view.dialog = dialog;
        view.owner = ::GetWindow(dialog, GW_OWNER);
        view.ownerEnabled = view.owner == nullptr || ::IsWindowEnabled(view.owner);
        view.caption = WindowText(dialog);
        view.prompt = WindowText(controls.prompt);
        view.editText = WindowText(controls.edit);
        ::SendMessageW(controls.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&view.selectionStart),
                       reinterpret_cast<LPARAM>(&view.selectionEnd));
        view.limit = ::SendMessageW(controls.edit, EM_GETLIMITTEXT, 0, 0);
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        view.editHasFocus =
            ::GetGUIThreadInfo(testThreadId, &info) && info.hwndFocus == controls.edit;
        view.okText = WindowText(controls.ok);
        view.cancelText = WindowText(controls.cancel);
    }

    void Run() {
        const HWND dialog = WaitForDialog();
        if (dialog == nullptr) {
            return;
        }
        found = true;
        const DialogControls controls = FindControls(dialog);
        Read(dialog, controls);
        action(dialog, controls);
        closedByAction = ::WaitForSingleObject(dialogReturned, kPatienceMs) == WAIT_OBJECT_0;
        if (!closedByAction) {
            // The action failed to end the dialog; end it so that the test can report that.
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }

    static DWORD WINAPI ThreadProc(void* self) {
        static_cast<Driver*>(self)->Run();
        return 0;
    }
};

struct DialogRun {
    std::optional<std::wstring> result;
    DialogView view;
    bool found = false;
    bool closedByAction = false;
};

DialogRun RunDialog(std::wstring_view initialText, int maxLength, DialogAction action,
                    HWND owner = nullptr) {
    Driver driver;
    driver.testThreadId = ::GetCurrentThreadId();
    driver.dialogReturned = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    driver.action = std::move(action);
    REQUIRE(driver.dialogReturned != nullptr);
    const HANDLE thread = ::CreateThread(nullptr, 0, &Driver::ThreadProc, &driver, 0, nullptr);
    REQUIRE(thread != nullptr);

    DialogRun run;
    run.result = ShowInputDialog(owner, kTexts, initialText, maxLength);
    ::SetEvent(driver.dialogReturned);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    ::CloseHandle(driver.dialogReturned);

    run.view = driver.view;
    run.found = driver.found;
    run.closedByAction = driver.closedByAction;
    return run;
}

// The dialog appeared and went away through what the test did, not through the driver's
// fallback.
void RequireOrderlyRun(const DialogRun& run) {
    REQUIRE(run.found);
    REQUIRE(run.closedByAction);
}

void Click(HWND button) {
    ::SendMessageW(button, BM_CLICK, 0, 0);
}

// Goes through the dialog's own message loop, as a key press does.
void PressKey(HWND window, WPARAM key) {
    ::PostMessageW(window, WM_KEYDOWN, key, 1);
    ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void Type(HWND edit, std::wstring_view text) {
    for (const wchar_t c : text) {
        ::SendMessageW(edit, WM_CHAR, c, 1);
    }
}

void SetText(HWND edit, const std::wstring& text) {
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool PutOnClipboard(const std::wstring& text) {
    if (!::OpenClipboard(nullptr)) {
        return false;
    }
    bool done = false;
    const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size)) {
        if (void* bytes = ::GlobalLock(memory)) {
            std::memcpy(bytes, text.c_str(), size);
            ::GlobalUnlock(memory);
            done = ::EmptyClipboard() && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done) {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
    return done;
}

} // namespace

TEST_CASE("the input dialog shows its texts and starts with the initial text selected") {
    const DialogRun run = RunDialog(
        L"-m5 -r", 255, [](HWND, const DialogControls& controls) { Click(controls.cancel); });
    RequireOrderlyRun(run);

    CHECK(run.view.caption == std::wstring(kTexts.caption));
    CHECK(run.view.prompt == std::wstring(kTexts.prompt));
    CHECK(run.view.okText == std::wstring(kTexts.okButton));
    CHECK(run.view.cancelText == std::wstring(kTexts.cancelButton));
    CHECK(run.view.editText == L"-m5 -r");
    // All of it selected, and in the focused field, so that typing replaces it.
    CHECK(run.view.selectionStart == 0);
    CHECK(run.view.selectionEnd == 6);
    CHECK(run.view.editHasFocus);
    CHECK(run.view.limit == 255);
}

TEST_CASE("the input dialog belongs to its owner while it is open") {
    const HWND owner =
        ::CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200,
                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    REQUIRE(owner != nullptr);
    const DialogRun run = RunDialog(
        L"", 10, [](HWND, const DialogControls& controls) { Click(controls.cancel); }, owner);
    RequireOrderlyRun(run);
    CHECK(run.view.owner == owner);
    // Modal: the owner takes no input until the dialog is gone, and takes it again afterwards.
    CHECK_FALSE(run.view.ownerEnabled);
    CHECK(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}

TEST_CASE("OK gives the text exactly as it stands in the field") {
    SUBCASE("the initial text when nothing was changed") {
        const DialogRun run =
            RunDialog(L"-ep1 -m3", 255, [](HWND, const DialogControls& c) { Click(c.ok); });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"-ep1 -m3"));
    }

    SUBCASE("typing replaces the selected initial text") {
        const DialogRun run = RunDialog(L"old", 255, [](HWND, const DialogControls& c) {
            Type(c.edit, L"新しい");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"新しい"));
    }

    SUBCASE("blanks at either end and ampersands are kept") {
        const DialogRun run = RunDialog(L"x", 255, [](HWND, const DialogControls& c) {
            SetText(c.edit, L"  -m5 && 表ソ　 ");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"  -m5 && 表ソ　 "));
    }

    SUBCASE("an emptied field gives empty text, not nothing") {
        const DialogRun run = RunDialog(L"-m5", 255, [](HWND, const DialogControls& c) {
            SetText(c.edit, L"");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        REQUIRE(run.result.has_value());
        CHECK(run.result->empty());
    }

    SUBCASE("Enter is OK") {
        const DialogRun run = RunDialog(
            L"-m1", 255, [](HWND, const DialogControls& c) { PressKey(c.edit, VK_RETURN); });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"-m1"));
    }
}

TEST_CASE("leaving the input dialog any other way gives nothing") {
    // The field is changed first: a dialog that handed back its text on cancel would show.
    const auto leaveWith = [](std::function<void(HWND, const DialogControls&)> leave) {
        return RunDialog(L"-m5", 255, [leave](HWND dialog, const DialogControls& c) {
            SetText(c.edit, L"changed");
            leave(dialog, c);
        });
    };

    SUBCASE("Cancel") {
        const DialogRun run = leaveWith([](HWND, const DialogControls& c) { Click(c.cancel); });
        RequireOrderlyRun(run);
        CHECK_FALSE(run.result.has_value());
    }

    SUBCASE("Escape") {
        const DialogRun run =
            leaveWith([](HWND, const DialogControls& c) { PressKey(c.edit, VK_ESCAPE); });
        RequireOrderlyRun(run);
        CHECK_FALSE(run.result.has_value());
    }

    SUBCASE("the close box") {
        const DialogRun run = leaveWith([](HWND dialog, const DialogControls&) {
            ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        RequireOrderlyRun(run);
        CHECK_FALSE(run.result.has_value());
    }

    SUBCASE("WM_CLOSE") {
        const DialogRun run = leaveWith(
            [](HWND dialog, const DialogControls&) { ::PostMessageW(dialog, WM_CLOSE, 0, 0); });
        RequireOrderlyRun(run);
        CHECK_FALSE(run.result.has_value());
    }
}

TEST_CASE("the maximum length limits what the user enters") {
    SUBCASE("typing stops at the maximum") {
        const DialogRun run = RunDialog(L"", 5, [](HWND, const DialogControls& c) {
            Type(c.edit, L"abcdefgh");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        CHECK(run.view.limit == 5);
        CHECK(run.result == std::wstring(L"abcde"));
    }

    SUBCASE("typing over the selected initial text may use the whole maximum") {
        const DialogRun run = RunDialog(L"12345", 5, [](HWND, const DialogControls& c) {
            Type(c.edit, L"vwxyz!");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"vwxyz"));
    }

    SUBCASE("pasting keeps only what fits") {
        bool pasted = false;
        const DialogRun run = RunDialog(L"", 5, [&pasted](HWND, const DialogControls& c) {
            pasted = PutOnClipboard(L"あいうえおかきく");
            ::SendMessageW(c.edit, WM_PASTE, 0, 0);
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        REQUIRE(pasted);
        CHECK(run.result == std::wstring(L"あいうえお"));
    }

    SUBCASE("a program setting the text is not limited") {
        // The platform's limit is on the user's input only (WM_SETTEXT passes it), so a
        // caller that needs a bound on the result has to check the result itself.
        const DialogRun run = RunDialog(L"", 5, [](HWND, const DialogControls& c) {
            SetText(c.edit, L"0123456789");
            Click(c.ok);
        });
        RequireOrderlyRun(run);
        CHECK(run.result == std::wstring(L"0123456789"));
    }

    SUBCASE("an initial text longer than the maximum is shown and given back whole") {
        // Cutting it would lose part of a stored setting without the user seeing it.
        const DialogRun run =
            RunDialog(L"0123456789", 5, [](HWND, const DialogControls& c) { Click(c.ok); });
        RequireOrderlyRun(run);
        CHECK(run.view.editText == L"0123456789");
        CHECK(run.result == std::wstring(L"0123456789"));
    }
}
