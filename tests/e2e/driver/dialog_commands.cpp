// Commands about dialogs and message boxes: reading them, filling in and pressing their
// controls, and telling which standard icon one shows.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "base/scope_exit.h"
#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {
namespace {

using UniqueMemoryDc = win::UniqueHandle<win::NullableHandleTraits<HDC, &::DeleteDC>>;

HWND ChildOfClass(HWND dialog, std::wstring_view className, std::size_t index) {
    std::size_t seen = 0;
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) == dialog && IsClass(child, className) && seen++ == index) {
            return child;
        }
    }
    Fail("no " + ToUtf8(className) + " number " + std::to_string(index) + " in " +
         HandleText(dialog));
}

std::wstring WithoutAccessMarks(std::wstring_view caption) {
    std::wstring plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) {
            ++i;
        }
        plain += caption[i];
    }
    return plain;
}

} // namespace

void CommandDialog(const Arguments& args) {
    WindowFilter filter = WindowFilter::From(args);
    if (!filter.className) {
        filter.className = L"#32770"; // dialogs and message boxes
    }
    if (const auto caption = args.Get(L"caption")) {
        filter.title = caption;
    }
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const HWND dialog = WaitForWindow(filter, timeoutMs, FilterText(filter));

    std::string statics;
    std::string edits;
    std::string buttons;
    std::string controls;
    auto append = [](std::string& list, const std::string& item) {
        list += (list.empty() ? "" : ",") + item;
    };
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) != dialog) {
            continue;
        }
        const std::string json = ControlJson(child);
        append(controls, json);
        if (IsClass(child, L"Static")) {
            append(statics, JsonString(ControlText(child)));
        } else if (IsClass(child, L"Edit")) {
            append(edits, JsonString(ControlText(child)));
        } else if (IsClass(child, L"Button")) {
            append(buttons, JsonString(ControlText(child)));
        }
    }
    const std::string window = WindowJson(dialog);
    PrintLine(window.substr(0, window.size() - 1) + ",\"statics\":[" + statics + "],\"edits\":[" +
              edits + "],\"buttons\":[" + buttons + "],\"controls\":[" + controls + "]}");
}

void CommandSetEdit(const Arguments& args) {
    const HWND dialog = args.Window();
    const auto index = static_cast<std::size_t>(args.Number(L"index", 0));
    const std::wstring text = args.Require(L"text");
    args.RejectUnused();
    const HWND edit = ChildOfClass(dialog, L"Edit", index);
    if (!SendChecked(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT")) {
        Fail("the edit control refused the text");
    }
    PrintLine("{\"hwnd\":\"" + HandleText(edit) + "\",\"text\":" + JsonString(ControlText(edit)) +
              "}");
}

void CommandClick(const Arguments& args) {
    const HWND dialog = args.Window();
    const std::wstring caption = args.Require(L"button");
    args.RejectUnused();
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) != dialog || !IsClass(child, L"Button")) {
            continue;
        }
        const std::wstring text = ControlText(child);
        if (text == caption || WithoutAccessMarks(text) == caption) {
            // Posted, not sent: a button that opens a modal window would keep a sent message
            // from returning until that window closes.
            if (!::PostMessageW(child, BM_CLICK, 0, 0)) {
                FailWithLastError("PostMessageW(BM_CLICK)");
            }
            PrintLine("{\"clicked\":\"" + HandleText(child) + "\",\"caption\":" + JsonString(text) +
                      ",\"id\":" + std::to_string(::GetDlgCtrlID(child)) + "}");
            return;
        }
    }
    Fail("no button " + ToUtf8(caption) + " in " + HandleText(dialog));
}

// Which standard icon a dialog shows: an icon handle means nothing outside its process, so the
// icon's pixels on the screen are compared with each standard icon drawn here on the same
// background. "differences" counts the pixels that differ per candidate.
void CommandIcon(const Arguments& args) {
    const HWND dialog = args.Window();
    args.RejectUnused();
    HWND iconControl = nullptr;
    for (const HWND child : ChildWindows(dialog)) {
        if (::GetParent(child) == dialog && IsClass(child, L"Static") &&
            (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            ::IsWindowVisible(child)) {
            iconControl = child;
            break;
        }
    }
    if (iconControl == nullptr) {
        Fail("no visible icon control in " + HandleText(dialog));
    }
    RECT rect{};
    ::GetWindowRect(iconControl, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        Fail("the icon control of " + HandleText(dialog) + " has no area");
    }

    const HDC screen = ::GetDC(nullptr);
    const ScopeExit release([screen] { ::ReleaseDC(nullptr, screen); });
    auto capture = [&](const std::function<void(HDC)>& paint) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        const win::UniqueBitmap bitmap(
            ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const UniqueMemoryDc dc(::CreateCompatibleDC(screen));
        const HDC memory = dc.get();
        const HGDIOBJ old = ::SelectObject(memory, bitmap.get());
        paint(memory);
        ::GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        std::vector<DWORD> result(pixels, pixels + static_cast<std::size_t>(width) * height);
        ::SelectObject(memory, old);
        for (auto& pixel : result) {
            pixel &= 0x00FFFFFF;
        }
        return result;
    };
    const std::vector<DWORD> shown = capture([&](HDC memory) {
        ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    });

    const DWORD background = shown.front(); // a corner, where no standard icon paints
    const struct {
        const char* name;
        LPCWSTR id;
    } kCandidates[] = {{"error", IDI_ERROR},
                       {"warning", IDI_WARNING},
                       {"information", IDI_INFORMATION},
                       {"question", IDI_QUESTION}};
    std::string differences;
    std::string best;
    std::size_t bestCount = SIZE_MAX;
    for (const auto& candidate : kCandidates) {
        const HICON icon = ::LoadIconW(nullptr, candidate.id);
        const std::vector<DWORD> drawn = capture([&](HDC memory) {
            const win::UniqueBrush brush(::CreateSolidBrush(
                RGB(GetBValue(background), GetGValue(background), GetRValue(background))));
            const RECT all{0, 0, width, height};
            ::FillRect(memory, &all, brush.get());
            ::DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
        });
        std::size_t count = 0;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            count += shown[i] != drawn[i] ? 1 : 0;
        }
        differences += std::string(differences.empty() ? "" : ",") + "\"" + candidate.name +
                       "\":" + std::to_string(count);
        if (count < bestCount) {
            bestCount = count;
            best = candidate.name;
        }
    }
    PrintLine("{\"control\":\"" + HandleText(iconControl) + "\",\"rect\":" + RectJson(rect) +
              ",\"best\":\"" + best + "\",\"pixels\":" + std::to_string(shown.size()) +
              ",\"differences\":{" + differences + "}}");
}
} // namespace velkin::driver
