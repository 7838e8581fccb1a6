#pragma once

#include <string>
#include <vector>

namespace velkin::standin {

enum class SwitchAction { Applied, NotActedOn, Ignored };

struct SwitchEffect {
    std::wstring token;
    SwitchAction action = SwitchAction::Ignored;
    std::wstring detail;
};

// What the stand-in makes of a profile's switches. It always writes ZIP content and never
// touches the listed files, whatever is asked; each switch says what became of it.
struct SwitchPlan {
    bool excludeBaseFolder = false; // -EP1
    int compressionLevel = 6;       // zlib level; 0 stores
    bool rarFormatRequested = false;
    std::vector<SwitchEffect> effects;
};

// Each switch of the list (quotes as written) is read as WinRAR reads it: its quotes taken away,
// where two in a row are one literal quote and a backslash escapes nothing; no switch after
// "--" or "/-".
SwitchPlan InterpretSwitches(const std::vector<std::wstring>& switchList);

const wchar_t* SwitchActionName(SwitchAction action);

} // namespace velkin::standin
