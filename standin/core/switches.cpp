#include "core/switches.h"

#include "core/text.h"

namespace velkin::standin {
namespace {

// -M0 .. -M5, RAR's scale from "store" to "best", onto zlib's 0 .. 9.
constexpr int kLevelForMethod[] = {0, 1, 3, 6, 8, 9};

// A switch as WinRAR reads it out of its command line: a pair of quotes is one literal quote,
// inside quotes or out; a single quote opens or closes a quoted stretch and is dropped; a
// backslash is kept as it is and never escapes. A stretch the switch leaves open runs on past
// the end of the switches and takes in the blank before the archive's token.
std::wstring AsWinRarReadsIt(std::wstring_view token) {
    std::wstring text;
    bool open = false;
    for (std::size_t i = 0; i < token.size(); ++i) {
        if (token[i] != L'"') {
            text += token[i];
        } else if (i + 1 < token.size() && token[i + 1] == L'"') {
            text += L'"';
            ++i;
        } else {
            open = !open;
        }
    }
    if (open) {
        text += L' ';
    }
    return text;
}

// WinRAR turns the computer off for -ioff alone, and for -ioff1 to -ioff4 with anything after
// the digit.
bool TurnsComputerOff(std::wstring_view body) {
    return StartsWithAsciiNoCase(body, L"ioff") &&
           (body.size() == 4 || (body[4] >= L'1' && body[4] <= L'4'));
}

} // namespace

const wchar_t* SwitchActionName(SwitchAction action) {
    switch (action) {
    case SwitchAction::Applied:
        return L"applied";
    case SwitchAction::NotActedOn:
        return L"not acted on";
    case SwitchAction::Ignored:
        break;
    }
    return L"ignored";
}

SwitchPlan InterpretSwitches(const std::vector<std::wstring>& switchList) {
    SwitchPlan plan;
    bool namesOnly = false;
    for (const auto& token : switchList) {
        SwitchEffect effect{token, SwitchAction::Ignored, L""};
        const std::wstring read = AsWinRarReadsIt(token);
        if (namesOnly) {
            effect.detail = L"a name: no switch after \"--\"";
        } else if (read.size() < 2 || (read[0] != L'-' && read[0] != L'/')) {
            effect.detail = L"not a switch";
        } else if (read.size() == 2 && read[1] == L'-') {
            namesOnly = true;
            effect.detail = L"the end of the switches";
        } else {
            const std::wstring_view body = std::wstring_view(read).substr(1);
            if (EqualsAsciiNoCase(body, L"ep1")) {
                plan.excludeBaseFolder = true;
                effect.action = SwitchAction::Applied;
                effect.detail = L"base folder excluded from stored names";
            } else if (EqualsAsciiNoCase(body, L"df")) {
                effect.action = SwitchAction::NotActedOn;
                effect.detail = L"files not deleted";
            } else if (TurnsComputerOff(body)) {
                effect.action = SwitchAction::NotActedOn;
                effect.detail = L"computer not turned off";
            } else if (EqualsAsciiNoCase(body, L"afzip")) {
                effect.action = SwitchAction::Applied;
                effect.detail = L"ZIP format";
            } else if (EqualsAsciiNoCase(body, L"afrar")) {
                plan.rarFormatRequested = true;
                effect.detail = L"RAR format not available: ZIP content written";
            } else if (body.size() == 2 && (body[0] == L'm' || body[0] == L'M') &&
                       body[1] >= L'0' && body[1] <= L'5') {
                plan.compressionLevel = kLevelForMethod[body[1] - L'0'];
                effect.action = SwitchAction::Applied;
                effect.detail = plan.compressionLevel == 0
                                    ? std::wstring(L"entries stored without compression")
                                    : L"deflate level " + std::to_wstring(plan.compressionLevel);
            } else if (StartsWithAsciiNoCase(body, L"md")) {
                effect.detail = L"dictionary size has no meaning for deflate";
            } else if (EqualsAsciiNoCase(body, L"s")) {
                effect.detail = L"solid archives do not exist in ZIP";
            } else {
                effect.detail = L"not supported by the stand-in";
            }
        }
        plan.effects.push_back(std::move(effect));
    }
    return plan;
}

} // namespace velkin::standin
