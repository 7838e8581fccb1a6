#include "driver/driver.h"

#include <cstdint>
#include <cwchar>

namespace velkin::driver {
namespace {

unsigned long long ParseNumber(const std::wstring& name, const std::wstring& text) {
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (text.empty() || end == nullptr || *end != L'\0') {
        Fail("--" + ToUtf8(name) + " needs a number, not " + ToUtf8(text), kExitUsage);
    }
    return value;
}

} // namespace

void Fail(const std::string& message, int exitCode) {
    throw DriverError(message, exitCode);
}

void FailWithLastError(const std::string& what) {
    const DWORD error = ::GetLastError();
    Fail(what + " failed (error " + std::to_string(error) + ")");
}

void PrintLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
                &written, nullptr);
}

std::string JsonNumbers(std::initializer_list<long long> values) {
    // Appended piece by piece: GCC 12 takes "[" + string for an overlapping copy.
    std::string text = "[";
    for (const long long value : values) {
        text += std::to_string(value);
        text += ',';
    }
    if (text.size() > 1) {
        text.pop_back();
    }
    text += ']';
    return text;
}

std::string RectJson(const RECT& rect) {
    return JsonNumbers({rect.left, rect.top, rect.right, rect.bottom});
}

Arguments::Arguments(const std::vector<std::wstring>& words) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::wstring_view word = words[i];
        if (word.starts_with(L"--") && word.size() > 2) {
            if (i + 1 >= words.size()) {
                Fail("option " + ToUtf8(word) + " needs a value", kExitUsage);
            }
            options_[std::wstring(word.substr(2))] = words[++i];
        } else {
            words_.emplace_back(word);
        }
    }
}

std::optional<std::wstring> Arguments::Get(const std::wstring& name) const {
    used_.push_back(name);
    const auto found = options_.find(name);
    if (found == options_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::wstring Arguments::Require(const std::wstring& name) const {
    auto value = Get(name);
    if (!value) {
        Fail("missing option --" + ToUtf8(name), kExitUsage);
    }
    return *value;
}

unsigned long long Arguments::Number(const std::wstring& name, unsigned long long fallback) const {
    const auto value = Get(name);
    return value ? ParseNumber(name, *value) : fallback;
}

HWND Arguments::Window(const std::wstring& name) const {
    const HWND window =
        reinterpret_cast<HWND>(static_cast<std::uintptr_t>(ParseNumber(name, Require(name))));
    if (!::IsWindow(window)) {
        Fail("--" + ToUtf8(name) + " " + HandleText(window) + " is not a window");
    }
    return window;
}

void Arguments::RejectUnused() const {
    for (const auto& [name, value] : options_) {
        bool known = false;
        for (const auto& used : used_) {
            known = known || used == name;
        }
        if (!known) {
            Fail("unknown option --" + ToUtf8(name), kExitUsage);
        }
    }
}

} // namespace velkin::driver
