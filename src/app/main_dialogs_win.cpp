#include "app/main_dialogs_win.h"

#include "base/message_texts.h"
#include "platform/file_dialogs.h"
#include "platform/input_dialog.h"
#include "platform/message_boxes.h"
#include "platform/short_path.h"

namespace velkin::win {
namespace {

constexpr DWORD kOpenDialogOptions = OFN_HIDEREADONLY | OFN_ENABLESIZING;
constexpr DWORD kSaveDialogOptions = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;

// The longest profile text the dialog takes.
constexpr int kMaxProfileLength = 255;

// Yes and No, the information icon, No as the default.
constexpr UINT kConfirmFlags = MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2;

constexpr UINT kProfileNotStoredFlags = MB_OK | MB_ICONWARNING;
constexpr UINT kEndWithoutSettingsFlags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

} // namespace

std::wstring AskArchiverLocation() {
    FileDialogSpec dialog;
    dialog.title = text::kOpenDialogTitle;
    dialog.filter = text::kOpenDialogFilter;
    dialog.defaultExtension = text::kOpenDialogDefaultExtension;
    dialog.options = kOpenDialogOptions;
    const std::wstring chosen = ShowOpenDialog(nullptr, dialog).value_or(std::wstring());
    return chosen.empty() ? std::wstring() : ShortPath(chosen);
}

std::optional<std::wstring> AskArchivePath(HWND owner, const SaveDialogRequest& request) {
    FileDialogSpec dialog;
    dialog.title = text::kSaveDialogTitle;
    dialog.filter = request.filter;
    dialog.defaultExtension = request.defaultExtension;
    dialog.initialFolder = request.initialFolder;
    dialog.fileName = request.fileName;
    dialog.options = kSaveDialogOptions;
    return ShowSaveDialog(owner, dialog);
}

std::optional<std::wstring> AskArchiveFolder(HWND owner, const std::wstring& initialFolder) {
    return ShowFolderDialog(owner, initialFolder);
}

std::optional<std::wstring> AskProfileText(HWND owner, std::wstring_view current) {
    const InputDialogTexts texts{text::kEditProfileCaption, text::kEditProfilePrompt, text::kOk,
                                 text::kCancel};
    return ShowInputDialog(owner, texts, current, kMaxProfileLength);
}

void TellProfileNotStored(HWND owner, std::wstring_view characters) {
    ShowMessageBox(owner, std::wstring(text::kProfileNotStored) + std::wstring(characters),
                   text::kApplicationTitle, kProfileNotStoredFlags);
}

bool AskEndWithoutSettings(HWND owner) {
    return ShowMessageBox(owner, text::kEndWithoutSettings, text::kApplicationTitle,
                          kEndWithoutSettingsFlags) == IDYES;
}

bool AskConfirmation(HWND owner, std::wstring_view question) {
    return ShowMessageBox(owner, question, text::kConfirmCaption, kConfirmFlags) == IDYES;
}

} // namespace velkin::win
