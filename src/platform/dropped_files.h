#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/path_source.h"

namespace velkin::win {

// The paths of a shell drop, index 0 first, exactly as delivered (wide, so that names outside
// the ANSI code page stay intact), read one at a time straight from the drop's memory. With
// Finish the drop is handed back to the system (DragFinish) when the reader goes; Keep leaves
// it to its owner (a drop on the clipboard, say).
class DroppedPaths final : public PathSource {
public:
    enum class AfterReading { Finish, Keep };

    DroppedPaths(HDROP drop, AfterReading after);
    ~DroppedPaths() override;
    DroppedPaths(const DroppedPaths&) = delete;
    DroppedPaths& operator=(const DroppedPaths&) = delete;

    std::optional<std::wstring_view> Next() override;

private:
    std::optional<std::wstring_view> NextWide();
    std::optional<std::wstring_view> NextAnsi();
    std::optional<std::wstring_view> NextQueried();

    HDROP drop_;
    AfterReading after_;
    // The drop's list while its memory is locked: from the next path to the block's end.
    const char* at_ = nullptr;
    const char* end_ = nullptr;
    bool wide_ = true;
    // A drop that is no block of ours to read is asked of the shell, item by item.
    bool queried_ = false;
    UINT index_ = 0;
    UINT count_ = 0;
    std::wstring path_; // a path that had to be converted or asked for
};

// Every path of the drop, each a string of its own; the drop itself is not released.
std::vector<std::wstring> ReadDroppedPaths(HDROP drop);

// Whether the path names an existing folder; a path that cannot be read counts as no folder.
bool IsExistingDirectory(const std::wstring& path);

} // namespace velkin::win
