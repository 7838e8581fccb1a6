#include "about/url_link.h"

namespace velkin {
namespace {

// The hint's margin around the Link: two pixels left and top, the rest right and below.
constexpr int kHintTextX = 2;
constexpr int kHintTextY = 2;
constexpr int kHintExtraWidth = 6;
constexpr int kHintExtraHeight = 3;

} // namespace

UrlLinkState::UrlLinkState(UrlLinkHost& host, Color infoBackground)
    : host_(host), hintFormColor_(infoBackground) {
    font_.color = RgbColor(0, 0, 255);
}

template <typename T> void UrlLinkState::Change(T& field, const T& value) {
    if (field == value) {
        return;
    }
    field = value;
    host_.RepaintRequested();
}

void UrlLinkState::SetURLtype(TURLtype type) {
    Change(urlType_, type);
}

void UrlLinkState::SetLink(std::wstring_view link) {
    Change(link_, std::wstring(link));
}

void UrlLinkState::SetLinkColor(Color color) {
    Change(linkColor_, color);
}

void UrlLinkState::SetHintFormColor(Color color) {
    Change(hintFormColor_, color);
}

void UrlLinkState::SetHintOffsetX(int offset) {
    Change(hintOffsetX_, offset);
}

void UrlLinkState::SetHintOffsetY(int offset) {
    Change(hintOffsetY_, offset);
}

void UrlLinkState::SetEnableShowHint(bool enable) {
    // A hint that shows stays until the pointer leaves or presses.
    Change(enableShowHint_, enable);
}

void UrlLinkState::SetHintFormFont(const FontAttributes& font) {
    // Handing the link its own font back is no change; any other font counts as one, equal
    // attributes or not.
    if (&font == &hintFormFont_) {
        return;
    }
    hintFormFont_ = font;
    host_.RepaintRequested();
}

void UrlLinkState::SetCaption(std::wstring_view caption) {
    Change(caption_, std::wstring(caption));
}

void UrlLinkState::SetFont(const FontAttributes& font) {
    Change(font_, font);
}

void UrlLinkState::SetFontColor(Color color) {
    Change(font_.color, color);
}

void UrlLinkState::SetTransparent(bool transparent) {
    Change(transparent_, transparent);
}

std::wstring UrlLinkState::Target() const {
    if (urlType_ == TURLtype::tpMAIL) {
        return L"mailto:" + link_;
    }
    return link_;
}

void UrlLinkState::PointerEnters() {
    savedColor_ = font_.color;
    font_.color = linkColor_;
    host_.RepaintRequested();
}

void UrlLinkState::PointerLeaves() {
    // Whatever colour was set while the pointer was over the link gives way to the saved one.
    font_.color = savedColor_;
    host_.RepaintRequested();
    HideHintIfShown();
}

void UrlLinkState::PointerMoves() {
    if (!enableShowHint_ || hintShown_) {
        return;
    }
    const ScreenPoint pointer = host_.CursorPosition();
    const TextExtent extent = host_.MeasureText(hintFormFont_, link_);
    HintLayout layout;
    layout.left = pointer.x + hintOffsetX_;
    layout.top = pointer.y + hintOffsetY_;
    layout.clientWidth = extent.width + kHintExtraWidth;
    layout.clientHeight = extent.height + kHintExtraHeight;
    layout.background = hintFormColor_;
    layout.font = hintFormFont_;
    layout.text = link_;
    layout.textX = kHintTextX;
    layout.textY = kHintTextY;
    host_.ShowHint(layout);
    hintShown_ = true;
}

void UrlLinkState::ButtonPressed(MouseButton button) {
    host_.RepaintRequested();
    if (button != MouseButton::Left) {
        return;
    }
    host_.Open(Target());
    HideHintIfShown();
}

void UrlLinkState::HideHintIfShown() {
    if (!hintShown_) {
        return;
    }
    host_.HideHint();
    hintShown_ = false;
}

} // namespace velkin
