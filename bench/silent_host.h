// A host for the drop intake that neither asks nor shows anything: rows made as the window
// makes them, without the window. Portable, for the benchmarks that also build natively.
#pragma once

#include <optional>
#include <string>

#include "joblist/drop_intake.h"

namespace bench {

class SilentHost final : public velkin::DropIntakeHost {
public:
    bool IsDirectory(const std::wstring&) override { return false; }
    std::optional<std::wstring> AskArchivePath(const velkin::SaveDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::wstring> AskArchiveFolder(const std::wstring&) override {
        return std::nullopt;
    }
    std::wstring UpperCase(std::wstring_view text) override { return std::wstring(text); }
    void Breathe() override {}
    void RowsAppended() override {}
};

} // namespace bench
