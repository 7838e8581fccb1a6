// Commands that act as the keyboard and the mouse do: SendInput, to the foreground window.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {
namespace {

// Without a window manager, X gives the keyboard to the window under the pointer, and Wine
// follows X: the pointer has to be over the window that should get the keys.
POINT PointerSpot(HWND window, const std::optional<std::wstring>& at) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    if (at) {
        int x = 0;
        int y = 0;
        if (std::swscanf(at->c_str(), L"%d,%d", &x, &y) != 2) {
            Fail("--at needs X,Y relative to the window", kExitUsage);
        }
        return {rect.left + x, rect.top + y};
    }
    // Close to the bottom right corner: menus drop down from the top left and dialogs are
    // centred, so neither is likely to lie under the pointer there and get hovered.
    const LONG inset = 8;
    return {std::max(rect.left, rect.right - inset), std::max(rect.top, rect.bottom - inset)};
}

void Send(std::vector<INPUT>& inputs) {
    if (inputs.empty()) {
        return;
    }
    const UINT sent = ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size()) {
        FailWithLastError("SendInput");
    }
}

// Moves the pointer as a mouse does: SendInput with absolute coordinates, which reach the
// target as input (WM_MOUSEMOVE, then the leave tracking) where a bare SetCursorPos may not.
void MovePointerTo(POINT at, DWORD timeoutMs) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    if (width <= 1 || height <= 1) {
        Fail("no screen size");
    }
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Rounded up, so that the system's scaling back (rounding down) lands on the pixel itself.
    input.mi.dx = static_cast<LONG>((static_cast<long long>(at.x) * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((static_cast<long long>(at.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    std::vector<INPUT> inputs{input};
    Send(inputs);
    const Deadline deadline(timeoutMs);
    for (;;) {
        POINT now{};
        ::GetCursorPos(&now);
        if (now.x == at.x && now.y == at.y) {
            return;
        }
        if (deadline.Passed()) {
            Fail("the pointer went to " + std::to_string(now.x) + "," + std::to_string(now.y) +
                     " instead of " + std::to_string(at.x) + "," + std::to_string(at.y),
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
}

bool PointerOver(HWND window) {
    POINT now{};
    return ::GetCursorPos(&now) && ::GetAncestor(::WindowFromPoint(now), GA_ROOT) == window;
}

// Makes the window the one that gets the keys. Wine follows X here: when the pointer crosses
// into a window or X moves the focus, the X server reports its keyboard state to the window's
// thread, and Wine then lets go of every modifier X never saw pressed, such as the Alt that
// SendInput holds for a chord. A chord sent while such a report is still on its way loses its
// Alt. So nothing is stirred up that need not be: a window already active in the foreground
// is left as it is (SendInput's keys go to it wherever the pointer is), and otherwise the
// pointer only moves when it is not over the window. What was stirred up is over before the
// first key: the pointer's move has reached the X server (GetCursorPos asks it), the window's
// thread has taken in the activation and answered a message round trip.
void Activate(HWND window, const std::optional<std::wstring>& at, DWORD timeoutMs) {
    const Deadline deadline(timeoutMs);
    const bool active =
        ::GetForegroundWindow() == window && ThreadInfo(window).hwndActive == window;
    if (at || (!active && !PointerOver(window))) {
        MovePointerTo(PointerSpot(window, at), timeoutMs);
    }
    if (!active) {
        ::SetForegroundWindow(window);
        for (;;) {
            const HWND foreground = ::GetForegroundWindow();
            if (foreground == window && ThreadInfo(window).hwndActive == window) {
                break;
            }
            if (deadline.Passed()) {
                Fail("window " + HandleText(window) + " did not come to the foreground (it is " +
                         HandleText(foreground) + ")",
                     kExitTimeout);
            }
            ::Sleep(kPollMs);
            if (foreground != window) {
                ::SetForegroundWindow(window);
            }
        }
    }
    Sync(window, std::max<DWORD>(deadline.Remaining(), 1000));
}

struct KeyName {
    std::wstring_view name;
    WORD key;
    bool extended;
};

constexpr KeyName kKeyNames[] = {
    {L"enter", VK_RETURN, false},   {L"return", VK_RETURN, false}, {L"esc", VK_ESCAPE, false},
    {L"escape", VK_ESCAPE, false},  {L"tab", VK_TAB, false},       {L"space", VK_SPACE, false},
    {L"backspace", VK_BACK, false}, {L"delete", VK_DELETE, true},  {L"insert", VK_INSERT, true},
    {L"up", VK_UP, true},           {L"down", VK_DOWN, true},      {L"left", VK_LEFT, true},
    {L"right", VK_RIGHT, true},     {L"home", VK_HOME, true},      {L"end", VK_END, true},
    {L"pgup", VK_PRIOR, true},      {L"pgdn", VK_NEXT, true},      {L"apps", VK_APPS, true},
    {L"f1", VK_F1, false},          {L"f2", VK_F2, false},         {L"f3", VK_F3, false},
    {L"f4", VK_F4, false},          {L"f5", VK_F5, false},         {L"f6", VK_F6, false},
    {L"f7", VK_F7, false},          {L"f8", VK_F8, false},         {L"f9", VK_F9, false},
    {L"f10", VK_F10, false},        {L"f11", VK_F11, false},       {L"f12", VK_F12, false},
    {L"ctrl", VK_CONTROL, false},   {L"alt", VK_MENU, false},      {L"shift", VK_SHIFT, false},
};

KeyName ParseKey(std::wstring_view name) {
    const std::wstring lower = LowerCase(std::wstring(name));
    for (const auto& key : kKeyNames) {
        if (key.name == lower) {
            return key;
        }
    }
    if (lower.size() == 1 &&
        ((lower[0] >= L'a' && lower[0] <= L'z') || (lower[0] >= L'0' && lower[0] <= L'9'))) {
        return {name, static_cast<WORD>(std::towupper(lower[0])), false};
    }
    Fail("unknown key " + ToUtf8(name), kExitUsage);
}

INPUT KeyInput(const KeyName& key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key.key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key.key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key.extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

// A chord is "key" or "modifier+...+key", optionally "*N" for N presses: "alt+p", "down*2".
std::vector<INPUT> ChordInputs(std::wstring_view chord) {
    int repeat = 1;
    if (const auto star = chord.find(L'*'); star != std::wstring_view::npos) {
        repeat = std::max(1, static_cast<int>(std::wcstol(
                                 std::wstring(chord.substr(star + 1)).c_str(), nullptr, 10)));
        chord = chord.substr(0, star);
    }
    std::vector<KeyName> keys;
    for (std::size_t start = 0; start <= chord.size();) {
        auto plus = chord.find(L'+', start);
        if (plus == start) { // "+" itself is no key name of ours
            Fail("empty key in " + ToUtf8(chord), kExitUsage);
        }
        if (plus == std::wstring_view::npos) {
            plus = chord.size();
        }
        keys.push_back(ParseKey(chord.substr(start, plus - start)));
        start = plus + 1;
    }
    std::vector<INPUT> inputs;
    for (int n = 0; n < repeat; ++n) {
        for (const auto& key : keys) {
            inputs.push_back(KeyInput(key, false));
        }
        for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
            inputs.push_back(KeyInput(*key, true));
        }
    }
    return inputs;
}

void ActivateIfAsked(const Arguments& args) {
    if (args.Get(L"hwnd")) {
        Activate(args.Window(), args.Get(L"at"), args.TimeoutMs());
    }
}

POINT ParsePoint(const Arguments& args) {
    const std::wstring at = args.Require(L"at");
    POINT point{};
    if (std::swscanf(at.c_str(), L"%ld,%ld", &point.x, &point.y) != 2) {
        Fail("--at needs X,Y in screen pixels", kExitUsage);
    }
    return point;
}

} // namespace

void CommandActivate(const Arguments& args) {
    const HWND window = args.Window();
    const auto at = args.Get(L"at");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    Activate(window, at, timeoutMs);
    POINT pointer{};
    ::GetCursorPos(&pointer);
    PrintLine("{\"foreground\":\"" + HandleText(::GetForegroundWindow()) +
              "\",\"pointer\":" + JsonNumbers({pointer.x, pointer.y}) + "}");
}

void CommandKeys(const Arguments& args) {
    ActivateIfAsked(args);
    const auto afterRows = args.Get(L"after-rows");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    if (args.Words().empty()) {
        Fail("keys needs at least one chord, e.g. alt+p down enter", kExitUsage);
    }
    std::vector<std::vector<INPUT>> chords;
    for (const auto& word : args.Words()) {
        chords.push_back(ChordInputs(word)); // all parsed before anything is sent
    }
    if (afterRows) {
        WaitForMoreRows(args.Window(), std::wcstoll(afterRows->c_str(), nullptr, 10), timeoutMs);
    }
    for (auto& inputs : chords) {
        Send(inputs);
    }
    std::string sent = "[";
    for (std::size_t i = 0; i < args.Words().size(); ++i) {
        if (i > 0) {
            sent += ',';
        }
        sent += JsonString(args.Words()[i]);
    }
    PrintLine("{\"sent\":" + sent + "]}");
}

void CommandType(const Arguments& args) {
    ActivateIfAsked(args);
    const std::wstring text = args.Require(L"text");
    args.RejectUnused();
    std::vector<INPUT> inputs;
    for (const wchar_t unit : text) {
        for (const bool up : {false, true}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = static_cast<WORD>(unit);
            input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(input);
        }
    }
    Send(inputs);
    PrintLine("{\"typed\":" + JsonString(text) + "}");
}

void CommandPointer(const Arguments& args) {
    const POINT at = ParsePoint(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    MovePointerTo(at, timeoutMs);
    const HWND under = ::WindowFromPoint(at);
    PrintLine("{\"pointer\":" + JsonNumbers({at.x, at.y}) + ",\"under\":\"" + HandleText(under) +
              "\",\"class\":" + JsonString(ClassName(under)) + "}");
}

// A real click: the pointer goes there first, then a press and a release of the button.
void CommandClickAt(const Arguments& args) {
    const POINT at = ParsePoint(args);
    const std::wstring button = LowerCase(args.Get(L"button").value_or(L"left"));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    DWORD down = 0;
    DWORD up = 0;
    if (button == L"left") {
        down = MOUSEEVENTF_LEFTDOWN;
        up = MOUSEEVENTF_LEFTUP;
    } else if (button == L"right") {
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
    } else if (button == L"middle") {
        down = MOUSEEVENTF_MIDDLEDOWN;
        up = MOUSEEVENTF_MIDDLEUP;
    } else {
        Fail("--button is left, right or middle", kExitUsage);
    }
    MovePointerTo(at, timeoutMs);
    const HWND under = ::WindowFromPoint(at);
    std::vector<INPUT> inputs(2);
    for (auto& input : inputs) {
        input.type = INPUT_MOUSE;
    }
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    Send(inputs);
    PrintLine("{\"clicked\":" + JsonNumbers({at.x, at.y}) + ",\"button\":" + JsonString(button) +
              ",\"under\":\"" + HandleText(under) + "\",\"class\":" + JsonString(ClassName(under)) +
              "}");
}
} // namespace velkin::driver
