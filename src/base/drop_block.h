#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace velkin {

// The file list of a shell drop block, as the shell hands it over with a drop and as Explorer
// puts copied files on the clipboard: a DROPFILES header (pFiles, the list's offset, at byte 0;
// fWide at byte 16), then the paths, each ended by a zero character, and one more zero character
// after the last. Wide paths are UTF-16LE, the others bytes of the ANSI code page.
//
// Any program can put such a block on the clipboard, so nothing in it is trusted: the header
// must fit, the list must start inside the block, and a path counts only when it ends there too.
class DropBlock {
public:
    static constexpr std::size_t kHeaderBytes = 20;

    // Nothing when the block fails those checks (or a wide list starts at an odd offset, where
    // its characters could not be read in place).
    static std::optional<DropBlock> Read(std::string_view block);

    bool wide() const { return wide_; }

    // The bytes of the next path, without its end: an even count of them for a wide list.
    // Nothing at the end of the list, or once a path runs past the block's end.
    std::optional<std::string_view> Next();

private:
    DropBlock(std::string_view list, bool wide) : rest_(list), wide_(wide) {}

    std::string_view rest_;
    bool wide_;
};

} // namespace velkin
