#include "joblist/drop_intake.h"

#include "base/integer_text.h"
#include "base/scope_exit.h"

namespace velkin {

void DropIntake::Receive(std::vector<std::wstring> paths) {
    pending_.push_back(std::move(paths));
    TakeInWaiting();
}

void DropIntake::TakeInWaiting() {
    if (busy_ || holds_ != 0) {
        return;
    }
    busy_ = true;
    const ScopeExit notBusy([this] { busy_ = false; });
    while (!pending_.empty()) {
        std::vector<std::wstring> drop = std::move(pending_.front());
        pending_.pop_front();
        TakeIn(drop);
    }
}

void DropIntake::TakeIn(std::vector<std::wstring>& paths) {
    // The platform delivers no empty drop; should one come, it takes no drop number.
    if (paths.empty()) {
        return;
    }
    const std::wstring extension = ArchiveExtension(model_.profiles.SelectedOption());
    const ArchiveNaming naming =
        NameArchive(paths.front(), host_.IsDirectory(paths.front()), extension);
    std::wstring destination = naming.Destination();
    if (model_.savePath) {
        if (auto chosen = host_.AskArchivePath(SaveDialogFor(naming))) {
            destination = std::move(*chosen);
        }
    }
    const auto sharedDestination = std::make_shared<const std::wstring>(std::move(destination));

    // Fixed before the first row, so that nothing handled between rows can split the drop.
    const std::wstring dropNumber = DecimalText(model_.dropCount);
    const std::wstring profileNumber = DecimalText(model_.profiles.SelectedNo());

    model_.rows.reserve(model_.rows.size() + paths.size());
    for (auto& path : paths) {
        model_.rows.emplace_back(dropNumber, profileNumber, std::move(path), sharedDestination);
        host_.Breathe();
    }
    ++model_.dropCount;
    host_.RowsAppended();
}

} // namespace velkin
