#include "platform/message_loop.h"

#include <windows.h>

#include "base/scope_exit.h"

namespace velkin::win {
namespace {

void Dispatch(const MSG& message) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

// The quit message was taken out of the queue by a loop that is not the main one.
void PassOnQuit(const MSG& quit) {
    ::PostQuitMessage(static_cast<int>(quit.wParam));
}

} // namespace

void RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        Dispatch(message);
    }
}

void ProcessPendingMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PassOnQuit(message);
            return;
        }
        Dispatch(message);
    }
}

void WithWaitingQuitHeldBack(const std::function<void()>& showModalBox) {
    MSG quit{};
    const bool held = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    const ScopeExit postAgain([&] {
        if (held) {
            PassOnQuit(quit);
        }
    });
    showModalBox();
}

void RunModalLoop(const std::function<bool()>& isOpen) {
    MSG message{};
    while (isOpen()) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) {
                PassOnQuit(message);
            }
            return;
        }
        Dispatch(message);
    }
}

} // namespace velkin::win
