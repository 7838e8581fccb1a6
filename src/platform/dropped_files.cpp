#include "platform/dropped_files.h"

#include <shlobj.h>

#include <algorithm>

namespace velkin::win {

// Asking the shell for item i walks the list from its start every time, so reading a drop item
// by item costs time quadratic in its size (minutes for 100,000 items). The drop is one block
// of memory holding the list, read here in one pass, a path at a time.
DroppedPaths::DroppedPaths(HDROP drop, AfterReading after) : drop_(drop), after_(after) {
    const auto global = reinterpret_cast<HGLOBAL>(drop);
    const SIZE_T size = ::GlobalSize(global);
    const auto* header = static_cast<const DROPFILES*>(::GlobalLock(global));
    if (header != nullptr && size >= sizeof(DROPFILES) && header->pFiles >= sizeof(DROPFILES) &&
        header->pFiles < size) {
        const auto* bytes = reinterpret_cast<const char*>(header);
        at_ = bytes + header->pFiles;
        end_ = bytes + size;
        wide_ = header->fWide != FALSE;
        return;
    }
    if (header != nullptr) {
        ::GlobalUnlock(global);
    }
    queried_ = true;
    count_ = ::DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0);
}

DroppedPaths::~DroppedPaths() {
    if (at_ != nullptr) {
        ::GlobalUnlock(reinterpret_cast<HGLOBAL>(drop_));
    }
    if (after_ == AfterReading::Finish) {
        ::DragFinish(drop_);
    }
}

std::optional<std::wstring_view> DroppedPaths::Next() {
    if (queried_) {
        return NextQueried();
    }
    return wide_ ? NextWide() : NextAnsi();
}

// A path counts only when it ends inside the block; the list ends with an empty one.
std::optional<std::wstring_view> DroppedPaths::NextWide() {
    const auto* at = reinterpret_cast<const wchar_t*>(at_);
    const auto* end = at + (end_ - at_) / static_cast<std::ptrdiff_t>(sizeof(wchar_t));
    const auto* nul = std::find(at, end, L'\0');
    if (nul == at || nul == end) {
        at_ = end_;
        return std::nullopt;
    }
    at_ = reinterpret_cast<const char*>(nul + 1);
    return std::wstring_view(at, static_cast<std::size_t>(nul - at));
}

std::optional<std::wstring_view> DroppedPaths::NextAnsi() {
    const char* nul = std::find(at_, end_, '\0');
    if (nul == at_ || nul == end_) {
        at_ = end_;
        return std::nullopt;
    }
    const int length = static_cast<int>(nul - at_);
    path_.resize(static_cast<std::size_t>(length));
    path_.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, at_, length, path_.data(), length)));
    at_ = nul + 1;
    return std::wstring_view(path_);
}

std::optional<std::wstring_view> DroppedPaths::NextQueried() {
    if (index_ == count_) {
        return std::nullopt;
    }
    const UINT length = ::DragQueryFileW(drop_, index_, nullptr, 0);
    path_.assign(length + 1, L'\0');
    path_.resize(::DragQueryFileW(drop_, index_, path_.data(), length + 1));
    ++index_;
    return std::wstring_view(path_);
}

std::vector<std::wstring> ReadDroppedPaths(HDROP drop) {
    DroppedPaths reader(drop, DroppedPaths::AfterReading::Keep);
    std::vector<std::wstring> paths;
    while (const auto path = reader.Next()) {
        paths.emplace_back(*path);
    }
    return paths;
}

bool IsExistingDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace velkin::win
