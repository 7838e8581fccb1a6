#include "about/url_link_win.h"

#include <shellapi.h>

#include <string>

#include "platform/dpi.h"
#include "platform/gdi_scopes.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

constexpr wchar_t kLinkClass[] = L"TURLLink";
constexpr wchar_t kHintClass[] = L"TURLLinkHint";

// IDC_HAND, as a number: the headers spell it as a narrow or wide resource name by build mode.
constexpr WORD kHandCursor = 32649;

// The caption is drawn as written: no "&" accelerators, line breaks kept.
constexpr UINT kCaptionFormat = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS;

class SystemPlatform final : public UrlLinkPlatform {
public:
    void OpenWithShell(HWND owner, const wchar_t* verb, const wchar_t* file,
                       const wchar_t* parameters, const wchar_t* directory,
                       int showCommand) override {
        ::ShellExecuteW(owner, verb, file, parameters, directory, showCommand);
    }
    POINT CursorPos() override {
        POINT point{};
        ::GetCursorPos(&point);
        return point;
    }
};

// The attributes that make the font object; the colour is the painter's business.
bool SameFace(const FontAttributes& a, const FontAttributes& b) {
    FontAttributes bWithColour = b;
    bWithColour.color = a.color;
    return a == bWithColour;
}

} // namespace

UrlLinkPlatform& SystemUrlLinkPlatform() {
    static SystemPlatform platform; // stateless
    return platform;
}

UniqueFont CreateFontFrom(const FontAttributes& font, UINT dpi) {
    return UniqueFont(::CreateFontW(
        ScaleForDpi(font.height, dpi), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic,
        font.underline, font.strikeOut, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.name.c_str()));
}

UrlLink::UrlLink(HWND parent, int controlId, UrlLinkPlatform& platform)
    : platform_(platform), state_(*this, ::GetSysColor(COLOR_INFOBK)),
      cursor_(::LoadCursorW(nullptr, MAKEINTRESOURCEW(kHandCursor))),
      color_(::GetSysColor(COLOR_BTNFACE)), dpi_(DpiForWindow(parent)) {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    // A double click's second press arrives as a message of its own, and it opens the link
    // again like any press. The link sets its own cursor; the hint never sees the pointer.
    RegisterWindowClass(
        instance, {.name = kLinkClass, .procedure = &OwnedWindow::Procedure, .style = CS_DBLCLKS});
    RegisterWindowClass(instance, {.name = kHintClass, .procedure = &OwnedWindow::Procedure});
    window_.Create({.className = kLinkClass,
                    .style = WS_CHILD | WS_VISIBLE,
                    .parent = parent,
                    .menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                    .instance = instance});
}

void UrlLink::SetCaption(std::wstring_view caption) {
    state_.SetCaption(caption);
    // Setting the window text as well lets accessibility tools and tests read the caption.
    const std::wstring text(caption);
    ::SetWindowTextW(handle(), text.c_str());
}

void UrlLink::SetFont(const FontAttributes& font) {
    state_.SetFont(font);
}

void UrlLink::SetColor(COLORREF color) {
    if (color_ != color) {
        color_ = color;
        RepaintRequested();
    }
}

void UrlLink::SetBounds(int left, int top, int width, int height) {
    ::SetWindowPos(handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    AdjustSize();
}

void UrlLink::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void UrlLink::SetVisible(bool visible) {
    ::ShowWindow(handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void UrlLink::SetEnabled(bool enabled) {
    ::EnableWindow(handle(), enabled);
    RepaintRequested();
}

void UrlLink::SetDpi(UINT dpi) {
    if (dpi_ == dpi) {
        return;
    }
    dpi_ = dpi;
    font_.reset();
    RepaintRequested();
}

LRESULT UrlLink::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle(), 0};
            tracking_ = ::TrackMouseEvent(&track) != FALSE;
            state_.PointerEnters();
        }
        state_.PointerMoves();
        return 0;
    case WM_MOUSELEAVE:
        tracking_ = false;
        state_.PointerLeaves();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        state_.ButtonPressed(MouseButton::Left);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        state_.ButtonPressed(MouseButton::Right);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        state_.ButtonPressed(MouseButton::Middle);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && cursor_ != nullptr) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

void UrlLink::ApplyFont() {
    if (font_ && SameFace(paintedFont_, state_.Font())) {
        return;
    }
    font_ = CreateFontFrom(state_.Font(), dpi_);
    paintedFont_ = state_.Font();
}

void UrlLink::AdjustSize() {
    if (!autoSize_ || handle() == nullptr) {
        return;
    }
    ApplyFont();
    RECT text{};
    {
        const WindowDc dc(handle());
        const SelectedObject font(dc.get(), font_.get());
        const std::wstring& caption = state_.Caption();
        ::DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &text,
                    kCaptionFormat | DT_CALCRECT);
    }
    RECT current{};
    ::GetClientRect(handle(), &current);
    if (current.right != text.right || current.bottom != text.bottom) {
        ::SetWindowPos(handle(), nullptr, 0, 0, text.right, text.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void UrlLink::PaintParentBackground(HDC dc) {
    // The parent paints its own background into this control's place, so whatever it shows
    // there shows through the caption.
    const HWND parent = ::GetParent(handle());
    POINT origin{0, 0};
    ::MapWindowPoints(handle(), parent, &origin, 1);
    POINT old{};
    ::OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

void UrlLink::Paint() {
    const PaintDc paint(handle());
    const HDC dc = paint.get();
    RECT client{};
    ::GetClientRect(handle(), &client);
    if (state_.Transparent()) {
        PaintParentBackground(dc);
    } else {
        const UniqueBrush background(::CreateSolidBrush(color_));
        ::FillRect(dc, &client, background.get());
    }
    ApplyFont();
    {
        SelectedObject font(dc, font_.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::IsWindowEnabled(handle()) ? state_.Font().color
                                                       : ::GetSysColor(COLOR_GRAYTEXT));
        const std::wstring& caption = state_.Caption();
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, kCaptionFormat);
    }
}

void UrlLink::RepaintRequested() {
    if (handle() == nullptr) {
        return;
    }
    AdjustSize();
    ::InvalidateRect(handle(), nullptr, TRUE);
}

ScreenPoint UrlLink::CursorPosition() {
    const POINT point = platform_.CursorPos();
    return ScreenPoint{point.x, point.y};
}

TextExtent UrlLink::MeasureText(const FontAttributes& font, std::wstring_view text) {
    const UniqueFont measured = CreateFontFrom(font, dpi_);
    const WindowDc screen;
    SIZE size{};
    {
        SelectedObject selected(screen.get(), measured.get());
        ::GetTextExtentPoint32W(screen.get(), text.data(), static_cast<int>(text.size()), &size);
    }
    return TextExtent{size.cx, size.cy};
}

void UrlLink::CreateHintWindow() {
    // No owner: the link alone destroys it. A tool window stays off the taskbar, and it never
    // takes the activation from the window the pointer is over.
    hint_.Create(
        {.exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
         .className = kHintClass,
         .style = WS_POPUP,
         .instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(handle(), GWLP_HINSTANCE))});
}

void UrlLink::ShowHint(const HintLayout& layout) {
    if (hint_.handle() == nullptr) {
        CreateHintWindow();
    }
    hintFont_ = CreateFontFrom(layout.font, dpi_);
    hintBrush_.reset(::CreateSolidBrush(layout.background));
    hintLayout_ = layout;
    // Borderless, so the window is all client area.
    ::SetWindowPos(hint_.handle(), HWND_TOPMOST, layout.left, layout.top, layout.clientWidth,
                   layout.clientHeight, SWP_NOACTIVATE);
    ::ShowWindow(hint_.handle(), SW_SHOWNA);
    ::InvalidateRect(hint_.handle(), nullptr, TRUE);
    ::UpdateWindow(hint_.handle());
}

void UrlLink::HideHint() {
    ::ShowWindow(hint_.handle(), SW_HIDE);
}

void UrlLink::Open(std::wstring_view target) {
    const std::wstring file(target);
    // No owner, and empty (not absent) parameters and directory.
    platform_.OpenWithShell(nullptr, L"OPEN", file.c_str(), L"", L"", SW_SHOW);
}

LRESULT UrlLink::HandleHintMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        PaintHint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    default:
        return hint_.Default(message, wParam, lParam);
    }
}

void UrlLink::PaintHint() {
    const PaintDc paint(hint_.handle());
    const HDC dc = paint.get();
    RECT client{};
    ::GetClientRect(hint_.handle(), &client);
    ::FillRect(dc, &client, hintBrush_.get());
    {
        SelectedObject font(dc, hintFont_.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, hintLayout_.font.color);
        const std::wstring& text = hintLayout_.text;
        ::TextOutW(dc, hintLayout_.textX, hintLayout_.textY, text.c_str(),
                   static_cast<int>(text.size()));
    }
}

} // namespace velkin::win
