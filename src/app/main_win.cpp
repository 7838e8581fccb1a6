#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "app/main_window_win.h"
#include "app/start_request_win.h"
#include "platform/message_boxes.h"
#include "platform/message_loop.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The program always ends with exit code 0.
    try {
        // Paths on the command line (Send To, a drop on the program's icon) are one drop, or one
        // drop each with /each. A Velkin of this folder that is open already takes them instead
        // of a new window.
        const velkin::StartRequest request = velkin::win::ReadCommandLineRequest();
        if (!request.paths.empty() && velkin::win::HandOffToOpenWindow(request)) {
            return 0;
        }

        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&controls);

        velkin::win::MainWindow mainWindow(instance);
        mainWindow.Show(showCommand);
        mainWindow.OfferQueueLeftBehind();
        mainWindow.ReceiveArrival(request);
        velkin::win::RunMessageLoop();
    } catch (...) {
        velkin::win::ShowCurrentException();
    }
    return 0;
}
