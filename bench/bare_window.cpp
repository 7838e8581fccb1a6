// The least a Win32 program does to show a window: the yardstick for Velkin's start-up.
#include <windows.h>

#include "yardstick_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return bench::RunYardstick(instance, showCommand, {L"VelkinBareWindow", L"bare_window"});
}
