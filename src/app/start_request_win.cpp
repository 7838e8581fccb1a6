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

} // namespace

StartRequest ReadCommandLineRequest() {
    return ReadStartArguments(CommandLineArguments(), FullPathName);
}

bool HandOffToOpenWindow(const StartRequest& request) {
    const auto bytes = EncodeHandOff(request);
    if (!bytes) {
        return false;
    }
    for (const HWND window :
         WindowsOfProgramsIn(ProgramDirectory(), text::kMainWindowClass.data())) {
        // The window decides whether to come to the front (not while an archiver works in front
        // of it); this start, which the user just made, lets it.
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        ::AllowSetForegroundWindow(processId);
        COPYDATASTRUCT message{kHandOffTag, static_cast<DWORD>(bytes->size()),
                               const_cast<char*>(bytes->data())};
        DWORD_PTR answer = FALSE;
        if (!::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                                   SMTO_ABORTIFHUNG, kHandOffTimeoutMs, &answer)) {
            return false; // it may take the request later: no second window gets it as well
        }
        if (answer == TRUE) {
            return true;
        }
    }
    return false;
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
