#include "app/start_request_win.h"

#include "app/hand_off.h"
#include "base/message_texts.h"
#include "platform/command_line.h"
#include "platform/program_directory.h"
#include "platform/program_windows.h"

namespace velkin::win {
namespace {

// Generous: the open window answers at once unless it is busy without handling messages (a
// huge drop being read). A window that does not answer by then has its copy of the request
// all the same and may still take it in later: a group twice is better than a group lost.
constexpr UINT kHandOffTimeoutMs = 20000;

void BringToFront(HWND window) {
    if (::IsIconic(window)) {
        ::ShowWindowAsync(window, SW_RESTORE);
    }
    // A question or dialog the window shows is what the user must see first.
    ::SetForegroundWindow(::GetLastActivePopup(window));
}

} // namespace

StartRequest ReadCommandLineRequest() {
    return ReadStartArguments(CommandLineArguments(), FullPathName);
}

bool HandOffToOpenWindow(const StartRequest& request) {
    const auto bytes = EncodeHandOff(request);
    if (!bytes) {
        return false;
    }
    const auto windows = WindowsOfProgramsIn(ProgramDirectory(), text::kMainWindowClass.data());
    if (windows.empty()) {
        return false;
    }
    const HWND window = windows.front();
    COPYDATASTRUCT message{kHandOffTag, static_cast<DWORD>(bytes->size()),
                           const_cast<char*>(bytes->data())};
    DWORD_PTR answer = FALSE;
    if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                               SMTO_ABORTIFHUNG, kHandOffTimeoutMs, &answer) ||
        answer != TRUE) {
        return false;
    }
    BringToFront(window);
    return true;
}

std::optional<StartRequest> ReadHandOff(const COPYDATASTRUCT* message) {
    if (message == nullptr || message->dwData != kHandOffTag ||
        (message->lpData == nullptr && message->cbData != 0)) {
        return std::nullopt;
    }
    return DecodeHandOff(
        std::string_view(static_cast<const char*>(message->lpData), message->cbData));
}

} // namespace velkin::win
