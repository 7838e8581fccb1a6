#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/drop_block.h"
#include "base/path_source.h"

namespace velkin::win {

// The paths of a drop block, index 0 first, exactly as delivered (wide, so that names outside
// the ANSI code page stay intact), read one at a time straight from the block's memory.
//
// A shell drop is the shell's own: it is handed back (DragFinish) when the reader goes, and
// should it be no block this reader knows, the shell is asked for its items instead. A block
// from the clipboard may come from any program: it is only lent, and one that fails the
// block's checks gives no paths at all, since the shell's own reader would trust its offsets.
class DroppedPaths final : public PathSource {
public:
    enum class Origin { ShellDrop, Clipboard };

    DroppedPaths(HDROP drop, Origin origin);
    ~DroppedPaths() override;
    DroppedPaths(const DroppedPaths&) = delete;
    DroppedPaths& operator=(const DroppedPaths&) = delete;

    std::optional<std::wstring_view> Next() override;

private:
    std::optional<std::wstring_view> NextQueried();

    HDROP drop_;
    Origin origin_;
    bool locked_ = false;
    std::optional<DropBlock> block_;
    // A shell drop that is no block of ours to read is asked of the shell, item by item.
    bool queried_ = false;
    UINT index_ = 0;
    UINT count_ = 0;
    std::wstring path_; // a path that had to be converted or asked for
};

// Every path of a block from the clipboard, each a string of its own; the block is not released.
std::vector<std::wstring> ReadClipboardPaths(HDROP block);

// Whether the path names an existing folder; a path that cannot be read counts as no folder.
bool IsExistingDirectory(const std::wstring& path);

// The text in upper case by the system's own table, which no user's language changes: two file
// names that differ only in letter case give the same text.
std::wstring UpperCaseAsFileNames(std::wstring_view text);

} // namespace velkin::win
