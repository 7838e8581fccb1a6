#include "app/queue_offer_win.h"

#include "app/intake_hold_win.h"
#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "joblist/queue_file_win.h"
#include "platform/message_boxes.h"
#include "platform/program_directory.h"

namespace velkin::win {

void OfferQueueLeftBehind(HWND window, DropIntake& intake, JobListEdits& edits) {
    auto left = TakeQueueLeftBehind(ProgramDirectory());
    if (!left) {
        return;
    }
    const IntakeHold hold(intake, window);
    const std::wstring question =
        FormatCounts(text::kRestoreQueue, {static_cast<long long>(GroupCount(left->replay.rows)),
                                           static_cast<long long>(left->replay.rows.size())});
    if (ShowMessageBox(window, question, text::kApplicationTitle, MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        left->file->Remove();
        return;
    }
    edits.PutBack(std::move(left->file), std::move(left->replay));
}

} // namespace velkin::win
