#include "app/main_dialogs_win.h"

#include "base/message_texts.h"
#include "platform/file_dialogs.h"
#include "platform/input_dialog.h"
#include "platform/short_path.h"

namespace velkin::win {
namespace {

constexpr DWORD kOpenDialogOptions = OFN_HIDEREADONLY | OFN_ENABLESIZING;
constexpr DWORD kSaveDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;

// The longest profile text the dialog takes.
constexpr int kMaxProfileLength = 255;

} // namespace

std::wstring AskArchiverLocation() {
    FileDialogSpec spec;
    spec.title = text::kOpenDialogTitle;
    spec.filter = text::kOpenDialogFilter;
    spec.defaultExtension = text::kOpenDialogDefaultExtension;
    spec.options = kOpenDialogOptions;
    const std::wstring chosen = ShowOpenDialog(nullptr, spec).value_or(std::wstring());
    return chosen.empty() ? std::wstring() : ShortPath(chosen);
}

std::optional<std::wstring> AskArchivePath(HWND owner, const SaveDialogRequest& request) {
    FileDialogSpec spec;
    spec.title = text::kSaveDialogTitle;
    spec.filter = request.filter;
    spec.defaultExtension = request.defaultExtension;
    spec.initialFolder = request.initialFolder;
    spec.fileName = request.fileName;
    spec.options = kSaveDialogOptions;
    return ShowSaveDialog(owner, spec);
}

std::optional<std::wstring> AskProfileText(HWND owner, std::wstring_view current) {
    const InputDialogTexts texts{text::kEditProfileCaption, text::kEditProfilePrompt, text::kOk,
                                 text::kCancel};
    return ShowInputDialog(owner, texts, current, kMaxProfileLength);
}

} // namespace velkin::win
