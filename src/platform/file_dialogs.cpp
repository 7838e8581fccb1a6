#include "platform/file_dialogs.h"

#include <commdlg.h>
#include <shobjidl.h>

#include <algorithm>
#include <memory>
#include <system_error>
#include <vector>

#include "base/scope_exit.h"

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

struct ReleaseObject {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T> using ComPtr = std::unique_ptr<T, ReleaseObject>;

void ThrowIfFailed(HRESULT result, const char* what) {
    if (FAILED(result)) {
        throw std::system_error(static_cast<int>(result), std::system_category(), what);
    }
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

std::optional<std::wstring> ShowFolderDialog(HWND owner, const std::wstring& initialFolder) {
    // The thread may have COM already (a run's progress on the taskbar): each success is
    // balanced, whether it was the first.
    const HRESULT com =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const ScopeExit uninitialise([com] {
        if (SUCCEEDED(com)) {
            ::CoUninitialize();
        }
    });
    IFileOpenDialog* created = nullptr;
    ThrowIfFailed(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&created)),
                  "the folder dialog");
    const ComPtr<IFileOpenDialog> dialog(created);
    FILEOPENDIALOGOPTIONS options = 0;
    ThrowIfFailed(dialog->GetOptions(&options), "the folder dialog's options");
    ThrowIfFailed(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                     FOS_PATHMUSTEXIST | FOS_NOCHANGEDIR),
                  "the folder dialog's options");
    // A folder that cannot be found leaves the dialog where the system opens it.
    IShellItem* folder = nullptr;
    if (!initialFolder.empty() && SUCCEEDED(::SHCreateItemFromParsingName(
                                      initialFolder.c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
        const ComPtr<IShellItem> owned(folder);
        dialog->SetFolder(owned.get());
    }
    const HRESULT shown = dialog->Show(owner);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        return std::nullopt;
    }
    ThrowIfFailed(shown, "the folder dialog");
    IShellItem* result = nullptr;
    ThrowIfFailed(dialog->GetResult(&result), "the chosen folder");
    const ComPtr<IShellItem> chosen(result);
    wchar_t* path = nullptr;
    ThrowIfFailed(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path), "the chosen folder's path");
    const ScopeExit freePath([path] { ::CoTaskMemFree(path); });
    return std::wstring(path);
}

} // namespace velkin::win
