#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkin::standin {

// The components of a Windows path below its drive or share: "D:\x\a.txt", "\\srv\share\x\a.txt"
// and "\\?\D:\x\a.txt" all give {"x", "a.txt"}. "." is dropped, and so is ".." (an archive
// name must not climb out of the folder it is extracted into).
std::vector<std::wstring> ComponentsBelowRoot(std::wstring_view path);

// The name a listed file or folder is stored under, '/'-separated: with -EP1 its last component
// alone ("dir"), without it the whole path below the root ("x/dir"). Empty for a bare root,
// whose contents then go to the top of the archive.
std::wstring StoredBaseName(std::wstring_view listedPath, bool excludeBaseFolder);

// "base/child", or just "child" below an empty base.
std::wstring JoinStoredName(std::wstring_view base, std::wstring_view child);

// A full path in the form that lifts the MAX_PATH limit ("\\?\D:\..." or "\\?\UNC\srv\...").
std::wstring ExtendedLengthPath(std::wstring_view fullPath);

} // namespace velkin::standin
