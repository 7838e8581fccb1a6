#include "joblist/drop_intake.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

#include "base/integer_text.h"
#include "base/path_parts.h"
#include "base/scope_exit.h"

namespace velkin {
namespace {

// Folders of one drop that differ mostly differ in their last subfolder: compared from the end.
bool SameText(std::wstring_view text, const wchar_t* kept) {
    const std::wstring_view other = DropTexts::View(kept);
    if (text.size() != other.size()) {
        return false;
    }
    for (std::size_t at = text.size(); at-- > 0;) {
        if (text[at] != other[at]) {
            return false;
        }
    }
    return true;
}

// The folders of one drop's paths, each kept once with the drop's texts.
class FolderTable {
public:
    explicit FolderTable(DropTexts& texts) : texts_(texts) {}

    const wchar_t* Keep(std::wstring_view folder) {
        // A drop from the file manager comes from one folder, one from a search result mostly
        // from a few at a time: the folders met last are looked at before the table.
        for (std::size_t i = 0; i < recent_.size(); ++i) {
            if (recent_[i] != nullptr && SameText(folder, recent_[i])) {
                return Remember(recent_[i]);
            }
        }
        if (const auto found = kept_.find(folder); found != kept_.end()) {
            return Remember(found->second);
        }
        const wchar_t* kept = texts_.Keep(folder);
        kept_.emplace(DropTexts::View(kept), kept);
        return Remember(kept);
    }

private:
    const wchar_t* Remember(const wchar_t* folder) {
        if (recent_.front() != folder) {
            std::move_backward(recent_.begin(), recent_.end() - 1, recent_.end());
            recent_.front() = folder;
        }
        return folder;
    }

    DropTexts& texts_;
    std::unordered_map<std::wstring_view, const wchar_t*> kept_;
    std::array<const wchar_t*, 4> recent_{};
};

} // namespace

void DropIntake::Receive(std::vector<std::wstring> paths, Grouping grouping) {
    Receive(std::make_unique<PathList>(std::move(paths)), grouping);
}

void DropIntake::Receive(std::unique_ptr<PathSource> paths, Grouping grouping) {
    const ArchiverKind archiver = model_.archiverKind();
    pending_.push_back({std::move(paths), model_.profiles.SelectedNo(), archiver,
                        ArchiveTypeFor(archiver, model_.profiles.SelectedOption()), model_.savePath,
                        model_.eachItem && grouping == Grouping::AsChosen});
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
        if (drop.eachItem) {
            TakeInEachItem(drop);
        } else {
            TakeIn(drop);
        }
    }
}

void DropIntake::TakeIn(Arrival& drop) {
    const std::optional<std::wstring_view> next = drop.paths->Next();
    // The platform delivers no empty drop; should one come, it takes no drop number.
    if (!next) {
        return;
    }
    const std::wstring first(*next);
    // A type that holds one file names a drop by whether the first item is all of it; only then
    // is the next path looked at before the rows, and kept for its own row.
    std::optional<std::wstring> second;
    bool firstIsAlone = false;
    if (!drop.type.oneFileExtension.empty()) {
        if (const auto peeked = drop.paths->Next()) {
            second = std::wstring(*peeked);
        } else {
            firstIsAlone = true;
        }
    }
    const ArchiveNaming naming =
        NameArchive(first, host_.IsDirectory(first), firstIsAlone, drop.type);
    std::wstring destination = naming.Destination();
    if (drop.askArchivePath) {
        if (auto chosen = host_.AskArchivePath(SaveDialogFor(naming, drop.archiver))) {
            destination = std::move(*chosen);
        }
    }

    // Fixed before the first row, so that nothing handled between rows can split the drop.
    const std::wstring dropNumber = DecimalText(model_.dropCount);
    const auto texts =
        std::make_shared<DropTexts>(std::move(destination), DecimalText(drop.profileNo));
    const std::shared_ptr<const DropTexts> shared = texts;
    FolderTable folders(*texts);

    // The peeked path is handed out once, and stays alive until the drop is in.
    bool secondDue = second.has_value();
    const auto nextPath = [&]() -> std::optional<std::wstring_view> {
        if (secondDue) {
            secondDue = false;
            return *second;
        }
        return drop.paths->Next();
    };
    for (std::optional<std::wstring_view> path = first; path; path = nextPath()) {
        const std::size_t folderLength = path->size() - FileNamePartLength(*path);
        const wchar_t* folder = folders.Keep(path->substr(0, folderLength));
        const wchar_t* fileName = texts->Keep(path->substr(folderLength));
        model_.rows.emplace_back(dropNumber, shared, folder, fileName);
        host_.Breathe();
    }
    ++model_.dropCount;
    host_.RowsAppended();
}

void DropIntake::TakeInEachItem(Arrival& drop) {
    std::optional<std::wstring_view> path = drop.paths->Next();
    if (!path) {
        return;
    }
    // Where every archive of the drop goes; empty text for each item's own folder.
    std::wstring chosenFolder;
    if (drop.askArchivePath) {
        // Cancelled, the items keep their own folders, as a cancelled save dialog keeps the
        // derived path: cancelling never discards a drop.
        if (auto chosen = host_.AskArchiveFolder(FolderPart(*path))) {
            chosenFolder = std::move(*chosen);
            if (FileNamePartLength(chosenFolder) != 0) {
                chosenFolder += L'\\';
            }
        }
    }

    const auto texts =
        std::make_shared<DropTexts>(std::move(chosenFolder), DecimalText(drop.profileNo), true);
    const std::shared_ptr<const DropTexts> shared = texts;
    FolderTable folders(*texts);
    DistinctArchiveNames names([this](std::wstring_view text) { return host_.UpperCase(text); });
    // Whether each folder of the drop is there, asked once: in a folder that is not there (its
    // items vanished since, or a path was mistyped) no item can be a folder.
    std::unordered_map<const wchar_t*, bool> foldersThere;
    std::pair<const wchar_t*, bool> lastFolder{nullptr, false};
    std::wstring pathText;
    std::wstring archiveName;
    // Fixed before the first row, as a drop's number is.
    std::int32_t number = model_.dropCount;
    for (; path; path = drop.paths->Next(), ++number) {
        const std::size_t folderLength = path->size() - FileNamePartLength(*path);
        const wchar_t* folder = folders.Keep(path->substr(0, folderLength));
        const std::wstring_view fileName = path->substr(folderLength);
        if (folder != lastFolder.first) {
            const auto [known, added] = foldersThere.try_emplace(folder);
            if (added) {
                known->second = host_.IsDirectory(std::wstring(DropTexts::View(folder)));
            }
            lastFolder = *known;
        }
        pathText.assign(*path);
        const bool isDirectory = lastFolder.second && host_.IsDirectory(pathText);
        // Each item is the whole of its group, and named as a drop of that one item is.
        const std::wstring_view extension =
            NameItemArchive(fileName, isDirectory, drop.type, archiveName);
        names.Take(texts->destination().empty() ? DropTexts::View(folder) : texts->destination(),
                   archiveName, extension);
        model_.rows.emplace_back(DecimalText(number), shared, folder,
                                 texts->KeepPair(fileName, archiveName));
        host_.Breathe();
    }
    model_.dropCount = number;
    host_.RowsAppended();
}

} // namespace velkin
