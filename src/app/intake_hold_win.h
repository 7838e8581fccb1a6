#pragma once

#include <windows.h>

#include "joblist/drop_intake.h"

namespace velkin::win {

// Posted to the main window when drops may be waiting to be taken in.
inline constexpr UINT kTakeInWaitingMessage = WM_APP + 1;

// Holds the intake for a scope: drops that arrive meanwhile wait, and the window's message loop
// takes them in afterwards, outside whatever handler held it. The commands that change which
// rows exist hold it, so that a drop handed over while their question is open or the archiver
// runs neither lands in the middle of them nor is cleared with the rest.
class IntakeHold {
public:
    IntakeHold(DropIntake& intake, HWND window) : intake_(intake), window_(window) {
        intake_.Hold();
    }
    ~IntakeHold() {
        intake_.Release();
        ::PostMessageW(window_, kTakeInWaitingMessage, 0, 0);
    }
    IntakeHold(const IntakeHold&) = delete;
    IntakeHold& operator=(const IntakeHold&) = delete;

private:
    DropIntake& intake_;
    HWND window_;
};

} // namespace velkin::win
