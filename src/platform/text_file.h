#pragma once

#include <string>

namespace velkin::win {

// Creates the file anew (truncating an existing one) holding exactly these bytes. Throws the
// error "ファイル %s を作成できません" naming the file when it cannot be created or written.
void WriteWholeFile(const std::wstring& path, const std::string& bytes);

} // namespace velkin::win
