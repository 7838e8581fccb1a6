#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/byte_sink.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// Creates the file anew (truncating an existing one) with the bytes `write` hands its sink, a
// piece at a time, and keeps it open until the returned handle goes: readable by every program,
// but no other program can write, replace or delete it meanwhile. Throws the error "ファイル %s
// を作成できません" naming the file when it cannot be created or written, when another program
// holds it open, or when it no longer holds exactly these bytes once taken hold of (another
// program wrote it in between); an error thrown by `write` leaves as it came.
UniqueFileHandle WriteAndHoldFile(const std::wstring& path,
                                  const std::function<void(ByteSink&)>& write);

// Writes all the bytes at the file's position, in pieces that WriteFile's 32-bit count can take;
// whether they were all written.
bool WriteAll(HANDLE file, std::string_view bytes);

} // namespace velkin::win
