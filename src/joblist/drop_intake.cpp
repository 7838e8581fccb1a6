#include "joblist/drop_intake.h"

#include "base/integer_text.h"
#include "base/scope_exit.h"

namespace velkin {

void DropIntake::Receive(std::vector<std::wstring> paths) {
    pending_.push_back({std::move(paths), model_.profiles.SelectedNo(),
                        ArchiveExtension(model_.profiles.SelectedOption()), model_.savePath});
    TakeInWaiting();
}

void DropIntake::TakeInWaiting() {
    if (busy_ || holds_ != 0) {
        return;
    }
    busy_ = true;
    const ScopeExit notBusy([this] { busy_ = false; });
    while (!pending_.empty()) {
        Arrival drop = std::move(pending_.front());
        pending_.pop_front();
        TakeIn(drop);
    }
}

void DropIntake::TakeIn(Arrival& drop) {
    std::vector<std::wstring>& paths = drop.paths;
    // The platform delivers no empty drop; should one come, it takes no drop number.
    if (paths.empty()) {
        return;
    }
    const ArchiveNaming naming =
        NameArchive(paths.front(), host_.IsDirectory(paths.front()), drop.extension);
    std::wstring destination = naming.Destination();
    if (drop.askArchivePath) {
        if (auto chosen = host_.AskArchivePath(SaveDialogFor(naming))) {
            destination = std::move(*chosen);
        }
    }
    const auto sharedDestination = std::make_shared<const std::wstring>(std::move(destination));

    // Fixed before the first row, so that nothing handled between rows can split the drop.
    const std::wstring dropNumber = DecimalText(model_.dropCount);
    const std::wstring profileNumber = DecimalText(drop.profileNo);

    model_.rows.reserve(model_.rows.size() + paths.size());
    for (auto& path : paths) {
        model_.rows.emplace_back(dropNumber, profileNumber, std::move(path), sharedDestination);
        host_.Breathe();
    }
    ++model_.dropCount;
    host_.RowsAppended();
}

} // namespace velkin
