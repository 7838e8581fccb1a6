#include "platform/owned_window.h"

#include <stdexcept>
#include <utility>

#include "platform/message_boxes.h"

namespace velkin::win {

OwnedWindow::~OwnedWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void OwnedWindow::Create(const WindowCreation& creation) {
    // The window arrives at WM_NCCREATE, before CreateWindowExW returns.
    const HWND window =
        ::CreateWindowExW(creation.exStyle, creation.className, creation.title, creation.style,
                          creation.x, creation.y, creation.width, creation.height, creation.parent,
                          creation.menu, creation.instance, this);
    if (window == nullptr) {
        if (creationError_) {
            std::rethrow_exception(std::exchange(creationError_, nullptr));
        }
        throw std::runtime_error("CreateWindowExW failed");
    }
}

LRESULT CALLBACK OwnedWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The object comes as the last argument of CreateWindowExW and is kept in the window's
    // GWLP_USERDATA from WM_NCCREATE on; the few messages before it have no object yet.
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<OwnedWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created != nullptr) {
            created->window_ = window;
        }
    }
    auto* owner = reinterpret_cast<OwnedWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        owner->window_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return owner->handler_(message, wParam, lParam);
    } catch (...) {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            // The system then destroys the window, and CreateWindowExW returns null.
            owner->creationError_ = std::current_exception();
            return message == WM_CREATE ? -1 : FALSE;
        }
        ShowCurrentException();
        return 0;
    }
}

} // namespace velkin::win
