#include "platform/dropped_files.h"

namespace velkin::win {

// Asking the shell for item i walks the list from its start every time, so reading a drop item
// by item costs time quadratic in its size (minutes for 100,000 items). The drop is one block
// of memory holding the list, read here in one pass, a path at a time.
DroppedPaths::DroppedPaths(HDROP drop, Origin origin) : drop_(drop), origin_(origin) {
    const auto global = reinterpret_cast<HGLOBAL>(drop);
    const SIZE_T size = ::GlobalSize(global);
    const auto* bytes = static_cast<const char*>(::GlobalLock(global));
    locked_ = bytes != nullptr;
    if (locked_) {
        block_ = DropBlock::Read(std::string_view(bytes, size));
    }
    if (block_ || origin_ == Origin::Clipboard) {
        return;
    }
    if (locked_) {
        ::GlobalUnlock(global);
        locked_ = false;
    }
    queried_ = true;
    count_ = ::DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0);
}

DroppedPaths::~DroppedPaths() {
    if (locked_) {
        ::GlobalUnlock(reinterpret_cast<HGLOBAL>(drop_));
    }
    if (origin_ == Origin::ShellDrop) {
        ::DragFinish(drop_);
    }
}

std::optional<std::wstring_view> DroppedPaths::Next() {
    if (queried_) {
        return NextQueried();
    }
    const auto bytes = block_ ? block_->Next() : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    if (block_->wide()) {
        // The block checked that a wide list starts at an even offset of the block, which the
        // system allocates aligned.
        return std::wstring_view(reinterpret_cast<const wchar_t*>(bytes->data()),
                                 bytes->size() / sizeof(wchar_t));
    }
    const int length = static_cast<int>(bytes->size());
    path_.resize(bytes->size());
    path_.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, bytes->data(), length, path_.data(), length)));
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

std::vector<std::wstring> ReadClipboardPaths(HDROP block) {
    DroppedPaths reader(block, DroppedPaths::Origin::Clipboard);
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

std::wstring UpperCaseAsFileNames(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    // Upper-casing maps each UTF-16 unit to one unit: the text keeps its length.
    std::wstring upper(text.size(), L'\0');
    const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(),
                                       static_cast<int>(text.size()), upper.data(),
                                       static_cast<int>(upper.size()), nullptr, nullptr, 0);
    if (length <= 0) {
        return std::wstring(text);
    }
    upper.resize(static_cast<std::size_t>(length));
    return upper;
}

} // namespace velkin::win
