// The driver's commands by family, one file each; serve.cpp maps their names to them.
#pragma once

#include <windows.h>

#include <optional>

#include "driver/driver.h"

namespace velkin::driver {

// Windows (window_commands.cpp).
void CommandWindow(const Arguments& args);
void CommandWindows(const Arguments& args);
void CommandWaitNone(const Arguments& args);
void CommandWaitGone(const Arguments& args);
void CommandClose(const Arguments& args);
void CommandPostClose(const Arguments& args);
void CommandSync(const Arguments& args);
void CommandSendRegistered(const Arguments& args);
void CommandX11Window(const Arguments& args);
void CommandFocus(const Arguments& args);
void CommandMove(const Arguments& args);
void CommandInspect(const Arguments& args);

// The list view (list_view_commands.cpp).
void CommandList(const Arguments& args);
void CommandRows(const Arguments& args);
void CommandRowCount(const Arguments& args);
void CommandSelectRow(const Arguments& args);
void CommandSetColumnWidth(const Arguments& args);

// The list view's row count, waited for as long as the whole wait may last, or nothing once
// the list is gone.
std::optional<long long> ListRowCount(HWND list, const Deadline& deadline, DWORD timeoutMs);

// Returns the moment the list view in the window first answers with more rows than the
// threshold: while a drop is being taken in, the window answers only between rows.
void WaitForMoreRows(HWND window, long long threshold, DWORD timeoutMs);

// Keys and the pointer (input_commands.cpp).
void CommandActivate(const Arguments& args);
void CommandKeys(const Arguments& args);
void CommandType(const Arguments& args);
void CommandPointer(const Arguments& args);
void CommandClickAt(const Arguments& args);

// The menu (menu_commands.cpp).
void CommandMenu(const Arguments& args);
void CommandMenuCommand(const Arguments& args);

// Dialogs and message boxes (dialog_commands.cpp).
void CommandDialog(const Arguments& args);
void CommandSetEdit(const Arguments& args);
void CommandClick(const Arguments& args);
void CommandIcon(const Arguments& args);

// Ways in besides a drag (clipboard_commands.cpp).
void CommandClipboard(const Arguments& args);
void CommandCopyData(const Arguments& args);

// Processes and files (process_commands.cpp).
void CommandWaitExit(const Arguments& args);
void CommandShortPath(const Arguments& args);
void CommandSetEvent(const Arguments& args);

} // namespace velkin::driver
