#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/start_request.h"
#include "joblist/drop_intake.h"

namespace velkin::win {

// Paths that come other than by a drag: from the command line, a second start or the
// clipboard. They go in as dragged drops do, one after another, once the messages already
// waiting are done; those no name can hold are refused, and named to the user in one box once
// no command holds the intake.
class Arrivals {
public:
    explicit Arrivals(DropIntake& intake) : intake_(intake) {}

    void Receive(HWND window, const StartRequest& request);

    // What waits goes in, unless the intake is held or at work; the refused paths are named
    // first, so that the box does not open in the middle of a drop.
    void TakeInWaiting(HWND window);

    // Whether paths taken are neither rows nor named as refused yet.
    bool Unseen() const { return intake_.HasWaiting() || !refused_.empty(); }

private:
    DropIntake& intake_;
    std::vector<std::wstring> refused_;
};

} // namespace velkin::win
