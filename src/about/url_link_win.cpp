#include "about/url_link_win.h"

#include <shellapi.h>

#include <stdexcept>
#include <string>

#include "platform/dpi.h"
#include "platform/message_boxes.h"
#include "platform/window_procedure.h"

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

void RegisterClassOnce(HINSTANCE instance, const wchar_t* name, WNDPROC windowProc, UINT style) {
    WNDCLASSEXW windowClass{};
    if (::GetClassInfoExW(instance, name, &windowClass)) {
        return;
    }
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    // The link sets its own cursor; the hint never sees the pointer.
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = name;
    if (::RegisterClassExW(&windowClass) == 0) {
        throw std::runtime_error("RegisterClassExW failed");
    }
}

// Selects an object into a device context for one scope.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectedObject() { ::SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

class ScreenDc {
public:
    ScreenDc() : dc_(::GetDC(nullptr)) {}
    ~ScreenDc() { ::ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
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
    // again like any press.
    RegisterClassOnce(instance, kLinkClass, &ObjectWindowProc<UrlLink>, CS_DBLCLKS);
    RegisterClassOnce(instance, kHintClass, &UrlLink::HintProc, 0);
    window_ =
        ::CreateWindowExW(0, kLinkClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
}

UrlLink::~UrlLink() {
    if (window_ != nullptr) {
        ::DestroyWindow(window_);
    }
}

void UrlLink::SetCaption(std::wstring_view caption) {
    state_.SetCaption(caption);
    // Setting the window text as well lets accessibility tools and tests read the caption.
    const std::wstring text(caption);
    ::SetWindowTextW(window_, text.c_str());
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
    ::SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    AdjustSize();
}

void UrlLink::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void UrlLink::SetVisible(bool visible) {
    ::ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void UrlLink::SetEnabled(bool enabled) {
    ::EnableWindow(window_, enabled);
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

void UrlLink::AttachWindow(HWND window) {
    window_ = window;
}

void UrlLink::DetachWindow() {
    window_ = nullptr;
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
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window_, 0};
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
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void UrlLink::ApplyFont() {
    if (font_ && SameFace(paintedFont_, state_.Font())) {
        return;
    }
    font_ = CreateFontFrom(state_.Font(), dpi_);
    paintedFont_ = state_.Font();
}

void UrlLink::AdjustSize() {
    if (!autoSize_ || window_ == nullptr) {
        return;
    }
    ApplyFont();
    const HDC dc = ::GetDC(window_);
    RECT text{};
    {
        SelectedObject font(dc, font_.get());
        const std::wstring& caption = state_.Caption();
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                    kCaptionFormat | DT_CALCRECT);
    }
    ::ReleaseDC(window_, dc);
    RECT current{};
    ::GetClientRect(window_, &current);
    if (current.right != text.right || current.bottom != text.bottom) {
        ::SetWindowPos(window_, nullptr, 0, 0, text.right, text.bottom,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void UrlLink::PaintParentBackground(HDC dc) {
    // The parent paints its own background into this control's place, so whatever it shows
    // there shows through the caption.
    const HWND parent = ::GetParent(window_);
    POINT origin{0, 0};
    ::MapWindowPoints(window_, parent, &origin, 1);
    POINT old{};
    ::OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::SetWindowOrgEx(dc, old.x, old.y, nullptr);
}

void UrlLink::Paint() {
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(window_, &paint);
    RECT client{};
    ::GetClientRect(window_, &client);
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
        ::SetTextColor(dc, ::IsWindowEnabled(window_) ? state_.Font().color
                                                      : ::GetSysColor(COLOR_GRAYTEXT));
        const std::wstring& caption = state_.Caption();
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, kCaptionFormat);
    }
    ::EndPaint(window_, &paint);
}

void UrlLink::RepaintRequested() {
    if (window_ == nullptr) {
        return;
    }
    AdjustSize();
    ::InvalidateRect(window_, nullptr, TRUE);
}

ScreenPoint UrlLink::CursorPosition() {
    const POINT point = platform_.CursorPos();
    return ScreenPoint{point.x, point.y};
}

TextExtent UrlLink::MeasureText(const FontAttributes& font, std::wstring_view text) {
    const UniqueFont measured = CreateFontFrom(font, dpi_);
    const ScreenDc screen;
    SIZE size{};
    {
        SelectedObject selected(screen.get(), measured.get());
        ::GetTextExtentPoint32W(screen.get(), text.data(), static_cast<int>(text.size()), &size);
    }
    return TextExtent{size.cx, size.cy};
}

HWND UrlLink::CreateHintWindow() {
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE));
    // No owner: the link alone destroys it. A tool window stays off the taskbar, and it never
    // takes the activation from the window the pointer is over.
    const HWND hint =
        ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kHintClass, L"",
                          WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    if (hint == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    return hint;
}

void UrlLink::ShowHint(const HintLayout& layout) {
    if (!hint_) {
        hint_.reset(CreateHintWindow());
    }
    hintFont_ = CreateFontFrom(layout.font, dpi_);
    hintBrush_.reset(::CreateSolidBrush(layout.background));
    hintLayout_ = layout;
    // Borderless, so the window is all client area.
    ::SetWindowPos(hint_.get(), HWND_TOPMOST, layout.left, layout.top, layout.clientWidth,
                   layout.clientHeight, SWP_NOACTIVATE);
    ::ShowWindow(hint_.get(), SW_SHOWNA);
    ::InvalidateRect(hint_.get(), nullptr, TRUE);
    ::UpdateWindow(hint_.get());
}

void UrlLink::HideHint() {
    ::ShowWindow(hint_.get(), SW_HIDE);
}

void UrlLink::Open(std::wstring_view target) {
    const std::wstring file(target);
    // No owner, and empty (not absent) parameters and directory.
    platform_.OpenWithShell(nullptr, L"OPEN", file.c_str(), L"", L"", SW_SHOW);
}

LRESULT CALLBACK UrlLink::HintProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = WindowOwner<UrlLink>(window, message, lParam);
    if (self != nullptr && message == WM_PAINT) {
        self->PaintHint(window);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void UrlLink::PaintHint(HWND window) {
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(window, &paint);
    RECT client{};
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, hintBrush_.get());
    {
        SelectedObject font(dc, hintFont_.get());
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, hintLayout_.font.color);
        const std::wstring& text = hintLayout_.text;
        ::TextOutW(dc, hintLayout_.textX, hintLayout_.textY, text.c_str(),
                   static_cast<int>(text.size()));
    }
    ::EndPaint(window, &paint);
}

} // namespace velkin::win
