#include "app/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>

#include "app/command_ids.h"
#include "app/main_menu_win.h"
#include "app/message_texts.h"
#include "platform/dpi.h"
#include "platform/input_dialog.h"
#include "platform/message_boxes.h"
#include "settings/settings_values.h"

namespace velkin::win {
namespace {

constexpr int kListViewId = 1;

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
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(
        instance, MAKEINTRESOURCEW(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
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
    RegisterMainWindowClass(instance, &MainWindow::WindowProc);
    UniqueMenu menu(CreateMainMenu());
    const std::wstring title(text::kApplicationTitle);
    // Created hidden at the platform's default place; the settings then place it.
    window_ = ::CreateWindowExW(0, text::kMainWindowClass.data(), title.c_str(),
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, menu.get(),
                                instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    menu.release(); // the window destroys its menu
    try {
        ::DragAcceptFiles(window_, TRUE);
        ApplyStartupSettings();
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

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    // An error ends the handler where it stands; the user sees it, and the program goes on
    // with the next message.
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ShowCurrentException();
        return 0;
    }
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
    case WM_CLOSE:
        OnClose();
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
    const Settings settings = DefaultSettings();
    // The defaults are sizes of a 96-DPI screen; positions are screen coordinates as they are.
    ::SetWindowPos(window_, nullptr, settings.left, settings.top,
                   ScaleForDpi(settings.width, dpi_), ScaleForDpi(settings.height, dpi_),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    for (int n = 1; n <= kProfileCount; ++n) {
        model_.profiles.SetText(n, settings.profileTexts[static_cast<std::size_t>(n - 1)]);
    }
    for (int column = 0; column < kJobColumnCount; ++column) {
        listView_->SetColumnWidth(
            column, ScaleForDpi(settings.columnWidths[static_cast<std::size_t>(column)], dpi_));
    }
    model_.savePath = settings.savePath;
    model_.clearEnd = settings.clearEnd;
    model_.winRarPath = settings.winRarPath;
    model_.profiles.Select(settings.selectedProfile);
    RefreshMenu();
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
    if (id >= kCmdProfile1 && id <= kCmdProfile5) {
        S_ProfileClick(static_cast<int>(id - kCmdProfile1) + 1);
        return;
    }
    switch (id) {
    case kCmdExit:
        S_ExitClick();
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
    // A failed save throws before the window is destroyed, so the window stays open with
    // everything in it, and the next close tries the whole save again.
    FormClose();
    ::DestroyWindow(window_);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const UINT oldDpi = dpi_;
    dpi_ = dpi;
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyFont();
    for (int column = 0; column < kJobColumnCount; ++column) {
        const int width = listView_->ColumnWidth(column);
        listView_->SetColumnWidth(column, ::MulDiv(width, static_cast<int>(dpi_),
                                                   static_cast<int>(oldDpi)));
    }
}

void MainWindow::WMDropFiles(HDROP drop) {
    // Until the drop intake exists, a drop is only released.
    ::DragFinish(drop);
}

void MainWindow::ListViewKeyDown(WORD key) {
    (void)key;
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
    // The settings file does not exist yet; nothing to save.
}

} // namespace velkin::win
