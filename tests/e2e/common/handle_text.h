#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace velkin::e2e {

// Window handles are printed in hexadecimal, the way debuggers and Spy-like tools show them,
// and read back by the driver's --hwnd options.
inline std::string HandleText(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

} // namespace velkin::e2e
