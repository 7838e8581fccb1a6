#include "runner/power_off_switch.h"

#include <utility>
#include <vector>

#include "base/ascii_case.h"

namespace velkin {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

struct Token {
    std::size_t begin;
    std::size_t end;
};

// Where the token that starts at `at` ends, by the rules of the C runtime's argument splitting:
// backslashes count only before a quote, where each pair gives one backslash and an odd one
// makes the quote a literal one; any other quote opens or closes a quoted part, and a doubled
// quote inside one is a literal quote. The token's text without its quotes goes to `unquoted`.
std::size_t TokenEnd(std::wstring_view switches, std::size_t at, std::wstring& unquoted) {
    unquoted.clear();
    bool quoted = false;
    while (at < switches.size() && (quoted || !IsBlank(switches[at]))) {
        const wchar_t c = switches[at];
        if (c == L'\\') {
            std::size_t backslashes = 0;
            for (; at < switches.size() && switches[at] == L'\\'; ++at) {
                ++backslashes;
            }
            const bool beforeQuote = at < switches.size() && switches[at] == L'"';
            unquoted.append(beforeQuote ? backslashes / 2 : backslashes, L'\\');
            if (beforeQuote && backslashes % 2 == 1) {
                unquoted += L'"';
                ++at;
            }
        } else if (c == L'"') {
            if (quoted && at + 1 < switches.size() && switches[at + 1] == L'"') {
                unquoted += L'"';
                ++at;
            } else {
                quoted = !quoted;
            }
            ++at;
        } else {
            unquoted += c;
            ++at;
        }
    }
    return at;
}

bool IsSwitchItself(std::wstring_view unquoted) {
    constexpr std::wstring_view kName = L"ioff";
    if (unquoted.size() != kName.size() + 1 && unquoted.size() != kName.size() + 2) {
        return false;
    }
    if ((unquoted[0] != L'-' && unquoted[0] != L'/') ||
        !EqualsAsciiNoCase(unquoted.substr(1, kName.size()), kName)) {
        return false;
    }
    return unquoted.size() == kName.size() + 1 ||
           (unquoted.back() >= L'1' && unquoted.back() <= L'4');
}

std::vector<Token> PowerOffTokens(std::wstring_view switches) {
    std::vector<Token> found;
    std::wstring unquoted;
    std::size_t at = 0;
    while (at < switches.size()) {
        if (IsBlank(switches[at])) {
            ++at;
            continue;
        }
        const std::size_t begin = at;
        at = TokenEnd(switches, at, unquoted);
        if (unquoted == L"--") {
            break; // what follows is a name, not a switch
        }
        if (IsSwitchItself(unquoted)) {
            found.push_back({begin, at});
        }
    }
    return found;
}

} // namespace

bool IsPowerOffSwitch(std::wstring_view token) {
    std::wstring unquoted;
    return !token.empty() && TokenEnd(token, 0, unquoted) == token.size() &&
           IsSwitchItself(unquoted);
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
        if (begin > 0 && IsBlank(without[begin - 1])) {
            --begin;
        } else if (end < without.size() && IsBlank(without[end])) {
            ++end;
        }
        without.erase(begin, end - begin);
    }
    return without;
}

} // namespace velkin
