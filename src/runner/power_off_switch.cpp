#include "runner/power_off_switch.h"

#include <utility>
#include <vector>

namespace velkin {
namespace {

struct Token {
    std::size_t begin;
    std::size_t end;
};

std::vector<Token> PowerOffTokens(std::wstring_view switches) {
    std::vector<Token> found;
    std::size_t at = 0;
    while (at < switches.size()) {
        if (switches[at] == L' ') {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        bool quoted = false;
        while (at < switches.size() && (quoted || switches[at] != L' ')) {
            quoted = switches[at] == L'"' ? !quoted : quoted;
            ++at;
        }
        if (IsPowerOffSwitch(switches.substr(begin, at - begin))) {
            found.push_back({begin, at});
        }
    }
    return found;
}

} // namespace

bool IsPowerOffSwitch(std::wstring_view token) {
    constexpr std::wstring_view kSwitch = L"-ioff";
    if (token.size() != kSwitch.size() && token.size() != kSwitch.size() + 1) {
        return false;
    }
    for (std::size_t i = 0; i < kSwitch.size(); ++i) {
        const wchar_t c = token[i];
        const wchar_t lower = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        if (lower != kSwitch[i]) {
            return false;
        }
    }
    return token.size() == kSwitch.size() || (token.back() >= L'1' && token.back() <= L'4');
}

std::wstring PowerOffAtEnd::SwitchesFor(const std::wstring& switches, bool lastGroup) {
    const std::vector<Token> tokens = PowerOffTokens(switches);
    if (!tokens.empty()) {
        form_ = switches.substr(tokens.back().begin, tokens.back().end - tokens.back().begin);
    }
    if (lastGroup) {
        if (!tokens.empty() || !form_) {
            return switches;
        }
        return switches.empty() ? *form_ : switches + L" " + *form_;
    }
    std::wstring without = switches;
    for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
        std::size_t begin = it->begin;
        std::size_t end = it->end;
        if (begin > 0 && without[begin - 1] == L' ') {
            --begin;
        } else if (end < without.size() && without[end] == L' ') {
            ++end;
        }
        without.erase(begin, end - begin);
    }
    return without;
}

} // namespace velkin
