#include "about/about_window_win.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "base/message_texts.h"
#include "platform/dpi.h"
#include "platform/gdi_scopes.h"
#include "platform/message_loop.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

constexpr wchar_t kAboutWindowClass[] = L"TVLKN_ABOUT";
constexpr wchar_t kCaption[] = L"バージョン情報";
constexpr std::wstring_view kAuthor = L"Velkin project";
constexpr std::wstring_view kWebAddress = L"https://velkin.example.org/";
constexpr std::wstring_view kMailAddress = L"velkin@example.org";
// The banner bitmap in the program's resources (res/velkin.rc).
constexpr wchar_t kBannerResource[] = L"ABOUT_BANNER";

constexpr int kLabel1Id = 1;
constexpr int kLabel2Id = 2;
constexpr int kUrlId = 3;
constexpr int kEmailId = 4;
constexpr int kImage2Id = 5;

// Sizes and places in client pixels at 96 DPI.
constexpr SIZE kClientSize{217, 134};
constexpr POINT kLabel1At{8, 8};
constexpr POINT kLabel2At{8, 32};
constexpr POINT kUrlAt{8, 48};
constexpr POINT kEmailAt{8, 64};
constexpr RECT kImage2Bounds{8, 88, 8 + 201, 88 + 41};

constexpr Color kWhite = RgbColor(255, 255, 255);
constexpr Color kRed = RgbColor(255, 0, 0);

// A fixed dialog frame with the system menu and the close box only.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

FontAttributes FormFont() {
    FontAttributes font;
    font.name = L"ＭＳ Ｐゴシック";
    font.height = -12;
    font.charset = kShiftJisCharset;
    font.color = kWhite;
    return font;
}

FontAttributes LinkFont() {
    FontAttributes font = FormFont();
    font.underline = true;
    return font;
}

FontAttributes LinkHintFont() {
    FontAttributes font;
    font.name = L"ＭＳ Ｐゴシック";
    font.height = 12;
    font.charset = kShiftJisCharset;
    return font;
}

HWND CreateLabel(HWND parent, HINSTANCE instance, int id, std::wstring_view text) {
    const std::wstring caption(text);
    const HWND label = ::CreateWindowExW(
        0, L"STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (label == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    return label;
}

// Gives a label its font and makes it exactly as large as its text.
void FitLabel(HWND label, HFONT font, POINT at) {
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(label)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
    RECT bounds{};
    {
        const WindowDc dc(label);
        const SelectedObject selected(dc.get(), font);
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds,
                    DT_LEFT | DT_NOPREFIX | DT_CALCRECT);
    }
    ::SetWindowPos(label, nullptr, at.x, at.y, bounds.right, bounds.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(label, nullptr, TRUE);
}

void SetupLink(UrlLink& link, TURLtype type, std::wstring_view address) {
    UrlLinkState& state = link.link();
    state.SetURLtype(type);
    state.SetLink(address);
    state.SetLinkColor(kRed);
    state.SetEnableShowHint(false);
    state.SetHintFormFont(LinkHintFont());
    link.SetCaption(address);
    link.SetFont(LinkFont());
    link.SetTransparent(true);
    link.SetAutoSize(true);
}

} // namespace

AboutWindow::AboutWindow(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {
    RegisterWindowClass(instance,
                        {.name = kAboutWindowClass,
                         .procedure = &OwnedWindow::Procedure,
                         .cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)),
                         .background = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))});
    // Created hidden; every showing places it anew. Should the rest fail, the window goes with
    // this object's members.
    window_.Create({.exStyle = kExStyle,
                    .className = kAboutWindowClass,
                    .title = kCaption,
                    .style = kStyle,
                    .parent = owner,
                    .instance = instance});
    CreateMembers();
}

AboutWindow::~AboutWindow() {
    // The links go first, while their parent still stands.
    lUrl_.reset();
    lEmail_.reset();
}

void AboutWindow::CreateMembers() {
    // A window that cannot be resized, minimised or maximised offers none of it in its menu.
    const HMENU systemMenu = ::GetSystemMenu(window_.handle(), FALSE);
    for (const UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) {
        ::DeleteMenu(systemMenu, command, MF_BYCOMMAND);
    }
    label1_ = CreateLabel(handle(), instance_, kLabel1Id, text::kApplicationTitle);
    label2_ = CreateLabel(handle(), instance_, kLabel2Id, kAuthor);
    lUrl_ = std::make_unique<UrlLink>(handle(), kUrlId);
    SetupLink(*lUrl_, TURLtype::tpURL, kWebAddress);
    lEmail_ = std::make_unique<UrlLink>(handle(), kEmailId);
    SetupLink(*lEmail_, TURLtype::tpMAIL, kMailAddress);
    image2_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 0, 0,
                                handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kImage2Id)),
                                instance_, nullptr);
    if (image2_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    // A program without its banner still shows the rest of the window.
    banner_.reset(static_cast<HBITMAP>(
        ::LoadImageW(instance_, kBannerResource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    Layout(DpiForWindow(handle()));
}

void AboutWindow::ShowModalAt(HWND mainWindow) {
    if (modal_ || handle() == nullptr) {
        return;
    }
    RECT mainBounds{};
    ::GetWindowRect(mainWindow, &mainBounds);
    ::SetWindowPos(handle(), nullptr, mainBounds.left, mainBounds.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The new place may lie on a monitor of another DPI than the last one.
    Layout(DpiForWindow(handle()));

    ::EnableWindow(owner_, FALSE);
    modal_ = true;
    ::ShowWindow(handle(), SW_SHOW);
    // The window's going ends the loop as its closing does.
    RunModalLoop([this] { return modal_ && handle() != nullptr; });
    // The owner is enabled before the window goes, so that it is the one that becomes active.
    modal_ = false;
    ::EnableWindow(owner_, TRUE);
    if (handle() != nullptr) {
        ::ShowWindow(handle(), SW_HIDE);
    }
    ::SetActiveWindow(owner_);
}

void AboutWindow::HideOnClose() {
    if (modal_) {
        ::EnableWindow(owner_, TRUE);
        modal_ = false;
    }
    ::ShowWindow(handle(), SW_HIDE);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        HideOnClose();
        return 0;
    case WM_CTLCOLORSTATIC: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, kWhite);
        ::SetBkColor(dc, RgbColor(0, 0, 0));
        return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
    }
    case WM_DRAWITEM:
        if (wParam == kImage2Id) {
            DrawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_DPICHANGED:
        // The corner stays where the main window put it; only the size follows the DPI.
        Layout(HIWORD(wParam));
        return 0;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

void AboutWindow::Layout(UINT dpi) {
    dpi_ = dpi;
    const auto scale = [dpi](LONG designPixels) {
        return ScaleForDpi(static_cast<int>(designPixels), dpi);
    };
    font_ = CreateFontFrom(FormFont(), dpi);
    FontAttributes title = FormFont();
    title.bold = true;
    titleFont_ = CreateFontFrom(title, dpi);

    FitLabel(label1_, titleFont_.get(), POINT{scale(kLabel1At.x), scale(kLabel1At.y)});
    FitLabel(label2_, font_.get(), POINT{scale(kLabel2At.x), scale(kLabel2At.y)});
    for (const auto& [link, at] :
         {std::pair{lUrl_.get(), kUrlAt}, std::pair{lEmail_.get(), kEmailAt}}) {
        link->SetDpi(dpi);
        link->SetBounds(scale(at.x), scale(at.y), 0, 0);
    }
    ::SetWindowPos(image2_, nullptr, scale(kImage2Bounds.left), scale(kImage2Bounds.top),
                   scale(kImage2Bounds.right - kImage2Bounds.left),
                   scale(kImage2Bounds.bottom - kImage2Bounds.top), SWP_NOZORDER | SWP_NOACTIVATE);

    const SIZE outer = WindowSizeForClient(SIZE{scale(kClientSize.cx), scale(kClientSize.cy)},
                                           kStyle, kExStyle, dpi);
    ::SetWindowPos(handle(), nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(handle(), nullptr, TRUE);
}

void AboutWindow::DrawImage(const DRAWITEMSTRUCT& item) const {
    ::FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    if (!banner_) {
        return;
    }
    BITMAP bitmap{};
    ::GetObjectW(banner_.get(), sizeof(bitmap), &bitmap);
    const MemoryDc source(item.hDC);
    const SelectedObject selected(source.get(), banner_.get());
    // At 96 DPI the picture is drawn pixel for pixel; elsewhere it grows with the window.
    if (dpi_ == kDesignDpi) {
        ::BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, bitmap.bmWidth, bitmap.bmHeight,
                 source.get(), 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(item.hDC, HALFTONE);
        ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
        ::StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, ScaleForDpi(bitmap.bmWidth, dpi_),
                     ScaleForDpi(bitmap.bmHeight, dpi_), source.get(), 0, 0, bitmap.bmWidth,
                     bitmap.bmHeight, SRCCOPY);
    }
}

} // namespace velkin::win
