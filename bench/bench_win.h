// What the benchmarks that run under Windows share beyond bench_common.h: the clock, the paths
// and shell drops they feed the window, a private folder for Velkin's settings, a raw write to
// measure file writes against, and helpers that stand in for the user (answering message boxes)
// and for a watcher of the window's responsiveness.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench_common.h"

namespace bench {

namespace fs = std::filesystem;

inline LONGLONG Ticks() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline double TicksToMs(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// This program's own file.
inline fs::path OwnPath() {
    std::wstring path(32768, L'\0'); // the longest path the system has
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return fs::path(path);
}

// Text for the console and for files the benchmarks write: what is not ASCII shows as '?'.
inline std::string Ascii(std::wstring_view text) {
    std::string narrow;
    for (const wchar_t c : text) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

// A settings file for Velkin in the folder that names an archiver, so that Velkin starts
// without asking for one. The benchmarks' temporary folders have plain ASCII paths under Wine.
inline void WriteSettings(const fs::path& folder, const std::wstring& winRarPath) {
    std::ofstream ini(folder / "Velkin.ini", std::ios::binary);
    ini << "[Main]\r\nWinRARPath=" << Ascii(winRarPath) << "\r\n";
    if (!ini.flush()) {
        std::fprintf(stderr, "cannot write Velkin.ini\n");
        std::exit(1);
    }
}

// CreateFileW and WriteFile, nothing else: the least writing these bytes costs.
inline void RawWrite(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (!ok) {
        std::fprintf(stderr, "the raw write failed\n");
        std::exit(1);
    }
}

// A folder of this process's own in the temporary folder, made empty, for the files a benchmark
// makes.
inline fs::path TemporaryFolder() {
    const fs::path folder =
        fs::temp_directory_path() / ("velkin-bench-" + std::to_string(::GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    return folder;
}

// An archiver to name where none is started: any program that exists.
inline constexpr wchar_t kNoArchiver[] = L"C:\\windows\\notepad.exe";

// Velkin reads its settings from the folder of the running program. The benchmark copies itself
// (and whatever else it needs) into a temporary folder with a settings file that asks no
// questions, runs that copy with the same arguments and output, and removes the folder.
// Returns -1 in the copy (go on benchmarking), else the copy's exit code.
inline int RunInPrivateFolder(const std::vector<std::string>& companions,
                              const std::string& winRarName) {
    constexpr wchar_t kMarker[] = L"VELKIN_BENCH_PRIVATE_COPY";
    if (::GetEnvironmentVariableW(kMarker, nullptr, 0) != 0) {
        return -1;
    }
    const fs::path self = OwnPath();
    const fs::path folder = TemporaryFolder();
    fs::copy_file(self, folder / self.filename(), fs::copy_options::overwrite_existing);
    for (const auto& name : companions) {
        fs::copy_file(self.parent_path() / name, folder / name,
                      fs::copy_options::overwrite_existing);
    }
    WriteSettings(folder,
                  winRarName.empty() ? std::wstring(kNoArchiver) : (folder / winRarName).wstring());
    ::SetEnvironmentVariableW(kMarker, L"1");
    const fs::path copy = folder / self.filename();
    std::wstring commandLine = ::GetCommandLineW();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    int status = 1;
    if (::CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         folder.c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        ::GetExitCodeProcess(process.hProcess, &code);
        status = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "cannot start the private copy (error %lu)\n", ::GetLastError());
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}

// Plays the user in front of message boxes: every box the process shows is answered with Yes,
// or OK when it has no Yes. What each box said is kept, so that a benchmark can tell an
// expected question from an error report.
class BoxAnswerer {
public:
    BoxAnswerer() {
        ::InitializeCriticalSection(&lock_);
        thread_ = ::CreateThread(nullptr, 0, &BoxAnswerer::Loop, this, 0, nullptr);
    }
    ~BoxAnswerer() {
        stop_ = true;
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        ::DeleteCriticalSection(&lock_);
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    std::vector<std::wstring> Answered() {
        ::EnterCriticalSection(&lock_);
        std::vector<std::wstring> copy = answered_;
        ::LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        wchar_t className[32] = {};
        ::GetClassNameW(window, className, 32);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
            std::wstring(className) == L"#32770") {
            reinterpret_cast<BoxAnswerer*>(self)->Answer(window);
        }
        return TRUE;
    }
    void Answer(HWND box) {
        if (box == lastBox_) {
            return; // already answered; it is on its way out
        }
        wchar_t text[512] = {};
        ::GetDlgItemTextW(box, 0xFFFF, text, 512); // the message box's static text
        const int button = ::GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK;
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
        lastBox_ = box;
        ::EnterCriticalSection(&lock_);
        answered_.emplace_back(text);
        ::LeaveCriticalSection(&lock_);
    }
    static DWORD WINAPI Loop(void* self) {
        auto* answerer = static_cast<BoxAnswerer*>(self);
        while (!answerer->stop_) {
            ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(answerer));
            ::Sleep(5);
        }
        return 0;
    }
    std::atomic<bool> stop_{false};
    HWND lastBox_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<std::wstring> answered_;
    HANDLE thread_ = nullptr;
};

// Watches how promptly a window handles its messages: a second thread posts it a stamped
// message every few milliseconds; the window's procedure, wrapped, records how long each one
// waited. The longest wait is the longest the window left its user without an answer.
class ResponsivenessProbe {
public:
    explicit ResponsivenessProbe(HWND window) : window_(window) {
        message_ = ::RegisterWindowMessageW(L"VelkinBenchProbe");
        ::SetPropW(window_, L"VelkinBenchProbe", this);
        original_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ResponsivenessProbe::Proc)));
    }
    ~ResponsivenessProbe() {
        Stop();
        ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        ::RemovePropW(window_, L"VelkinBenchProbe");
    }
    void Start(DWORD intervalMs = 5) {
        Stop();
        longestMs_ = 0;
        longestDisabledMs_ = 0;
        handled_ = 0;
        handledDisabled_ = 0;
        stop_ = false;
        intervalMs_ = intervalMs;
        thread_ = ::CreateThread(nullptr, 0, &ResponsivenessProbe::Post, this, 0, nullptr);
    }
    // Stops posting and lets the window handle what is still waiting.
    void Stop() {
        if (thread_ == nullptr) {
            return;
        }
        stop_ = true;
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        thread_ = nullptr;
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    double LongestMs() const { return longestMs_; }
    long Handled() const { return handled_; }
    // When the message that waited longest was posted, in Ticks().
    LONGLONG LongestPostedAt() const { return longestPostedAt_; }
    // A moment of the caller's choosing to tell the longest wait's place against.
    void SetOrigin(LONGLONG ticks) { origin_ = ticks; }
    LONGLONG Origin() const { return origin_; }
    // Only the messages posted while the window was disabled with no box of its own in front, as
    // while an archiver runs. A modal box disables its owner too, and its closing is no part of
    // a run: on a display without a window manager, Wine waited 2 s for every closing box.
    double LongestDisabledMs() const { return longestDisabledMs_; }
    long HandledDisabled() const { return handledDisabled_; }

private:
    static DWORD WINAPI Post(void* instance) {
        auto* self = static_cast<ResponsivenessProbe*>(instance);
        while (!self->stop_) {
            // Marked when the window is disabled without a box in front, as while an archiver
            // runs.
            const WPARAM disabled = !::IsWindowEnabled(self->window_) &&
                                            ::GetWindow(self->window_, GW_ENABLEDPOPUP) == nullptr
                                        ? 1
                                        : 0;
            ::PostMessageW(self->window_, self->message_, disabled, static_cast<LPARAM>(Ticks()));
            ::Sleep(self->intervalMs_);
        }
        return 0;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = static_cast<ResponsivenessProbe*>(::GetPropW(window, L"VelkinBenchProbe"));
        if (message == self->message_) {
            const double waited = TicksToMs(Ticks() - static_cast<LONGLONG>(lParam));
            if (waited > self->longestMs_) {
                self->longestMs_ = waited;
                self->longestPostedAt_ = static_cast<LONGLONG>(lParam);
            }
            ++self->handled_;
            if (wParam != 0) {
                self->longestDisabledMs_ = std::max(self->longestDisabledMs_, waited);
                ++self->handledDisabled_;
            }
            return 0;
        }
        return ::CallWindowProcW(self->original_, window, message, wParam, lParam);
    }
    HWND window_;
    UINT message_ = 0;
    WNDPROC original_ = nullptr;
    std::atomic<bool> stop_{true};
    double longestMs_ = 0;
    double longestDisabledMs_ = 0;
    LONGLONG longestPostedAt_ = 0;
    LONGLONG origin_ = 0;
    long handled_ = 0;
    long handledDisabled_ = 0;
    DWORD intervalMs_ = 5;
    HANDLE thread_ = nullptr;
};

// Handles whatever waits in the thread's queue, paints included; returns when it is empty.
inline void Drain() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The thread idle for a while, handling each message as it comes, as the main loop does: the
// floor of what a probe can see on this machine.
inline void Idle(double ms) {
    const LONGLONG from = Ticks();
    while (TicksToMs(Ticks() - from) < ms) {
        Drain();
        // Without MWMO_INPUTAVAILABLE, Wine lets a message that came in before the wait sleep
        // until the time-out.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// Paths of 60 to 100 characters, every third with Japanese in its folders and name, as a large
// selection out of a photo library or a document tree would give.
inline std::wstring PathAt(int i) {
    static const wchar_t* const kFolders[] = {
        L"C:\\Users\\bench\\Documents\\Projects\\Quarterly reports\\",
        L"D:\\データ\\写真\\2024年\\家族旅行の記録\\",
        L"C:\\Work\\Shared\\Design\\Assets\\Exported\\",
    };
    static const wchar_t* const kStems[] = {L"report_", L"報告書_最終版_", L"image_export_"};
    const int kind = i % 3;
    std::wstring path = kFolders[kind];
    path += L"folder_" + std::to_wstring(i / 1000) + L"\\";
    path += kStems[kind];
    path += std::to_wstring(i);
    // Lengths spread over the range, the same for every run.
    const std::size_t target = 60 + static_cast<std::size_t>((i * 37) % 41);
    const std::size_t withExtension = path.size() + 4;
    if (withExtension < target) {
        path.append(target - withExtension, kind == 1 ? L'資' : L'x');
    }
    path += L".txt";
    return path;
}

// A shell drop as the shell builds it: a DROPFILES header, then the wide paths, each ended by
// a NUL, and one more NUL after the last. The paths come one at a time from pathAt(i), so that
// a drop of many paths never exists twice in memory.
template <typename PathAt> HGLOBAL MakeDrop(int count, PathAt pathAt) {
    std::vector<wchar_t> list;
    for (int i = 0; i < count; ++i) {
        const std::wstring path = pathAt(i);
        list.insert(list.end(), path.begin(), path.end());
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL global = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (global == nullptr) {
        std::fprintf(stderr, "GlobalAlloc of %zu bytes failed\n", static_cast<std::size_t>(size));
        std::exit(1);
    }
    auto* header = static_cast<DROPFILES*>(::GlobalLock(global));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::copy(list.begin(), list.end(),
              reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES)));
    ::GlobalUnlock(global);
    return global;
}

inline HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
    return MakeDrop(static_cast<int>(paths.size()),
                    [&paths](int i) { return paths[static_cast<std::size_t>(i)]; });
}

} // namespace bench
