#include "app/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

#include "about/readme_win.h"
#include "app/command_ids.h"
#include "app/main_menu_win.h"
#include "base/integer_text.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "joblist/drop_groups.h"
#include "platform/archiver_process.h"
#include "platform/dpi.h"
#include "platform/dropped_files.h"
#include "platform/file_dialogs.h"
#include "platform/ini_file_store.h"
#include "platform/input_dialog.h"
#include "platform/message_loop.h"
#include "platform/message_boxes.h"
#include "platform/program_directory.h"
#include "platform/text_file.h"
#include "platform/window_procedure.h"
#include "settings/settings_file.h"

namespace velkin::win {
namespace {

constexpr int kListViewId = 1;

// How long the window may go without handling its messages while a drop comes in.
constexpr auto kBreathInterval = std::chrono::milliseconds(30);

// Yes and No, the information icon, No as the default.
constexpr UINT kConfirmFlags = MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2;

// Commands that change which rows exist wait until a drop is in.
bool ChangesRows(unsigned id) {
    return id == kCmdDeleteNum || id == kCmdClear || id == kCmdStart;
}

void RegisterMainWindowClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    if (::GetClassInfoExW(instance, text::kMainWindowClass.data(), &windowClass)) {
        return;
    }
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hIconSm = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                     ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = text::kMainWindowClass.data();
    if (::RegisterClassExW(&windowClass) == 0) {
        throw std::runtime_error("RegisterClassExW failed");
    }
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance) {
    RegisterMainWindowClass(instance, &ObjectWindowProc<MainWindow>);
    UniqueMenu menu(CreateMainMenu());
    const std::wstring title(text::kApplicationTitle);
    // Created hidden at the platform's default place; the settings then place it.
    window_ = ::CreateWindowExW(0, text::kMainWindowClass.data(), title.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu.get(), instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    menu.release(); // the window destroys its menu
    try {
        ::DragAcceptFiles(window_, TRUE);
        ApplyStartupSettings();
        // Created once, hidden, and shown whenever asked for.
        about_ = std::make_unique<AboutWindow>(instance, window_);
    } catch (...) {
        ::DestroyWindow(window_);
        throw;
    }
}

MainWindow::~MainWindow() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void MainWindow::Show(int showCommand) {
    int command = SW_SHOWNORMAL;
    if (showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE) {
        command = showCommand;
    }
    ::ShowWindow(window_, command);
    ::UpdateWindow(window_);
}

void MainWindow::AttachWindow(HWND window) {
    window_ = window;
}

void MainWindow::DetachWindow() {
    window_ = nullptr;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        dpi_ = DpiForWindow(window_);
        listView_ = std::make_unique<JobListView>(window_, kListViewId, model_.rows);
        ApplyFont();
        return 0;
    case WM_SIZE:
        if (listView_) {
            listView_->Resize(LOWORD(lParam), HIWORD(lParam));
        }
        return 0;
    case WM_SETFOCUS:
        if (listView_) {
            ::SetFocus(listView_->handle());
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_ENDSESSION:
        // Windows is shutting down or the user signs out: the program ends without a close, so
        // this is the last chance to keep the settings. Nobody is left to see an error.
        if (wParam != FALSE) {
            try {
                FormClose();
            } catch (...) {
            }
        }
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::ApplyStartupSettings() {
    const IniFileStore store(SettingsFilePath(win::ProgramDirectory()));
    // The default sizes are those of a 96-DPI screen; stored sizes are pixels as they stand.
    Settings defaults = DefaultSettings();
    defaults.width = ScaleForDpi(defaults.width, dpi_);
    defaults.height = ScaleForDpi(defaults.height, dpi_);
    for (auto& width : defaults.columnWidths) {
        width = ScaleForDpi(width, dpi_);
    }
    const Settings settings = LoadSettings(store, std::move(defaults));
    PlaceWindow(RECT{settings.left, settings.top, settings.left + settings.width,
                     settings.top + settings.height});
    ApplySettings(settings, model_);
    for (int column = 0; column < kJobColumnCount; ++column) {
        listView_->SetColumnWidth(column, settings.columnWidths[static_cast<std::size_t>(column)]);
    }
    RefreshMenu();
    if (model_.winRarPath.empty()) {
        AskForArchiverLocation();
    }
}

void MainWindow::PlaceWindow(const RECT& stored) {
    RECT placed = stored;
    // A stored place can lie outside every monitor (one unplugged since, or a hand-edited
    // value); the window then goes onto the nearest monitor so that the user can reach it.
    // The stored size is kept.
    if (::MonitorFromRect(&stored, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetMonitorInfoW(::MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &monitor)) {
            const RECT& area = monitor.rcWork;
            const LONG width = stored.right - stored.left;
            const LONG height = stored.bottom - stored.top;
            const LONG left =
                std::clamp(stored.left, area.left, std::max(area.left, area.right - width));
            const LONG top =
                std::clamp(stored.top, area.top, std::max(area.top, area.bottom - height));
            placed = RECT{left, top, left + width, top + height};
        }
    }
    ::SetWindowPos(window_, nullptr, placed.left, placed.top, placed.right - placed.left,
                   placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::AskForArchiverLocation() {
    FileDialogSpec spec;
    spec.title = text::kOpenDialogTitle;
    spec.filter = text::kOpenDialogFilter;
    spec.defaultExtension = text::kOpenDialogDefaultExtension;
    spec.options = kOpenDialogOptions;
    // No window of the program is visible yet, so the dialog stands on its own.
    const std::wstring chosen = ShowOpenDialog(nullptr, spec).value_or(std::wstring());
    // The short form is what is stored; no short form (nothing chosen, a file that does not
    // exist) leaves the location empty, and nothing is said about it.
    constexpr DWORD kBufferLength = MAX_PATH;
    std::wstring shortPath(kBufferLength, L'\0');
    const DWORD length =
        chosen.empty() ? 0 : ::GetShortPathNameW(chosen.c_str(), shortPath.data(), kBufferLength);
    shortPath.resize(length < kBufferLength ? length : 0);
    model_.winRarPath = shortPath;
}

Settings MainWindow::CurrentSettings() const {
    Settings settings;
    RECT bounds{};
    ::GetWindowRect(window_, &bounds);
    if (::IsIconic(window_) || ::IsZoomed(window_)) {
        // A minimised window's bounds lie far off the screen; keep the place it returns to.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetWindowPlacement(window_, &placement) &&
            ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor)) {
            // The restored place is given in work-area coordinates.
            bounds = placement.rcNormalPosition;
            ::OffsetRect(&bounds, monitor.rcWork.left - monitor.rcMonitor.left,
                         monitor.rcWork.top - monitor.rcMonitor.top);
        }
    }
    settings.left = bounds.left;
    settings.top = bounds.top;
    settings.width = bounds.right - bounds.left;
    settings.height = bounds.bottom - bounds.top;
    for (int column = 0; column < kJobColumnCount; ++column) {
        settings.columnWidths[static_cast<std::size_t>(column)] = listView_->ColumnWidth(column);
    }
    StoreSettings(model_, settings);
    return settings;
}

void MainWindow::ApplyFont() {
    // The form's font, 12 pixels high at 96 DPI.
    font_.reset(::CreateFontW(-ScaleForDpi(12, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック"));
    listView_->SetFont(font_.get());
}

void MainWindow::RefreshMenu() {
    RefreshMainMenu(::GetMenu(window_), model_);
    ::DrawMenuBar(window_);
}

void MainWindow::OnCommand(unsigned id) {
    if (Busy() && ChangesRows(id)) {
        return;
    }
    if (id >= kCmdProfile1 && id <= kCmdProfile5) {
        S_ProfileClick(static_cast<int>(id - kCmdProfile1) + 1);
        return;
    }
    switch (id) {
    case kCmdExit:
        S_ExitClick();
        break;
    case kCmdDeleteNum:
        S_DeleteNumClick();
        break;
    case kCmdClear:
        S_ClearClick();
        break;
    case kCmdStart:
        S_StartClick();
        break;
    case kCmdAbout:
        S_AboutClick();
        break;
    case kCmdReadmetxt:
        S_ReadmetxtClick();
        break;
    case kCmdEditProfile:
        S_EditProfileClick();
        break;
    case kCmdSavePath:
        S_SavePathClick();
        break;
    case kCmdClearEnd:
        S_ClearEndClick();
        break;
    default:
        break;
    }
}

LRESULT MainWindow::OnNotify(NMHDR& header) {
    if (!listView_ || header.hwndFrom != listView_->handle()) {
        return 0;
    }
    if (header.code == LVN_ENDLABELEDITW) {
        // Whatever the user typed becomes the row's drop-number text.
        const auto& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
        const auto row = static_cast<std::size_t>(item.iItem);
        if (item.pszText == nullptr || row >= model_.rows.size()) {
            return FALSE;
        }
        model_.rows[row].dropNumber = item.pszText;
        return TRUE;
    }
    if (header.code == LVN_KEYDOWN) {
        ListViewKeyDown(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey);
        return 0;
    }
    LRESULT result = 0;
    listView_->OnNotify(header, result);
    return result;
}

void MainWindow::OnClose() {
    if (Busy()) {
        closePending_ = true;
        return;
    }
    // A failed save throws before the window is destroyed, so the window stays open with
    // everything in it, and the next close tries the whole save again.
    FormClose();
    ::DestroyWindow(window_);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const UINT oldDpi = dpi_;
    dpi_ = dpi;
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top,
                   suggested.right - suggested.left, suggested.bottom - suggested.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyFont();
    for (int column = 0; column < kJobColumnCount; ++column) {
        const int width = listView_->ColumnWidth(column);
        listView_->SetColumnWidth(
            column, ::MulDiv(width, static_cast<int>(dpi_), static_cast<int>(oldDpi)));
    }
}

void MainWindow::WMDropFiles(HDROP drop) {
    // The messages have waited since this one arrived; reading a large drop is part of that wait.
    lastBreath_ = std::chrono::steady_clock::now();
    std::vector<std::wstring> paths = ReadDroppedPaths(drop);
    ::DragFinish(drop);
    intake_.Receive(std::move(paths));
    CloseIfPending();
}

void MainWindow::CloseIfPending() {
    if (!Busy() && closePending_) {
        closePending_ = false;
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
    }
}

bool MainWindow::IsDirectory(const std::wstring& path) {
    return IsExistingDirectory(path);
}

std::optional<std::wstring> MainWindow::AskArchivePath(const SaveDialogRequest& request) {
    FileDialogSpec spec;
    spec.title = text::kSaveDialogTitle;
    spec.filter = request.filter;
    spec.defaultExtension = request.defaultExtension;
    spec.initialFolder = request.initialFolder;
    spec.fileName = request.fileName;
    spec.options = kSaveDialogOptions;
    return ShowSaveDialog(window_, spec);
}

void MainWindow::Breathe() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastBreath_ < kBreathInterval) {
        return;
    }
    listView_->ShowAppendedRows();
    ProcessPendingMessages();
    lastBreath_ = std::chrono::steady_clock::now();
}

void MainWindow::RowsAppended() {
    listView_->ShowAppendedRows();
}

void MainWindow::ShowRows() {
    listView_->ShowAllRows();
}

bool MainWindow::Confirm(std::wstring_view question) {
    return ShowMessageBox(window_, question, text::kConfirmCaption, kConfirmFlags) == IDYES;
}

void MainWindow::OnInitMenuPopup(HMENU popup) {
    const UINT state = Busy() ? MF_GRAYED : MF_ENABLED;
    for (const unsigned id : {kCmdDeleteNum, kCmdClear, kCmdStart}) {
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    }
}

void MainWindow::ListViewKeyDown(WORD key) {
    if (key == VK_DELETE && !Busy()) {
        S_DeleteNumClick();
    }
}

void MainWindow::S_DeleteNumClick() {
    const auto selected = listView_->SelectedRow();
    if (!selected) {
        return;
    }
    if (!Confirm(DeleteGroupQuestion(model_.rows[*selected].dropNumber))) {
        return;
    }
    if (*selected >= model_.rows.size()) {
        return;
    }
    const std::int32_t number = ParseStrictInteger(model_.rows[*selected].dropNumber);
    // The list must show what is left even when an unreadable number stops the deletion.
    const ScopeExit showRows([this] { ShowRows(); });
    DeleteGroup(model_.rows, model_.dropCount, number);
}

void MainWindow::S_ClearClick() {
    if (!Confirm(text::kConfirmClear)) {
        return;
    }
    model_.rows.clear();
    model_.dropCount = 0;
    ShowRows();
}

void MainWindow::S_StartClick() {
    running_ = true;
    const ScopeExit runEnds([this] {
        running_ = false;
        CloseIfPending();
    });
    StartCommand(model_, *this, codePage_);
}

std::wstring MainWindow::ProgramDirectory() {
    return win::ProgramDirectory();
}

void MainWindow::WriteFile(const std::wstring& path, const std::string& bytes) {
    WriteWholeFile(path, bytes);
}

std::optional<std::uint32_t> MainWindow::RunArchiver(const std::wstring& commandLine) {
    // The disabled window is what keeps commands away while the archiver works.
    ::EnableWindow(window_, FALSE);
    const ScopeExit enable([window = window_] { ::EnableWindow(window, TRUE); });
    return RunAndWait(commandLine);
}

void MainWindow::ShowStartFailed() {
    ShowMessageBox(window_, text::kArchiverStartFailed, text::kApplicationTitle, MB_OK);
}

void MainWindow::Inform(std::wstring_view message, std::wstring_view caption) {
    ShowMessageBox(window_, message, caption, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::StatusesChanged(const std::vector<std::size_t>& rows) {
    // Only the group's rows are repainted, run by run of neighbours: repainting a whole list
    // costs tens of milliseconds a time.
    for (std::size_t at = 0; at < rows.size();) {
        std::size_t end = at + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1) {
            ++end;
        }
        listView_->RedrawRows(rows[at], rows[end - 1]);
        at = end;
    }
    ::UpdateWindow(listView_->handle());
}

void MainWindow::RowsCleared() {
    listView_->ShowAllRows();
}

void MainWindow::S_AboutClick() {
    about_->ShowModalAt(window_);
}

void MainWindow::S_ReadmetxtClick() {
    OpenReadme(window_);
}

void MainWindow::S_ExitClick() {
    ::SendMessageW(window_, WM_CLOSE, 0, 0);
}

void MainWindow::S_ProfileClick(int profileNo) {
    model_.profiles.Select(profileNo);
    RefreshMenu();
}

void MainWindow::S_EditProfileClick() {
    const InputDialogTexts texts{text::kEditProfileCaption, text::kEditProfilePrompt, text::kOk,
                                 text::kCancel};
    const auto entered = ShowInputDialog(window_, texts, model_.profiles.SelectedOption(), 255);
    if (!entered) {
        return;
    }
    model_.profiles.ReplaceSelectedText(*entered);
    RefreshMenu();
}

void MainWindow::S_SavePathClick() {
    model_.savePath = !model_.savePath;
    RefreshMenu();
}

void MainWindow::S_ClearEndClick() {
    model_.clearEnd = !model_.clearEnd;
    RefreshMenu();
}

void MainWindow::FormClose() {
    const std::wstring path = SettingsFilePath(win::ProgramDirectory());
    IniFileStore store(path);
    SaveSettings(store, CurrentSettings(), path);
}

} // namespace velkin::win
