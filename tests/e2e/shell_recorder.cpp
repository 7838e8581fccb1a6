// A stand-in for the programs the shell starts for web addresses, e-mail addresses and text
// files. A test registers it as their handler in the Wine prefix; every start appends one JSON
// line to shell_recorder.log beside the executable: the raw command line and its arguments as
// the C runtime would split them. It shows no window and ends at once, so what the shell was
// asked to open can be checked exactly, without a browser, a mail program or an editor.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/append_file.h"
#include "common/file_beside.h"
#include "core/json.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* commandLine = ::GetCommandLineW();
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(commandLine, &count);
    std::string line =
        "{\"command_line\":" + velkin::standin::JsonString(commandLine) + ",\"args\":[";
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        // Appended piece by piece: GCC 12 takes "," + string for an overlapping copy.
        if (i > 1) {
            line += ',';
        }
        line += velkin::standin::JsonString(arguments[i]);
    }
    line += "]}\n";
    if (arguments != nullptr) {
        ::LocalFree(arguments);
    }
    return velkin::e2e::AppendToFile(velkin::e2e::FileBeside(nullptr, L"shell_recorder.log"), line)
               ? 0
               : 1;
}
