#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/main_window_win.h"
#include "platform/message_boxes.h"

namespace {

int RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The program reads no arguments and always ends with exit code 0.
    try {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);

        velkin::win::MainWindow mainWindow(instance);
        mainWindow.Show(showCommand);
        RunMessageLoop();
    } catch (...) {
        velkin::win::ShowCurrentException();
    }
    return 0;
}
