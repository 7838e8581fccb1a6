#include "platform/file_dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace velkin::win {
namespace {

// Long enough for the paths of a long-path-aware system.
constexpr std::size_t kFileNameCapacity = 32768;

std::optional<std::wstring> ShowFileDialog(HWND owner, const FileDialogSpec& spec, bool save) {
    std::vector<wchar_t> fileName(kFileNameCapacity, L'\0');
    spec.fileName.copy(fileName.data(), std::min(spec.fileName.size(), kFileNameCapacity - 1));
    const std::wstring filter = DialogFilterList(spec.filter);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    dialog.lpstrInitialDir = spec.initialFolder.empty() ? nullptr : spec.initialFolder.c_str();
    dialog.lpstrTitle = spec.title.empty() ? nullptr : spec.title.c_str();
    dialog.lpstrDefExt = spec.defaultExtension.empty() ? nullptr : spec.defaultExtension.c_str();
    dialog.Flags = spec.options | OFN_EXPLORER;

    const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    if (!chosen) {
        return std::nullopt;
    }
    return std::wstring(fileName.data());
}

} // namespace

std::wstring DialogFilterList(std::wstring_view filter) {
    if (filter.empty()) {
        return {};
    }
    std::wstring list(filter);
    for (auto& c : list) {
        if (c == L'|') {
            c = L'\0';
        }
    }
    list += L'\0';
    list += L'\0';
    return list;
}

std::optional<std::wstring> ShowOpenDialog(HWND owner, const FileDialogSpec& spec) {
    return ShowFileDialog(owner, spec, false);
}

std::optional<std::wstring> ShowSaveDialog(HWND owner, const FileDialogSpec& spec) {
    return ShowFileDialog(owner, spec, true);
}

} // namespace velkin::win
