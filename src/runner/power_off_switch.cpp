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

// Where the token that starts at `at` ends, read as WinRAR reads its command line: two quotes in
// a row stand for one quote, inside a quoted part or not; any other quote opens or closes a
// quoted part; a backslash is a character like any other, so -w"C:\tmp\" is closed by its last
// quote. The token's text without its quotes goes to `unquoted`. A quoted part still open where
// the switches end goes on into the blank after them on the command line, and takes it in.
std::size_t TokenEnd(std::wstring_view switches, std::size_t at, std::wstring& unquoted) {
    unquoted.clear();
    bool quoted = false;
    while (at < switches.size() && (quoted || !IsBlank(switches[at]))) {
        const wchar_t c = switches[at++];
        if (c != L'"') {
            unquoted += c;
        } else if (at < switches.size() && switches[at] == L'"') {
            unquoted += L'"';
            ++at;
        } else {
            quoted = !quoted;
        }
    }
    if (quoted) {
        unquoted += L' ';
    }
    return at;
}

bool IsSwitchChar(wchar_t c) {
    return c == L'-' || c == L'/';
}

// WinRAR obeys -ioff alone, and -ioff followed by 1 to 4 whatever comes after the digit.
bool IsSwitchItself(std::wstring_view unquoted) {
    constexpr std::wstring_view kName = L"ioff";
    if (unquoted.size() <= kName.size() || !IsSwitchChar(unquoted[0]) ||
        !EqualsAsciiNoCase(unquoted.substr(1, kName.size()), kName)) {
        return false;
    }
    return unquoted.size() == kName.size() + 1 ||
           (unquoted[kName.size() + 1] >= L'1' && unquoted[kName.size() + 1] <= L'4');
}

// "--", or "/-": what follows is a name, not a switch.
bool EndsSwitches(std::wstring_view unquoted) {
    return unquoted.size() == 2 && IsSwitchChar(unquoted[0]) && unquoted[1] == L'-';
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
        if (EndsSwitches(unquoted)) {
            break;
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
        if (switches.empty()) {
            return *form_;
        }
        // After a "--", or inside a quote the switches leave open, the form would be no switch.
        std::wstring appended = switches + L" " + *form_;
        if (!PowerOffTokens(appended).empty()) {
            return appended;
        }
        return *form_ + L" " + switches;
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
