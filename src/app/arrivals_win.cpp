#include "app/arrivals_win.h"

#include <iterator>
#include <utility>

#include "app/arrival_paths.h"
#include "app/intake_hold_win.h"
#include "base/message_texts.h"
#include "platform/message_boxes.h"

namespace velkin::win {

void Arrivals::Receive(HWND window, const StartRequest& request) {
    SortedPaths sorted = SortArrivedPaths(request.paths);
    if (sorted.accepted.empty() && sorted.refused.empty()) {
        return;
    }
    refused_.insert(refused_.end(), std::make_move_iterator(sorted.refused.begin()),
                    std::make_move_iterator(sorted.refused.end()));
    // Queued whole before any of them goes in, and taken in from the message loop: a second
    // start waiting for the answer must not wait for a save dialog or a box as well.
    const IntakeHold hold(intake_, window);
    // "/each" makes each path a drop of its own, whatever the menu's option says.
    const auto grouping =
        request.eachApart ? DropIntake::Grouping::Whole : DropIntake::Grouping::AsChosen;
    for (auto& drop : DropsOf({std::move(sorted.accepted), request.eachApart})) {
        intake_.Receive(std::move(drop), grouping);
    }
}

void Arrivals::TakeInWaiting(HWND window) {
    if (intake_.CanTakeIn() && !refused_.empty()) {
        const std::vector<std::wstring> refused = std::exchange(refused_, {});
        const IntakeHold hold(intake_, window);
        ShowMessageBox(window, RefusedPathsMessage(refused), text::kApplicationTitle,
                       MB_OK | MB_ICONWARNING);
    }
    intake_.TakeInWaiting();
}

} // namespace velkin::win
