#pragma once

// The real main window held in the benchmark's own process, for the benchmarks of Start: groups
// dropped onto it as the shell drops them, commands as the menu sends them.

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "base/message_texts.h"
#include "bench_win.h"

namespace bench {

struct RunWindow {
    velkin::win::MainWindow main{::GetModuleHandleW(nullptr)};
    RunWindow() {
        main.Show(SW_SHOWNORMAL);
        Drain();
    }
    void Command(unsigned id) {
        ::SendMessageW(main.handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Drain();
    }
    // One drop per group: each its own file, so its own archive.
    void DropGroups(const std::vector<fs::path>& files) {
        for (const auto& file : files) {
            const std::vector<std::wstring> paths = {file.wstring()};
            ::PostMessageW(main.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)),
                           0);
            Drain();
        }
        if (main.model().dropCount != static_cast<std::int32_t>(files.size())) {
            std::fprintf(stderr, "the window holds %d groups, not %zu\n", main.model().dropCount,
                         files.size());
            std::exit(1);
        }
    }
    void CheckAllDone() {
        for (const auto& row : main.model().rows) {
            if (row.status != velkin::text::kStatusDone) {
                std::fprintf(stderr, "a row's status after the run is not the done status\n");
                std::exit(1);
            }
        }
    }
};

} // namespace bench
