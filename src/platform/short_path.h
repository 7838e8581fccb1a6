#pragma once

#include <string>

namespace velkin::win {

// The path's short (8.3) form; empty when the system has none for it (no such file, or a short
// form longer than MAX_PATH).
std::wstring ShortPath(const std::wstring& path);

} // namespace velkin::win
