"""What Velkin shows and writes, as the end-to-end tests expect it: window classes, captions,
menus, list columns, questions, messages, statuses and the settings file's keys. Every suite
takes these from here, so that a text is written down once."""

TITLE = "Velkin 070509"

# Window classes.
MAIN_CLASS = "TVLKN_MAIN"
ABOUT_CLASS = "TVLKN_ABOUT"
LOG_CLASS = "TVLKN_LOG"
PROGRESS_CLASS = "TVLKN_PROGRESS"
CONSOLE_CLASS = "WineConsoleClass"  # the console window Wine gives a console program
LINK_CLASS = "TURLLink"
HINT_CLASS = "TURLLinkHint"
MENU_CLASS = "#32768"  # an open popup menu
DIALOG_CLASS = "#32770"  # dialogs and message boxes

# The menu bar and its items, captions as stored (with their access marks).
FILE_MENU = "ファイル(&F)"
EDIT_MENU = "編集(&E)"
PROFILE_MENU = "プロファイル(&P)"
OPTION_MENU = "動作と設定(&R)"
HELP_MENU = "ヘルプ(&H)"
EXIT = "終了(&X)"
DELETE_GROUP = "カーソル位置の番号分を削除(&D)"
CLEAR = "リストのクリア(&C)"
SHOW_LOG = "圧縮ログの表示(&L)"
EDIT_PROFILE = "選択プロファイルの編集(&E)"
SAVE_PATH = "保存先とファイル名を自分で設定する(&P)"
CLEAR_END = "圧縮終了後にリストをクリア(&C)"
START = "圧縮開始(&R)"
ABOUT = "バージョン情報(&A)"
README = "Readme.txt参照(&R)"
EACH_ITEM = "項目ごとに別の書庫を作る(&I)"
PROFILE_COUNT = 5
# Access keys, for the scenarios that go through the keyboard.
MENU_KEYS = {FILE_MENU: "f", EDIT_MENU: "e", PROFILE_MENU: "p", OPTION_MENU: "r",
             HELP_MENU: "h"}

# The job list: (caption, width at 96 DPI) per column, and the column numbers.
COLUMNS = [("番号", 50), ("プロファイル", 80), ("ファイル名", 200), ("フルパス", 200),
           ("保存先", 200), ("ステータス", 70)]
NUMBER, PROFILE, NAME, PATH, DESTINATION, STATUS = range(6)

# Statuses.
RUNNING = "圧縮中"
DONE = "OK"
NOT_STARTED = "起動失敗"
# The status a group's rows show when its archiver ended with an exit code, for the codes the
# suites make an archiver end with.
STATUS_AFTER_EXIT = {
    0: "OK",
    1: "失敗 (終了コード 1: 警告)",
    2: "失敗 (終了コード 2: 致命的なエラー)",
    3: "失敗 (終了コード 3: CRC エラー)",
    4: "失敗 (終了コード 4: 書庫がロックされています)",
    5: "失敗 (終了コード 5: 書き込みエラー)",
    6: "失敗 (終了コード 6: ファイルを開けません)",
    7: "失敗 (終了コード 7: コマンドラインの誤り)",
    8: "失敗 (終了コード 8: メモリ不足)",
    9: "失敗 (終了コード 9: ファイルを作成できません)",
    10: "失敗 (終了コード 10: 該当するファイルがありません)",
    11: "失敗 (終了コード 11: パスワードの誤り)",
    12: "失敗 (終了コード 12)",
    255: "失敗 (終了コード 255: 中断されました)",
}
# An archiver that crashed (access violation): the system's status value in hexadecimal.
CRASH_STATUS = "失敗 (終了コード 0xC0000005: アクセス違反)"
# The same with an archiver of the 7-Zip family, whose exit codes mean other things.
SEVEN_ZIP_STATUS_AFTER_EXIT = {
    1: "警告 (終了コード 1: 一部のファイルが書庫に入っていません)",
    7: "失敗 (終了コード 7: コマンドラインの誤り)",
}


# Questions and messages.
CONFIRM = "確認"
START_QUESTION = "圧縮を開始します。\n宜しいですか?"
CLEAR_QUESTION = "現在のリストをクリアします。よろしいですか?"
CLEAR_BY_HAND_CAPTION = "手動でクリアして下さい"
CLEAR_BY_HAND = "続けて登録と圧縮する場合はリストをクリアして下さい。"
START_FAILED = "WinRARの起動に失敗しました."
REFUSED_PATHS = "次のパスはファイル名に使えない文字を含むため登録しませんでした:"


def go_on_question(left):
    """Asked when the archiver ended as stopped by the user and groups are left."""
    return f"圧縮が中断されました。残りの {left} グループの圧縮を続けますか?"


def restore_question(groups, rows):
    """Asked at start-up when a window left its queue behind."""
    return f"前回終了しなかった {groups} グループ ({rows} 件) があります。リストに戻しますか?"


def delete_question(number):
    return f"{number} 番のドロップ分を削除します。\n宜しいですか?"


def not_an_integer(text):
    """The error when a drop number the user edited is no integer."""
    return f"'{text}' は整数ではありません."


def list_file_error(program_folder):
    """The error when the list file beside the program (a Windows path) cannot be written."""
    return f"ファイル {program_folder}\\Velkin.lst を作成できません."


def cannot_write(path):
    """The error when the settings file (a Windows path) cannot be written at the close."""
    return f"{path} に書き込めません."


# Asked when a close fails to save the settings again.
END_WITHOUT_SETTINGS = "設定を保存できません。保存せずに終了しますか?"


def profile_not_stored(characters):
    """Says that an edited profile was kept, naming the characters the ANSI file cannot hold."""
    return f"次の文字は設定ファイルに保存できないため、プロファイルを変更しませんでした: {characters}"


# Buttons.
YES = "はい(&Y)"
NO = "いいえ(&N)"
OK = "OK"
CANCEL = "キャンセル"

# Dialogs.
EDIT_CAPTION = "プロファイルの編集"
EDIT_PROMPT = "コマンドライン"
ARCHIVER_PROMPT = "WinRAR.exeを指定してください"
ARCHIVER_FILTER = "実行ファイル (*.exe)"
SAVE_CAPTION = "名前を付けて保存"
SAVE_BUTTON = "保存(&S)"
# The system's folder picker, as Wine shows it in Japanese.
FOLDER_CAPTION = "フォルダーの選択"
FOLDER_BUTTON = "開く(&O)"
ABOUT_CAPTION = "バージョン情報"

# The settings file: its keys in the order of a save, and what a first start uses. The key of
# EACH_ITEM is there only while the option is on, after these.
SETTINGS_KEYS = ["MainX", "MainY", "MainW", "MainH", "RAROption1", "RAROption2", "RAROption3",
                 "RAROption4", "RAROption5", "Column0", "Column1", "Column2", "Column3",
                 "Column4", "Column5", "WinRARPath", "RAROptionSelect", "SavePath", "ClearEnd"]
DEFAULT_PROFILES = ["-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df", "-EP1 -S -M5 -MD4096",
                    "-EP1 -S -M5 -MD4096", "-EP1 -S -M5 -MD4096 -df -ioff"]
# What a settings file without profiles gives when the archiver is of the 7-Zip family.
SEVEN_ZIP_PROFILES = ["-t7z -mx=9 -ms=on", "-t7z -mx=9 -ms=on -sdel", "-tzip -mx=9 -mcu=on",
                      "-t7z -mx=9 -ms=on", "-t7z -mx=9 -ms=on -sdel"]
DEFAULT_COLUMNS = [width for _, width in COLUMNS]
DEFAULT_RECT = (100, 100, 640, 400)  # left, top, outer width, outer height
MAX_VALUE = 2047  # characters of a settings value that are read
EACH_ITEM_KEY = "EachItem"
