// What every command of velkin_driver shares: its exit codes and failures, its output (UTF-8
// JSON, one object per line), its command-line options and its deadlines. DRIVER.md lists the
// commands.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/handle_text.h"
#include "core/json.h"
#include "core/text.h"

namespace velkin::driver {

using e2e::HandleText;
using standin::JsonBool;
using standin::JsonString;
using standin::ToUtf8;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTimeout = 3;

// How long a message to a window of the program may wait for its answer. Not SMTO_ABORTIFHUNG:
// Wine takes a window for hung after 5 s without a fetched message, which a busy machine brings
// about while the window's thread works through a large drop.
constexpr UINT kMessageTimeoutMs = 30000;
constexpr DWORD kPollMs = 50;

class DriverError : public std::runtime_error {
public:
    DriverError(const std::string& message, int exitCode)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

[[noreturn]] void Fail(const std::string& message, int exitCode = kExitFailure);
[[noreturn]] void FailWithLastError(const std::string& what);

void PrintLine(const std::string& line);

std::string JsonNumbers(std::initializer_list<long long> values); // [1,2]
std::string RectJson(const RECT& rect);

// QueryPerformanceCounter in 100 ns units, which Wine takes from the host's raw monotonic clock:
// times that a suite can set beside those of other programs of the session.
inline long long Now100ns() {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<long long>(static_cast<double>(now.QuadPart) * 1e7 /
                                  static_cast<double>(frequency.QuadPart));
}

class Deadline {
public:
    explicit Deadline(DWORD timeoutMs) : end_(::GetTickCount64() + timeoutMs) {}
    bool Passed() const { return ::GetTickCount64() >= end_; }
    DWORD Remaining() const {
        const ULONGLONG now = ::GetTickCount64();
        return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
    }

private:
    ULONGLONG end_;
};

// A command's words after its name: "--name value" options and plain words.
class Arguments {
public:
    explicit Arguments(const std::vector<std::wstring>& words);

    std::optional<std::wstring> Get(const std::wstring& name) const;
    std::wstring Require(const std::wstring& name) const;
    unsigned long long Number(const std::wstring& name, unsigned long long fallback) const;
    DWORD TimeoutMs() const { return static_cast<DWORD>(Number(L"timeout-ms", 10000)); }
    HWND Window(const std::wstring& name = L"hwnd") const;
    const std::vector<std::wstring>& Words() const { return words_; }

    // A misspelt option must not be silently ignored: the command would then do something
    // other than what its caller meant.
    void RejectUnused() const;

private:
    std::map<std::wstring, std::wstring> options_;
    std::vector<std::wstring> words_;
    mutable std::vector<std::wstring> used_;
};

} // namespace velkin::driver
