#include "platform/window_class.h"

#include <stdexcept>

namespace velkin::win {

void RegisterWindowClass(HINSTANCE instance, const WindowClass& windowClass) {
    WNDCLASSEXW registered{};
    if (::GetClassInfoExW(instance, windowClass.name, &registered)) {
        return;
    }
    registered.cbSize = sizeof(registered);
    registered.style = windowClass.style;
    registered.lpfnWndProc = windowClass.procedure;
    registered.hInstance = instance;
    if (windowClass.icon != 0) {
        // Loaded only here, once: the small one is not a shared icon.
        registered.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(windowClass.icon));
        registered.hIconSm = static_cast<HICON>(::LoadImageW(
            instance, MAKEINTRESOURCEW(windowClass.icon), IMAGE_ICON,
            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    registered.hCursor = windowClass.cursor;
    registered.hbrBackground = windowClass.background;
    registered.lpszClassName = windowClass.name;
    if (::RegisterClassExW(&registered) == 0) {
        throw std::runtime_error("RegisterClassExW failed");
    }
}

} // namespace velkin::win
