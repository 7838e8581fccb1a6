#include "platform/input_dialog.h"

#include <vector>

namespace velkin::win {
namespace {

constexpr int kPromptId = 100;
constexpr int kEditId = 101;

// Writes a dialog template in memory, laid out in dialog units, so the dialog scales with its
// font and DPI like any resource dialog.
class DialogTemplateWriter {
public:
    void Header(DWORD style, WORD itemCount, short cx, short cy, std::wstring_view caption,
                WORD pointSize, std::wstring_view font) {
        AddDword(style);
        AddDword(0);
        Add(itemCount);
        Add(0);
        Add(0);
        Add(static_cast<WORD>(cx));
        Add(static_cast<WORD>(cy));
        Add(0); // no menu
        Add(0); // the standard dialog class
        AddString(caption);
        Add(pointSize);
        AddString(font);
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom,
              std::wstring_view text) {
        AlignToDword();
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        Add(static_cast<WORD>(x));
        Add(static_cast<WORD>(y));
        Add(static_cast<WORD>(cx));
        Add(static_cast<WORD>(cy));
        Add(id);
        Add(0xFFFF);
        Add(classAtom);
        AddString(text);
        Add(0); // no creation data
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Add(WORD word) { words_.push_back(word); }
    void AddDword(DWORD value) {
        Add(LOWORD(value));
        Add(HIWORD(value));
    }
    void AddString(std::wstring_view text) {
        for (const wchar_t c : text) {
            Add(static_cast<WORD>(c));
        }
        Add(0);
    }
    void AlignToDword() {
        if (words_.size() % 2 != 0) {
            Add(0);
        }
    }

    std::vector<WORD> words_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

struct DialogState {
    std::wstring_view initialText;
    int maxLength;
    std::wstring result;
};

INT_PTR CALLBACK InputDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto* state = reinterpret_cast<const DialogState*>(lParam);
        const HWND edit = ::GetDlgItem(dialog, kEditId);
        ::SendMessageW(edit, EM_SETLIMITTEXT, static_cast<WPARAM>(state->maxLength), 0);
        const std::wstring initial(state->initialText);
        ::SetWindowTextW(edit, initial.c_str());
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        ::SetFocus(edit);
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            auto* state = reinterpret_cast<DialogState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
            const HWND edit = ::GetDlgItem(dialog, kEditId);
            std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(
                ::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
            state->result = std::move(text);
            ::EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

std::optional<std::wstring> ShowInputDialog(HWND owner, const InputDialogTexts& texts,
                                            std::wstring_view initialText, int maxLength) {
    DialogTemplateWriter writer;
    constexpr DWORD kStyle =
        DS_MODALFRAME | DS_SETFONT | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    writer.Header(kStyle, 4, 190, 60, texts.caption, 9, L"MS Shell Dlg 2");
    writer.Item(SS_LEFT, 7, 7, 176, 9, kPromptId, kStaticAtom, texts.prompt);
    writer.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 18, 176, 13, kEditId, kEditAtom, L"");
    writer.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 79, 39, 50, 14, IDOK, kButtonAtom, texts.okButton);
    writer.Item(BS_PUSHBUTTON | WS_TABSTOP, 133, 39, 50, 14, IDCANCEL, kButtonAtom,
                texts.cancelButton);

    DialogState state{initialText, maxLength, {}};
    const INT_PTR answer =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), writer.Get(), owner, InputDialogProc,
                                  reinterpret_cast<LPARAM>(&state));
    if (answer != IDOK) {
        return std::nullopt;
    }
    return std::move(state.result);
}

} // namespace velkin::win
