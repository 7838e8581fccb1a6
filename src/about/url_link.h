#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velkin {

// How a link's text becomes what the shell opens.
enum class TURLtype : std::uint8_t {
    tpURL = 0,  // the Link as it stands
    tpMAIL = 1, // "mailto:" in front of the Link
};

// A colour laid out as the platform's COLORREF: 0x00BBGGRR.
using Color = std::uint32_t;

constexpr Color RgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<Color>(red) | (static_cast<Color>(green) << 8) |
           (static_cast<Color>(blue) << 16);
}

// The platform's charset numbers for the two charsets the program names.
inline constexpr std::uint8_t kDefaultCharset = 1;
inline constexpr std::uint8_t kShiftJisCharset = 128;

// Everything that describes a font, the colour of its text included. The height is in pixels at
// 96 DPI, with the platform's sign rule: negative for the character height, positive for the
// cell height.
struct FontAttributes {
    std::wstring name = L"MS Shell Dlg 2";
    int height = -11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charset = kDefaultCharset;
    Color color = RgbColor(0, 0, 0);

    bool operator==(const FontAttributes&) const = default;
};

// The font a control starts with when nobody chose one.
inline FontAttributes DefaultFont() {
    return FontAttributes{};
}

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

struct TextExtent {
    int width = 0;
    int height = 0;
};

// Where and how the hint shows the Link.
struct HintLayout {
    int left = 0;
    int top = 0;
    int clientWidth = 0;
    int clientHeight = 0;
    Color background = 0;
    FontAttributes font;
    std::wstring text;
    int textX = 0;
    int textY = 0;
};

enum class MouseButton { Left, Right, Middle };

// What the link asks of the window system. Every call is made while the state already holds
// its new values, so the host may read them back.
class UrlLinkHost {
public:
    virtual void RepaintRequested() = 0;
    virtual ScreenPoint CursorPosition() = 0;
    virtual TextExtent MeasureText(const FontAttributes& font, std::wstring_view text) = 0;
    // Places the hint as laid out and shows it without activating it.
    virtual void ShowHint(const HintLayout& layout) = 0;
    virtual void HideHint() = 0;
    // Hands the target to the shell; whether that worked is of no interest.
    virtual void Open(std::wstring_view target) = 0;

protected:
    ~UrlLinkHost() = default;
};

// The system's tooltip background (COLOR_INFOBK) as the platform ships it; the window layer
// passes the live value in.
inline constexpr Color kDefaultInfoBackground = RgbColor(255, 255, 225);

// What a hyperlink label does, decided without a window: it turns LinkColor under the pointer,
// can show its Link in a small hint next to the pointer, and opens the Link (as a web address or
// an e-mail address) when pressed with the left button.
class UrlLinkState {
public:
    explicit UrlLinkState(UrlLinkHost& host, Color infoBackground = kDefaultInfoBackground);

    // Link properties. Setting a value equal to the current one does nothing; a new value is
    // stored and a repaint requested.
    TURLtype URLType() const { return urlType_; }
    void SetURLtype(TURLtype type);
    const std::wstring& Link() const { return link_; }
    void SetLink(std::wstring_view link);
    Color LinkColor() const { return linkColor_; }
    void SetLinkColor(Color color);
    Color HintFormColor() const { return hintFormColor_; }
    void SetHintFormColor(Color color);
    int HintOffsetX() const { return hintOffsetX_; }
    void SetHintOffsetX(int offset);
    int HintOffsetY() const { return hintOffsetY_; }
    void SetHintOffsetY(int offset);
    bool EnableShowHint() const { return enableShowHint_; }
    void SetEnableShowHint(bool enable);
    // The hint font is the link's own; another font's attributes are copied into it, the
    // caller keeps its object.
    const FontAttributes& HintFormFont() const { return hintFormFont_; }
    void SetHintFormFont(const FontAttributes& font);

    // Label properties, same rule.
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(std::wstring_view caption);
    const FontAttributes& Font() const { return font_; }
    void SetFont(const FontAttributes& font);
    void SetFontColor(Color color);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    bool HintShown() const { return hintShown_; }

    // What the shell is asked to open.
    std::wstring Target() const;

    // The pointer's doings over the control.
    void PointerEnters();
    void PointerLeaves();
    void PointerMoves();
    // Every press, the second one of a double click included.
    void ButtonPressed(MouseButton button);

private:
    template <typename T> void Change(T& field, const T& value);
    void HideHintIfShown();

    UrlLinkHost& host_;
    TURLtype urlType_ = TURLtype::tpURL;
    std::wstring link_ = L"http://";
    FontAttributes hintFormFont_ = DefaultFont();
    bool enableShowHint_ = true;
    Color hintFormColor_;
    int hintOffsetX_ = 15;
    int hintOffsetY_ = 15;
    Color linkColor_ = RgbColor(255, 0, 0);

    std::wstring caption_;
    FontAttributes font_ = DefaultFont();
    bool transparent_ = false;

    // The font colour from before the pointer came in, put back when it leaves.
    Color savedColor_ = 0;
    bool hintShown_ = false;
};

} // namespace velkin
