#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkin::standin {

inline constexpr wchar_t kLogVariable[] = L"VELKIN_STANDIN_LOG";
inline constexpr wchar_t kDelayVariable[] = L"VELKIN_STANDIN_DELAY_MS";
inline constexpr wchar_t kExitCodeVariable[] = L"VELKIN_STANDIN_EXIT_CODE";
inline constexpr wchar_t kWaitForVariable[] = L"VELKIN_STANDIN_WAIT_FOR";

// A day at most: a longer wait is surely a mistake, and would hold the caller for good.
inline constexpr long long kMaxDelayMs = 24LL * 60 * 60 * 1000;

struct EnvironmentSettings {
    long long delayMs = 0;
    std::optional<std::uint32_t> exitCode;
    std::vector<std::wstring> notes; // values that were set but could not be used
};

// Values as read from the environment; nothing for a variable that is not set.
EnvironmentSettings InterpretEnvironment(const std::optional<std::wstring>& delay,
                                         const std::optional<std::wstring>& exitCode);

} // namespace velkin::standin
