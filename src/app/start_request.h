#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velkin {

// What a start of the program asks for beyond opening its window: paths to take in, as Send To
// and a drop on the program's icon pass them.
struct StartRequest {
    std::vector<std::wstring> paths;
    // "/each": every path is a drop of its own, so that every item gets its own archive.
    bool eachApart = false;

    bool operator==(const StartRequest&) const = default;
};

// Reads the arguments that follow the program's name, split as the shell splits them. "/each"
// or "-each" in any letter case sets eachApart; any other argument that begins with "/" is a
// switch this program does not know and is passed over, and so is an empty one. A path that
// depends on the current directory or drive is handed to makeFull, because the archive is
// named from the full path. Every path then has its separators tidied (WithTidySeparators), and
// one that ends in a quote the shell's splitting made of a final backslash ("C:\x\" arrives
// as C:\x") names that folder. Nothing else of a path is changed; a path with characters no
// name can hold is kept, for the window to refuse with a word to the user.
StartRequest ReadStartArguments(const std::vector<std::wstring>& arguments,
                                const std::function<std::wstring(const std::wstring&)>& makeFull);

// The drops the request makes, in the order given: all paths as one drop, or one drop for each
// path; none without paths.
std::vector<std::vector<std::wstring>> DropsOf(const StartRequest& request);

} // namespace velkin
