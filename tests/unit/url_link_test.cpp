#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "about/url_link.h"

namespace velkin {
namespace {

// Records what the link asks of the window system; the measurer answers 7 pixels per character
// and 13 pixels high.
class FakeHost final : public UrlLinkHost {
public:
    int repaints = 0;
    int hides = 0;
    std::vector<HintLayout> shown;
    std::vector<std::wstring> opened;
    std::vector<std::wstring> measured;
    ScreenPoint pointer{100, 200};

    void RepaintRequested() override { ++repaints; }
    ScreenPoint CursorPosition() override { return pointer; }
    TextExtent MeasureText(const FontAttributes&, std::wstring_view text) override {
        measured.emplace_back(text);
        return TextExtent{7 * static_cast<int>(text.size()), 13};
    }
    void ShowHint(const HintLayout& layout) override { shown.push_back(layout); }
    void HideHint() override { ++hides; }
    void Open(std::wstring_view target) override { opened.emplace_back(target); }
};

constexpr Color kBlue = RgbColor(0, 0, 255);
constexpr Color kRed = RgbColor(255, 0, 0);
constexpr Color kGreen = RgbColor(0, 128, 0);

TEST_CASE("a new link has its documented values") {
    FakeHost host;
    const UrlLinkState link(host, RgbColor(1, 2, 3));
    CHECK(link.URLType() == TURLtype::tpURL);
    CHECK(static_cast<int>(TURLtype::tpURL) == 0);
    CHECK(static_cast<int>(TURLtype::tpMAIL) == 1);
    CHECK(sizeof(TURLtype) == 1);
    CHECK(link.Link() == L"http://");
    CHECK(link.HintFormFont() == DefaultFont());
    CHECK(link.EnableShowHint());
    CHECK(link.HintFormColor() == RgbColor(1, 2, 3));
    CHECK(link.HintOffsetX() == 15);
    CHECK(link.HintOffsetY() == 15);
    CHECK(link.LinkColor() == kRed);
    CHECK(link.Font().color == kBlue);
    CHECK_FALSE(link.HintShown());
    CHECK(host.repaints == 0);
}

TEST_CASE("the pointer turns the text LinkColor and back") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetFontColor(kGreen);
    host.repaints = 0;

    link.PointerEnters();
    CHECK(link.Font().color == kRed);
    CHECK(host.repaints == 1);
    link.PointerLeaves();
    CHECK(link.Font().color == kGreen);
    CHECK(host.repaints == 2);
}

TEST_CASE("a colour set while the pointer is over the link is undone when it leaves") {
    FakeHost host;
    UrlLinkState link(host);
    link.PointerEnters();
    link.SetFontColor(kGreen);
    CHECK(link.Font().color == kGreen);
    link.PointerLeaves();
    CHECK(link.Font().color == kBlue);
}

TEST_CASE("a LinkColor changed while hovering shows from the next entry on") {
    FakeHost host;
    UrlLinkState link(host);
    link.PointerEnters();
    link.SetLinkColor(kGreen);
    CHECK(link.Font().color == kRed);
    link.PointerLeaves();
    link.PointerEnters();
    CHECK(link.Font().color == kGreen);
}

TEST_CASE("the hint shows once, at the pointer plus the offsets, sized to the Link") {
    FakeHost host;
    UrlLinkState link(host, RgbColor(9, 9, 9));
    link.SetLink(L"https://a.example/");
    link.SetCaption(L"caption");
    link.SetURLtype(TURLtype::tpMAIL);

    link.PointerMoves();
    REQUIRE(host.shown.size() == 1);
    const HintLayout& hint = host.shown[0];
    CHECK(hint.left == 115);
    CHECK(hint.top == 215);
    // 18 characters of 7 pixels, 13 high, plus the margins.
    CHECK(hint.clientWidth == 18 * 7 + 6);
    CHECK(hint.clientHeight == 13 + 3);
    // The Link itself: not the caption, and no "mailto:".
    CHECK(hint.text == L"https://a.example/");
    CHECK(host.measured == std::vector<std::wstring>{L"https://a.example/"});
    CHECK(hint.textX == 2);
    CHECK(hint.textY == 2);
    CHECK(hint.background == RgbColor(9, 9, 9));
    CHECK(link.HintShown());

    // It stays where it was put while the pointer moves on.
    host.pointer = ScreenPoint{300, 300};
    link.PointerMoves();
    CHECK(host.shown.size() == 1);
}

TEST_CASE("negative offsets put the hint left of and above the pointer") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetHintOffsetX(-40);
    link.SetHintOffsetY(-25);
    link.PointerMoves();
    REQUIRE(host.shown.size() == 1);
    CHECK(host.shown[0].left == 60);
    CHECK(host.shown[0].top == 175);
}

TEST_CASE("the hint uses a copy of the hint font and colour") {
    FakeHost host;
    UrlLinkState link(host);
    FontAttributes font;
    font.name = L"Hint face";
    font.height = 12;
    font.charset = kShiftJisCharset;
    link.SetHintFormFont(font);
    link.SetHintFormColor(kGreen);
    link.PointerMoves();
    REQUIRE(host.shown.size() == 1);
    CHECK(host.shown[0].font == font);
    CHECK(host.shown[0].background == kGreen);
}

TEST_CASE("no hint when EnableShowHint is false") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetEnableShowHint(false);
    link.PointerEnters();
    link.PointerMoves();
    CHECK(host.shown.empty());
    CHECK_FALSE(link.HintShown());
    link.PointerLeaves();
    CHECK(host.hides == 0);
}

TEST_CASE("switching EnableShowHint off leaves a showing hint alone") {
    FakeHost host;
    UrlLinkState link(host);
    link.PointerMoves();
    link.SetEnableShowHint(false);
    CHECK(link.HintShown());
    CHECK(host.hides == 0);
    link.PointerLeaves();
    CHECK(host.hides == 1);
    CHECK_FALSE(link.HintShown());
}

TEST_CASE("hint state table") {
    FakeHost host;
    UrlLinkState link(host);

    SUBCASE("hidden: leaving hides nothing") {
        link.PointerLeaves();
        CHECK(host.hides == 0);
        CHECK_FALSE(link.HintShown());
    }
    SUBCASE("hidden: a left press opens and hides nothing") {
        link.ButtonPressed(MouseButton::Left);
        CHECK(host.opened.size() == 1);
        CHECK(host.hides == 0);
    }
    SUBCASE("hidden: another button changes nothing") {
        link.ButtonPressed(MouseButton::Right);
        CHECK(host.hides == 0);
        CHECK_FALSE(link.HintShown());
        CHECK(host.shown.empty());
    }
    SUBCASE("shown: leaving hides it") {
        link.PointerMoves();
        link.PointerLeaves();
        CHECK(host.hides == 1);
        CHECK_FALSE(link.HintShown());
        // The next move shows it again.
        link.PointerMoves();
        CHECK(host.shown.size() == 2);
    }
    SUBCASE("shown: a left press hides it") {
        link.PointerMoves();
        link.ButtonPressed(MouseButton::Left);
        CHECK(host.hides == 1);
        CHECK_FALSE(link.HintShown());
    }
    SUBCASE("shown: another button leaves it showing") {
        link.PointerMoves();
        link.ButtonPressed(MouseButton::Right);
        link.ButtonPressed(MouseButton::Middle);
        CHECK(host.hides == 0);
        CHECK(link.HintShown());
    }
}

TEST_CASE("only the left button opens; every press repaints") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetLink(L"https://velkin.example.org/");
    host.repaints = 0;

    link.ButtonPressed(MouseButton::Right);
    link.ButtonPressed(MouseButton::Middle);
    CHECK(host.opened.empty());
    CHECK(host.repaints == 2);

    link.ButtonPressed(MouseButton::Left);
    CHECK(host.opened == std::vector<std::wstring>{L"https://velkin.example.org/"});
    CHECK(host.repaints == 3);
}

TEST_CASE("a double click opens twice") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetLink(L"https://velkin.example.org/");
    link.ButtonPressed(MouseButton::Left);
    link.ButtonPressed(MouseButton::Left);
    CHECK(host.opened.size() == 2);
}

TEST_CASE("an e-mail link opens mailto: with the address exactly") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetURLtype(TURLtype::tpMAIL);
    link.SetLink(L"velkin@example.org");
    link.ButtonPressed(MouseButton::Left);
    CHECK(host.opened == std::vector<std::wstring>{L"mailto:velkin@example.org"});
    CHECK(link.Link() == L"velkin@example.org");
}

TEST_CASE("an empty Link opens an empty target, or a bare mailto:") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetLink(L"");
    CHECK(link.Target().empty());
    link.ButtonPressed(MouseButton::Left);
    link.SetURLtype(TURLtype::tpMAIL);
    link.ButtonPressed(MouseButton::Left);
    CHECK(host.opened == std::vector<std::wstring>{L"", L"mailto:"});
}

TEST_CASE("setting an unchanged value requests no repaint") {
    FakeHost host;
    UrlLinkState link(host, RgbColor(5, 5, 5));
    link.SetURLtype(TURLtype::tpURL);
    link.SetLink(L"http://");
    link.SetLinkColor(kRed);
    link.SetHintFormColor(RgbColor(5, 5, 5));
    link.SetHintOffsetX(15);
    link.SetHintOffsetY(15);
    link.SetEnableShowHint(true);
    link.SetHintFormFont(link.HintFormFont());
    link.SetCaption(L"");
    link.SetFontColor(kBlue);
    link.SetTransparent(false);
    CHECK(host.repaints == 0);
}

TEST_CASE("each changed value is stored and requests one repaint") {
    FakeHost host;
    UrlLinkState link(host);
    link.SetURLtype(TURLtype::tpMAIL);
    link.SetLink(L"x@example.org");
    link.SetLinkColor(kGreen);
    link.SetHintFormColor(kGreen);
    link.SetHintOffsetX(-1);
    link.SetHintOffsetY(0);
    link.SetEnableShowHint(false);
    link.SetCaption(L"c");
    link.SetTransparent(true);
    CHECK(host.repaints == 9);
    CHECK(link.URLType() == TURLtype::tpMAIL);
    CHECK(link.Link() == L"x@example.org");
    CHECK(link.LinkColor() == kGreen);
    CHECK(link.HintFormColor() == kGreen);
    CHECK(link.HintOffsetX() == -1);
    CHECK(link.HintOffsetY() == 0);
    CHECK_FALSE(link.EnableShowHint());
    CHECK(link.Caption() == L"c");
    CHECK(link.Transparent());
}

TEST_CASE("another font's attributes are copied into the link's own hint font") {
    FakeHost host;
    UrlLinkState link(host);
    FontAttributes font = DefaultFont();
    // Equal attributes, another object: still copied, still a repaint.
    link.SetHintFormFont(font);
    CHECK(host.repaints == 1);

    font.name = L"Other";
    font.bold = true;
    link.SetHintFormFont(font);
    CHECK(host.repaints == 2);
    CHECK(link.HintFormFont() == font);
    // The caller's object stays the caller's: changing it later does not reach the link.
    font.name = L"Changed";
    CHECK(link.HintFormFont().name == L"Other");
    CHECK(&link.HintFormFont() != &font);
}

} // namespace
} // namespace velkin
