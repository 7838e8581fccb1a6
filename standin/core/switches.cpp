#include "core/switches.h"

#include "core/text.h"

namespace velkin::standin {
namespace {

// -M0 .. -M5, RAR's scale from "store" to "best", onto zlib's 0 .. 9.
constexpr int kLevelForMethod[] = {0, 1, 3, 6, 8, 9};

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
    for (const auto& token : switchList) {
        SwitchEffect effect{token, SwitchAction::Ignored, L""};
        if (token.size() < 2 || (token[0] != L'-' && token[0] != L'/')) {
            effect.detail = L"not a switch";
        } else {
            const std::wstring_view body = std::wstring_view(token).substr(1);
            if (EqualsAsciiNoCase(body, L"ep1")) {
                plan.excludeBaseFolder = true;
                effect.action = SwitchAction::Applied;
                effect.detail = L"base folder excluded from stored names";
            } else if (EqualsAsciiNoCase(body, L"df")) {
                effect.action = SwitchAction::NotActedOn;
                effect.detail = L"files not deleted";
            } else if (EqualsAsciiNoCase(body, L"ioff")) {
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
