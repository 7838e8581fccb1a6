#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Shared by the driver and the menu probe: both report to the orchestrator as UTF-8 JSON,
// whatever the Windows code page of the process is.
namespace velkin::e2e {

inline std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          size, nullptr, nullptr);
    return result;
}

inline std::string JsonString(std::wstring_view text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
            break;
        }
    }
    out += '"';
    return out;
}

inline const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

// Window handles are printed in hexadecimal, the way debuggers and Spy-like tools show them,
// and read back by the driver's --hwnd options.
inline std::string HandleText(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

} // namespace velkin::e2e
