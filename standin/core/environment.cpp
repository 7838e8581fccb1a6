#include "core/environment.h"

#include "core/text.h"

namespace velkin::standin {
namespace {

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

} // namespace

EnvironmentSettings InterpretEnvironment(const std::optional<std::wstring>& delay,
                                         const std::optional<std::wstring>& exitCode) {
    EnvironmentSettings settings;
    if (delay) {
        long long value = 0;
        if (!ParseDecimal(Trimmed(*delay), value) || value < 0 || value > kMaxDelayMs) {
            settings.notes.push_back(std::wstring(kDelayVariable) + L"=\"" + *delay +
                                     L"\" is not a number of milliseconds from 0 to " +
                                     std::to_wstring(kMaxDelayMs) + L": no delay");
        } else {
            settings.delayMs = value;
        }
    }
    if (exitCode) {
        long long value = 0;
        // Windows exit codes are 32-bit; negative values are the same bits read as signed.
        if (!ParseDecimal(Trimmed(*exitCode), value) || value < -2147483648LL ||
            value > 4294967295LL) {
            settings.notes.push_back(std::wstring(kExitCodeVariable) + L"=\"" + *exitCode +
                                     L"\" is not a 32-bit exit code: not forced");
        } else {
            settings.exitCode = static_cast<std::uint32_t>(value);
        }
    }
    return settings;
}

} // namespace velkin::standin
