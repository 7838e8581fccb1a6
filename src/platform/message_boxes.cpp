#include "platform/message_boxes.h"

#include <exception>
#include <new>
#include <string>

#include "base/exception_text.h"
#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "platform/message_loop.h"

namespace velkin::win {
namespace {

std::wstring WideFromUtf8(const char* text) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), size);
    wide.pop_back();
    return wide;
}

} // namespace

void ShowExceptionDisplay(std::wstring_view message) {
    const std::wstring text = ExceptionDisplayText(message);
    const std::wstring caption(text::kApplicationTitle);
    // A quit may be waiting: a window destroyed on the error's way out (a failed start-up).
    WithWaitingQuitHeldBack([&] {
        ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    });
}

void ShowCurrentException() noexcept {
    try {
        try {
            throw;
        } catch (const Error& error) {
            ShowExceptionDisplay(error.message());
        } catch (const std::bad_alloc&) {
            ShowExceptionDisplay(text::kOutOfMemory);
        } catch (const std::exception& error) {
            ShowExceptionDisplay(WideFromUtf8(error.what()));
        } catch (...) {
            ShowExceptionDisplay(text::kUnknownError);
        }
    } catch (...) {
        // Nothing is left to show it with; the program goes on with the next message.
    }
}

int ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT flags) {
    const std::wstring textCopy(text);
    const std::wstring captionCopy(caption);
    return ::MessageBoxW(owner, textCopy.c_str(), captionCopy.c_str(), flags);
}

} // namespace velkin::win
