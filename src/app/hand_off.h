#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/start_request.h"

namespace velkin {

// A second start hands its request to the window already open in a WM_COPYDATA message. Its
// dwData is the tag; its bytes are the version and the flags (32 bits each, little-endian; flag
// bit 0 is StartRequest::eachApart, no other bit is used), then every path in UTF-16LE followed
// by a zero unit, then one more zero unit. Anything else is not a hand-off and is refused whole.
inline constexpr std::uintptr_t kHandOffTag = 0x4E4B4C56; // "VLKN"
inline constexpr std::uint32_t kHandOffVersion = 1;
// A command line holds at most 32,767 characters; even with every path made absolute a real
// request stays far below this, and a larger message is refused before anything is read.
inline constexpr std::size_t kMaxHandOffBytes = std::size_t{1} << 20;

// The message's bytes; nothing when the request has no paths, a path is empty or holds a zero
// character, or the bytes would pass the limit: then no window can take it.
std::optional<std::string> EncodeHandOff(const StartRequest& request);

// The request in the bytes; nothing when they are not exactly what EncodeHandOff makes.
std::optional<StartRequest> DecodeHandOff(std::string_view bytes);

} // namespace velkin
