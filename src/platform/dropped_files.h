#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace velkin::win {

// The paths of a shell drop, index 0 first, exactly as delivered (wide, so that names outside
// the ANSI code page stay intact). The drop itself is not released.
std::vector<std::wstring> ReadDroppedPaths(HDROP drop);

// Whether the path names an existing folder; a path that cannot be read counts as no folder.
bool IsExistingDirectory(const std::wstring& path);

} // namespace velkin::win
