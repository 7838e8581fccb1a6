// Drives a running Velkin from outside its process, the way an automation tool or a user would:
// through window handles, window messages, synthesized keyboard input and, for the menu that
// Wine keeps inside the owning process, an injected probe module.
//
// A run does one command and prints its result as UTF-8 JSON on stdout, one object per line.
// Exit codes: 0 done, 1 failed, 2 bad command line, 3 timed out. "serve" instead reads one
// command per line from stdin (a JSON array of the words) and answers each with its result
// lines and an "end" line carrying the exit code: starting a Wine process costs far more than
// any command, and a test sends hundreds of them.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "driver/commands.h"
#include "driver/driver.h"
#include "driver/serve.h"

namespace velkin::driver {
namespace {

struct Command {
    std::wstring_view name;
    void (*run)(const Arguments&);
    std::string_view usage;
};

constexpr Command kCommands[] = {
    {L"window", CommandWindow,
     "window [--class C] [--title T] [--pid P] [--timeout-ms N]  wait for a visible top-level "
     "window"},
    {L"windows", CommandWindows, "windows [--class C] [--title T] [--pid P]  list them now"},
    {L"wait-none", CommandWaitNone,
     "wait-none [--class C] [--title T] [--pid P] [--timeout-ms N]  until none is visible"},
    {L"wait-gone", CommandWaitGone, "wait-gone --hwnd H [--timeout-ms N]"},
    {L"list", CommandList, "list --hwnd H  columns and rows of the list view in window H"},
    {L"rows", CommandRows,
     "rows --hwnd H [--from N] [--count N] [--step N] [--columns 0,3]  some cells, selection"},
    {L"row-count", CommandRowCount,
     "row-count --hwnd H [--until N] [--timeout-ms N]  its row count (each change until N)"},
    {L"menu", CommandMenu, "menu --hwnd H [--probe DLL] [--timeout-ms N]  the menu tree"},
    {L"activate", CommandActivate, "activate --hwnd H [--at X,Y]  foreground and pointer"},
    {L"keys", CommandKeys, "keys [--hwnd H [--at X,Y] [--after-rows N]] CHORD...  alt+p down*2"},
    {L"type", CommandType, "type [--hwnd H [--at X,Y]] --text T  as Unicode key strokes"},
    {L"dialog", CommandDialog,
     "dialog [--caption C] [--pid P] [--class C] [--timeout-ms N]  wait for one, read it"},
    {L"set-edit", CommandSetEdit, "set-edit --hwnd DIALOG [--index N] --text T"},
    {L"click", CommandClick, "click --hwnd DIALOG --button CAPTION"},
    {L"close", CommandClose, "close --hwnd H  as the close box does"},
    {L"post-close", CommandPostClose,
     "post-close --hwnd H [--after-rows N [--until M]] [--timeout-ms N]  posts WM_CLOSE to H"},
    {L"select-row", CommandSelectRow,
     "select-row --hwnd H --row N  scrolls the list view in H to row N, selects and focuses it; "
     "the screen rect of its first-column text"},
    {L"sync", CommandSync, "sync --hwnd H [--timeout-ms N]  until its thread is idle again"},
    {L"send-registered", CommandSendRegistered,
     "send-registered --hwnd H --name NAME [--timeout-ms N]  sends a registered message, as the "
     "shell does"},
    {L"x11-window", CommandX11Window, "x11-window --hwnd H  the X window Wine shows for H"},
    {L"menu-command", CommandMenuCommand,
     "menu-command --hwnd H --id N  posts WM_COMMAND as choosing menu item N does"},
    {L"focus", CommandFocus,
     "focus --hwnd H  foreground, H's thread's active and focus window, menu mode, selection"},
    {L"wait-exit", CommandWaitExit, "wait-exit --pid P [--timeout-ms N]  prints the exit code"},
    {L"short-path", CommandShortPath, "short-path --path P  the 8.3 form the system gives"},
    {L"move", CommandMove, "move --hwnd H --rect X,Y,W,H  SetWindowPos, as a frame drag would"},
    {L"set-column-width", CommandSetColumnWidth,
     "set-column-width --hwnd H --column N --width W  LVM_SETCOLUMNWIDTH on H's list view"},
    {L"icon", CommandIcon, "icon --hwnd DIALOG  which standard icon it shows (by its pixels)"},
    {L"inspect", CommandInspect,
     "inspect --hwnd H  the window, its styles and every window inside it with screen rects"},
    {L"pointer", CommandPointer, "pointer --at X,Y  moves the pointer there by SendInput"},
    {L"click-at", CommandClickAt,
     "click-at --at X,Y [--button left|right|middle]  pointer there, then press and release"},
    {L"clipboard", CommandClipboard,
     "clipboard [--text T] [--list-at N] [PATH...]  puts the files (CF_HDROP, with pFiles N) or "
     "the text on the clipboard"},
    {L"copy-data", CommandCopyData,
     "copy-data --hwnd H --tag N [--hex BYTES] [--size N] [--timeout-ms N]  sends WM_COPYDATA"},
    {L"set-event", CommandSetEvent,
     "set-event --name N [--timeout-ms N]  sets the named event once it exists"},
};

std::string UsageText() {
    std::string usage = "usage: velkin_driver COMMAND [OPTIONS]\n       velkin_driver serve\n";
    for (const auto& command : kCommands) {
        usage += "  ";
        usage += command.usage;
        usage += "\n";
    }
    return usage;
}

void WriteError(const std::string& text) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}
} // namespace

// words: the command name, then its options and words.
Outcome Execute(const std::vector<std::wstring>& words) {
    if (words.empty()) {
        return {kExitUsage, "no command"};
    }
    for (const auto& command : kCommands) {
        if (command.name != words.front()) {
            continue;
        }
        try {
            command.run(Arguments(std::vector<std::wstring>(words.begin() + 1, words.end())));
            return {};
        } catch (const DriverError& error) {
            return {error.exitCode(), error.what()};
        } catch (const std::exception& error) {
            return {kExitFailure, error.what()};
        }
    }
    return {kExitUsage, "unknown command " + ToUtf8(words.front())};
}

} // namespace velkin::driver

int wmain(int argc, wchar_t** argv) {
    using namespace velkin::driver;
    // Window and pointer coordinates in physical pixels, the same as the target's.
    ::SetProcessDPIAware();
    if (argc == 2 && std::wstring_view(argv[1]) == L"serve") {
        return Serve();
    }
    if (argc < 2) {
        WriteError(UsageText());
        return kExitUsage;
    }
    const Outcome outcome = Execute(std::vector<std::wstring>(argv + 1, argv + argc));
    if (outcome.exitCode == kExitUsage) {
        WriteError("velkin_driver: " + outcome.error + "\n" + UsageText());
    } else if (outcome.exitCode != 0) {
        WriteError("velkin_driver " + ToUtf8(argv[1]) + ": " + outcome.error + "\n");
    }
    return outcome.exitCode;
}
