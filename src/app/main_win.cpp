#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/main_window_win.h"
#include "platform/message_boxes.h"
#include "platform/message_loop.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The program reads no arguments and always ends with exit code 0.
    try {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);

        velkin::win::MainWindow mainWindow(instance);
        mainWindow.Show(showCommand);
        velkin::win::RunMessageLoop();
    } catch (...) {
        velkin::win::ShowCurrentException();
    }
    return 0;
}
