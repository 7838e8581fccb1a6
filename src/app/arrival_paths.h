#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkin {

// Paths that come from outside the shell's own drops (the command line, a hand-off from a second
// start, the clipboard) are written by people and by other programs, not by the shell: they may
// end in a separator, use "/" for "\", or hold characters no file name can hold.

// "/" becomes "\", and trailing separators go, except the one that makes a root a root ("C:\",
// "\\server\share\", "\\?\C:\", "\"): "C:\photos\" names the folder C:\photos, whose archive is
// C:\photos.rar beside it, not C:\photos\.rar inside it.
std::wstring WithTidySeparators(std::wstring path);

// Whether the path holds a character that no file or folder name can hold: '"', '<', '>', '|',
// '*', '?' (but for the "\\?\" that starts a long path) or a control character. Such a path
// names nothing, and would reach the archiver's command line or list file mangled.
bool HoldsForbiddenCharacter(std::wstring_view path);

// Whether the path names the same thing whatever the current directory and drive: a drive's
// root and more ("C:\...") or a share ("\\server\share...", the "\\?\" and "\\.\" forms
// included), separators tidied. Only the command line makes its paths full; a relative path from
// elsewhere ("-pX.txt") would name an archive whose name the archiver reads as a switch.
bool IsFullPath(std::wstring_view path);

struct SortedPaths {
    std::vector<std::wstring> accepted;
    std::vector<std::wstring> refused;
};

// The paths in order, those that hold a forbidden character or are not full paths set apart as
// they came, and the others with their separators tidied.
SortedPaths SortArrivedPaths(std::vector<std::wstring> paths);

// The message that names the refused paths: one a line, at most kMostRefusedShown of them, then
// "…" for the rest. A control character in a path is shown as U+FFFD, so that a path with a line
// break in it stays on one line of the message.
inline constexpr std::size_t kMostRefusedShown = 20;
std::wstring RefusedPathsMessage(const std::vector<std::wstring>& refused);

} // namespace velkin
