#include "app/main_menu_win.h"

#include <string>

#include "app/busy_rule.h"
#include "app/command_ids.h"
#include "app/menu_text.h"

namespace velkin::win {
namespace {

void AppendCommand(HMENU menu, UINT id, const wchar_t* caption) {
    ::AppendMenuW(menu, MF_STRING, id, caption);
}

void AppendSeparator(HMENU menu) {
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
}

void AppendPopup(HMENU bar, HMENU popup, const wchar_t* caption) {
    ::AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption);
}

void SetRadioItem(HMENU menu, UINT id, const std::wstring& caption) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_STRING;
    item.fType = MFT_STRING | MFT_RADIOCHECK;
    item.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    ::SetMenuItemInfoW(menu, id, FALSE, &item);
}

} // namespace

HMENU CreateMainMenu() {
    const HMENU bar = ::CreateMenu();

    const HMENU file = ::CreatePopupMenu();
    AppendCommand(file, kCmdExit, L"終了(&X)");
    AppendPopup(bar, file, L"ファイル(&F)");

    const HMENU edit = ::CreatePopupMenu();
    AppendCommand(edit, kCmdDeleteNum, L"カーソル位置の番号分を削除(&D)");
    AppendSeparator(edit);
    AppendCommand(edit, kCmdClear, L"リストのクリア(&C)");
    AppendSeparator(edit);
    AppendCommand(edit, kCmdShowLog, L"圧縮ログの表示(&L)");
    AppendPopup(bar, edit, L"編集(&E)");

    const HMENU profile = ::CreatePopupMenu();
    for (UINT id = kCmdProfile1; id <= kCmdProfile5; ++id) {
        AppendCommand(profile, id, L"");
    }
    AppendSeparator(profile);
    AppendCommand(profile, kCmdEditProfile, L"選択プロファイルの編集(&E)");
    AppendPopup(bar, profile, L"プロファイル(&P)");

    const HMENU option = ::CreatePopupMenu();
    AppendCommand(option, kCmdSavePath, L"保存先とファイル名を自分で設定する(&P)");
    AppendCommand(option, kCmdClearEnd, L"圧縮終了後にリストをクリア(&C)");
    AppendCommand(option, kCmdEachItem, L"項目ごとに別の書庫を作る(&I)");
    AppendSeparator(option);
    AppendCommand(option, kCmdStart, L"圧縮開始(&R)");
    AppendPopup(bar, option, L"動作と設定(&R)");

    const HMENU help = ::CreatePopupMenu();
    AppendCommand(help, kCmdAbout, L"バージョン情報(&A)");
    AppendCommand(help, kCmdReadmetxt, L"Readme.txt参照(&R)");
    AppendPopup(bar, help, L"ヘルプ(&H)");

    return bar;
}

void RefreshMainMenu(HWND window, const AppModel& model) {
    const HMENU menu = ::GetMenu(window);
    for (int n = 1; n <= kProfileCount; ++n) {
        const UINT id = kCmdProfile1 + static_cast<UINT>(n - 1);
        SetRadioItem(menu, id, LiteralMenuText(model.profiles.Caption(n)));
    }
    ::CheckMenuRadioItem(menu, kCmdProfile1, kCmdProfile5,
                         kCmdProfile1 + static_cast<UINT>(model.profiles.SelectedNo() - 1),
                         MF_BYCOMMAND);
    ::CheckMenuItem(menu, kCmdSavePath,
                    MF_BYCOMMAND | (model.savePath ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(menu, kCmdClearEnd,
                    MF_BYCOMMAND | (model.clearEnd ? MF_CHECKED : MF_UNCHECKED));
    ::CheckMenuItem(menu, kCmdEachItem,
                    MF_BYCOMMAND | (model.eachItem ? MF_CHECKED : MF_UNCHECKED));
    ::DrawMenuBar(window);
}

void GreyLogCommand(HMENU popup, bool logged) {
    ::EnableMenuItem(popup, kCmdShowLog, MF_BYCOMMAND | (logged ? MF_ENABLED : MF_GRAYED));
}

void GreyRefusedCommands(HMENU popup, bool busy) {
    for (const unsigned id : kCommandsRefusedWhileBusy) {
        ::EnableMenuItem(popup, id,
                         MF_BYCOMMAND | (CommandAllowed(id, busy) ? MF_ENABLED : MF_GRAYED));
    }
}

} // namespace velkin::win
