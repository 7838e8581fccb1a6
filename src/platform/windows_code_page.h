#pragma once

#include "base/code_page.h"

namespace velkin::win {

// The system's ANSI code page (CP_ACP), as the settings file and the archiver see it.
class WindowsCodePage final : public CodePage {
public:
    std::optional<std::string> ToAnsi(std::wstring_view text) const override;
};

} // namespace velkin::win
