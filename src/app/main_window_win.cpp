#include "app/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "about/readme_win.h"
#include "app/arrival_paths.h"
#include "app/command_ids.h"
#include "app/intake_hold_win.h"
#include "app/main_dialogs_win.h"
#include "app/main_menu_win.h"
#include "app/start_request_win.h"
#include "base/integer_text.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "base/velkin_error.h"
#include "joblist/drop_groups.h"
#include "platform/clipboard_files.h"
#include "platform/dpi.h"
#include "platform/dropped_files.h"
#include "platform/message_boxes.h"
#include "platform/unique_handle.h"
#include "platform/window_class.h"
#include "platform/window_placement_win.h"
#include "settings/settings_file_win.h"

namespace velkin::win {
namespace {

constexpr int kListViewId = 1;

// Posted when a second start has handed its paths over: the window comes to the front, unless
// an archiver works in front of it.
constexpr UINT kComeForwardMessage = WM_APP + 2;

// The program's icon in its resources (res/velkin.rc).
constexpr WORD kIconResource = 1;

// Commands that change which rows exist wait until a drop is in.
bool ChangesRows(unsigned id) {
    return id == kCmdDeleteNum || id == kCmdClear || id == kCmdStart;
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
    RegisterWindowClass(instance,
                        {.name = text::kMainWindowClass.data(),
                         .procedure = &OwnedWindow::Procedure,
                         .style = CS_HREDRAW | CS_VREDRAW,
                         .cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)), // IDC_ARROW
                         .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                         .icon = kIconResource});
    UniqueMenu menu(CreateMainMenu());
    const std::wstring title(text::kApplicationTitle);
    // Created hidden at the platform's default place; the settings then place it. Should the
    // rest of the construction fail, the window goes with this object's members.
    // WS_EX_ACCEPTFILES is all that DragAcceptFiles(window, TRUE) sets: the window takes the
    // shell's drops from its creation on, and shell32 is not loaded before the first drop.
    window_.Create({.exStyle = WS_EX_ACCEPTFILES,
                    .className = text::kMainWindowClass.data(),
                    .title = title.c_str(),
                    .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    .x = CW_USEDEFAULT,
                    .y = CW_USEDEFAULT,
                    .width = CW_USEDEFAULT,
                    .height = CW_USEDEFAULT,
                    .menu = menu.get(),
                    .instance = instance});
    menu.release(); // the window destroys its menu
    taskbar_ = std::make_unique<TaskbarButton>(handle());
    ApplyStartupSettings();
}

void MainWindow::Show(int showCommand) {
    int command = SW_SHOWNORMAL;
    if (showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE) {
        command = showCommand;
    }
    ::ShowWindow(handle(), command);
    ::UpdateWindow(handle());
}

void MainWindow::OfferQueueLeftBehind() {
    auto left = TakeQueueLeftBehind(win::ProgramDirectory());
    if (!left) {
        return;
    }
    const IntakeHold hold(intake_, handle());
    const std::wstring question =
        FormatCounts(text::kRestoreQueue, {static_cast<long long>(GroupCount(left->replay.rows)),
                                           static_cast<long long>(left->replay.rows.size())});
    if (ShowMessageBox(handle(), question, text::kApplicationTitle, MB_YESNO | MB_ICONQUESTION) !=
        IDYES) {
        left->file->Remove();
        return;
    }
    // Offered before anything else can go in: the list is still empty.
    model_.rows = std::move(left->replay.rows);
    model_.dropCount = left->replay.dropCount;
    queueKeeper_.Adopt(std::move(left->file), left->replay);
    ShowRows();
}

void MainWindow::ReceiveArrival(const StartRequest& request) {
    SortedPaths sorted = SortArrivedPaths(request.paths);
    if (sorted.accepted.empty() && sorted.refused.empty()) {
        return;
    }
    refused_.insert(refused_.end(), std::make_move_iterator(sorted.refused.begin()),
                    std::make_move_iterator(sorted.refused.end()));
    // Queued whole before any of them goes in, and taken in from the message loop: a second
    // start waiting for the answer must not wait for a save dialog or a box as well.
    const IntakeHold hold(intake_, handle());
    for (auto& drop : DropsOf({std::move(sorted.accepted), request.eachApart})) {
        intake_.Receive(std::move(drop));
    }
}

// The message plumbing.

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(message, wParam, lParam);
    } catch (...) {
        // A failed creation fails the window (OwnedWindow throws it from Create). Any other
        // error is shown here, with drops held while its box is open, as for every other box.
        if (message == WM_CREATE || message == WM_NCCREATE) {
            throw;
        }
        const IntakeHold hold(intake_, handle());
        ShowCurrentException();
        return 0;
    }
}

LRESULT MainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbar_ && message == taskbar_->createdMessage()) {
        taskbar_->Recreated();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_SIZE:
        if (listView_) {
            listView_->Resize(LOWORD(lParam), HIWORD(lParam));
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && taskbar_) {
            taskbar_->Activated();
        }
        break;
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
    case WM_ENABLE:
        if (wParam != FALSE) {
            CloseIfPending();
        }
        return 0;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            OnEndSession();
        }
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case kTakeInWaitingMessage:
        TakeInWaiting();
        return 0;
    case kComeForwardMessage:
        ComeForward();
        return 0;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

void MainWindow::OnCreate() {
    listView_ =
        std::make_unique<JobListView>(handle(), kListViewId, model_.rows, DpiForWindow(handle()));
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
        queueKeeper_.NumberEdited(row);
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

void MainWindow::OnInitMenuPopup(HMENU popup) {
    const UINT state = Busy() ? MF_GRAYED : MF_ENABLED;
    for (const unsigned id : {kCmdDeleteNum, kCmdClear, kCmdStart}) {
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | state);
    }
}

void MainWindow::OnClose() {
    if (Busy() || !::IsWindowEnabled(handle())) {
        // During a run: no further group starts, and what is left stays in the queue file for
        // the next start.
        closeStopsRun_ = closeStopsRun_ || running_;
        closePending_ = true;
        keepOpen_ = keepOpen_ || ArrivalsUnseen();
        return;
    }
    if (ArrivalsUnseen()) {
        // Taken from a second start or the clipboard a moment ago, not shown yet: the user could
        // not know of them, so they go in and the window stays.
        TakeInWaiting();
        return;
    }
    // A failed save throws before the window is destroyed, so the window stays open with
    // everything in it, and the next close tries the whole save again.
    const bool keepQueue = std::exchange(closeStopsRun_, false);
    FormClose();
    if (!keepQueue) {
        queueKeeper_.Discard(); // the rows go, as they always have
    }
    ::DestroyWindow(handle());
}

void MainWindow::OnEndSession() {
    // Windows is shutting down or the user signs out: the program ends without a close, so this
    // is the last chance to keep the settings. Nobody is left to see an error. The queue file
    // stays as it is, for the next start: nobody chose to drop those rows, and a group that runs
    // now counts as not done.
    try {
        FormClose();
    } catch (...) {
    }
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    placer_.OnDpiChanged(handle(), suggested);
    listView_->ChangeDpi(dpi);
}

bool MainWindow::OnCopyData(const COPYDATASTRUCT* message) {
    // Anything but a well-formed hand-off, from whatever program, is refused and changes nothing.
    // A window about to close refuses too: the second start then opens a window of its own.
    const auto request = ReadHandOff(message);
    if (!request || closePending_) {
        return false;
    }
    ReceiveArrival(*request);
    // The second start let this process take the foreground; the answer goes back first.
    ::PostMessageW(handle(), kComeForwardMessage, 0, 0);
    return true;
}

void MainWindow::TakeInWaiting() {
    if (intake_.CanTakeIn() && !refused_.empty()) {
        ShowRefused();
    }
    intake_.TakeInWaiting();
    CloseIfPending();
}

void MainWindow::ShowRefused() {
    const std::vector<std::wstring> refused = std::exchange(refused_, {});
    const IntakeHold hold(intake_, handle());
    ShowMessageBox(handle(), RefusedPathsMessage(refused), text::kApplicationTitle,
                   MB_OK | MB_ICONWARNING);
}

void MainWindow::PasteFiles() {
    if (closePending_) {
        return;
    }
    // Files copied in Explorer are one drop; anything else on the clipboard is none.
    ReceiveArrival({ClipboardFiles(handle()), false});
}

void MainWindow::ComeForward() {
    // In front of the archiver's window the disabled main window would hide whatever the
    // archiver asks; its button flashes instead.
    if (running_) {
        taskbar_->FlashUntilActivated();
        return;
    }
    if (::IsIconic(handle())) {
        ::ShowWindow(handle(), SW_RESTORE);
    }
    // A question or dialog the window shows is what the user must see first.
    ::SetForegroundWindow(::GetLastActivePopup(handle()));
}

// The form's event handlers.

void MainWindow::WMDropFiles(HDROP drop) {
    auto paths = std::make_unique<DroppedPaths>(drop, DroppedPaths::Origin::ShellDrop);
    if (closePending_) {
        return; // the drop is handed back to the shell unread
    }
    pace_.Restart(IntakePace::Clock::now());
    intake_.Receive(std::move(paths));
    CloseIfPending();
}

void MainWindow::ListViewKeyDown(WORD key) {
    if (key == VK_DELETE && !Busy()) {
        S_DeleteNumClick();
    } else if (IsPasteKey(key)) {
        PasteFiles();
    }
}

void MainWindow::S_ExitClick() {
    ::SendMessageW(handle(), WM_CLOSE, 0, 0);
}

void MainWindow::S_DeleteNumClick() {
    const IntakeHold hold(intake_, handle());
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
    // The list and its queue must show what is left even when an unreadable number stops the
    // deletion half way.
    const ScopeExit showRows([this, number] {
        queueKeeper_.GroupDeleted(number);
        ShowRows();
    });
    DeleteGroup(model_.rows, model_.dropCount, number);
}

void MainWindow::S_ClearClick() {
    const IntakeHold hold(intake_, handle());
    if (!Confirm(text::kConfirmClear)) {
        return;
    }
    model_.rows.clear();
    model_.dropCount = 0;
    queueKeeper_.Cleared();
    ShowRows();
}

void MainWindow::S_ProfileClick(int profileNo) {
    model_.profiles.Select(profileNo);
    RefreshMenu();
}

void MainWindow::S_EditProfileClick() {
    // Held while the dialog is open: a save dialog for an arrival would open over it.
    const IntakeHold hold(intake_, handle());
    const auto entered = AskProfileText(handle(), model_.profiles.SelectedOption());
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

void MainWindow::S_StartClick() {
    const IntakeHold hold(intake_, handle());
    running_ = true;
    const ScopeExit runEnds([this] {
        running_ = false;
        CloseIfPending();
    });
    StartCommand(model_, *this, codePage_);
}

void MainWindow::S_AboutClick() {
    const IntakeHold hold(intake_, handle());
    // Made on first use, not at start-up, where it would delay the first paint for a window that
    // is hidden until asked for; then kept, hidden, and shown whenever asked for.
    if (!about_) {
        about_ = std::make_unique<AboutWindow>(instance_, handle());
    }
    about_->ShowModalAt(handle());
}

void MainWindow::S_ReadmetxtClick() {
    OpenReadme(handle());
}

void MainWindow::FormClose() {
    WriteSettingsFile(CurrentSettings());
}

// Start-up, the settings and the view.

void MainWindow::ApplyStartupSettings() {
    const Settings settings = ReadSettingsFile(listView_->dpi());
    placer_.PlaceAtStored(handle(),
                          RECT{settings.left, settings.top, settings.left + settings.width,
                               settings.top + settings.height});
    ApplySettings(settings, model_);
    listView_->SetColumnWidths(settings.columnWidths);
    RefreshMenu();
    if (model_.winRarPath.empty()) {
        model_.winRarPath = AskArchiverLocation();
    }
    // The defaults read above are WinRAR's; another kind's are known only now.
    if (model_.archiverKind() != ArchiverKind::WinRar) {
        ApplyDefaultProfiles(ProfilesInSettingsFile(), model_);
        RefreshMenu();
    }
}

Settings MainWindow::CurrentSettings() const {
    Settings settings;
    const RECT bounds = WindowBoundsToStore(handle());
    settings.left = bounds.left;
    settings.top = bounds.top;
    settings.width = bounds.right - bounds.left;
    settings.height = bounds.bottom - bounds.top;
    settings.columnWidths = listView_->GetColumnWidths();
    StoreSettings(model_, settings);
    return settings;
}

void MainWindow::RefreshMenu() {
    RefreshMainMenu(::GetMenu(handle()), model_);
    ::DrawMenuBar(handle());
}

void MainWindow::ShowRows() {
    listView_->ShowAllRows();
}

void MainWindow::CloseIfPending() {
    if (Busy() || !closePending_ || !::IsWindowEnabled(handle())) {
        return;
    }
    closePending_ = false;
    if (std::exchange(keepOpen_, false)) {
        closeStopsRun_ = false;
        ::PostMessageW(handle(), kTakeInWaitingMessage, 0, 0);
        return;
    }
    ::PostMessageW(handle(), WM_CLOSE, 0, 0);
}

} // namespace velkin::win
