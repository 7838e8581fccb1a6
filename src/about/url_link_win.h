#pragma once

#include <windows.h>

#include <string_view>

#include "about/url_link.h"
#include "platform/owned_window.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// The few system calls through which the link reaches beyond its own windows, so that a test
// can watch them without a browser opening.
class UrlLinkPlatform {
public:
    virtual void OpenWithShell(HWND owner, const wchar_t* verb, const wchar_t* file,
                               const wchar_t* parameters, const wchar_t* directory,
                               int showCommand) = 0;
    virtual POINT CursorPos() = 0;

protected:
    ~UrlLinkPlatform() = default;
};

// The real calls.
UrlLinkPlatform& SystemUrlLinkPlatform();

// A font made from its attributes at the given DPI.
UniqueFont CreateFontFrom(const FontAttributes& font, UINT dpi);

// A hyperlink label, a child window of its own class ("TURLLink"). It raises no events: its
// owner places it and sets its properties, and the link does the rest. Everything it decides is
// UrlLinkState's; this class paints, tracks the pointer and keeps the hint window.
class UrlLink final : private UrlLinkHost {
public:
    UrlLink(HWND parent, int controlId, UrlLinkPlatform& platform = SystemUrlLinkPlatform());
    UrlLink(const UrlLink&) = delete;
    UrlLink& operator=(const UrlLink&) = delete;

    HWND handle() const { return window_.handle(); }
    HWND hintHandle() const { return hint_.handle(); }

    // The link's properties; setting them repaints as needed.
    UrlLinkState& link() { return state_; }
    const UrlLinkState& link() const { return state_; }

    // Label basics beyond what the state keeps. Positions and sizes are client pixels of the
    // parent at the current DPI; font heights are scaled from 96 DPI.
    void SetCaption(std::wstring_view caption);
    void SetFont(const FontAttributes& font);
    void SetTransparent(bool transparent) { state_.SetTransparent(transparent); }
    void SetColor(COLORREF color);
    void SetBounds(int left, int top, int width, int height);
    void SetAutoSize(bool autoSize);
    void SetVisible(bool visible);
    void SetEnabled(bool enabled);
    void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
    void SetDpi(UINT dpi);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleHintMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Paint();
    void PaintHint();
    void PaintParentBackground(HDC dc);
    void ApplyFont();
    void AdjustSize();
    void CreateHintWindow();

    // What the state asks for.
    void RepaintRequested() override;
    ScreenPoint CursorPosition() override;
    TextExtent MeasureText(const FontAttributes& font, std::wstring_view text) override;
    void ShowHint(const HintLayout& layout) override;
    void HideHint() override;
    void Open(std::wstring_view target) override;

    UrlLinkPlatform& platform_;
    UrlLinkState state_;
    HCURSOR cursor_ = nullptr;
    COLORREF color_;
    bool autoSize_ = true;
    bool tracking_ = false;
    UINT dpi_ = 96;
    // The font the caption was last drawn with, made anew when the state's font changes.
    FontAttributes paintedFont_;
    UniqueFont font_;
    UniqueBrush hintBrush_;
    UniqueFont hintFont_;
    HintLayout hintLayout_;
    // Declared last, so that they go first, before the fonts they paint with: the hint, made
    // when it first shows, and the link, a child window that may also go with its parent.
    OwnedWindow hint_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleHintMessage(message, wParam, lParam);
    }};
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
