#include "app/window_settings_win.h"

#include "app/main_dialogs_win.h"
#include "app/main_menu_win.h"
#include "settings/settings_file_win.h"

namespace velkin::win {

void ApplyStartupSettings(HWND window, WindowPlacer& placer, JobListView& list, AppModel& model) {
    const Settings settings = ReadSettingsFile(list.dpi());
    const ScreenRect stored =
        StoredWindowRect(settings.left, settings.top, settings.width, settings.height);
    placer.PlaceAtStored(window, RECT{stored.left, stored.top, stored.right, stored.bottom});
    ApplySettings(settings, model);
    list.SetColumnWidths(settings.columnWidths);
    RefreshMainMenu(window, model);
    if (model.winRarPath.empty()) {
        model.winRarPath = AskArchiverLocation();
    }
    // The defaults read above are WinRAR's; another kind's are known only now.
    if (model.archiverKind() != ArchiverKind::WinRar) {
        ApplyDefaultProfiles(ProfilesInSettingsFile(), model);
        RefreshMainMenu(window, model);
    }
}

void WriteWindowSettings(HWND window, const JobListView& list, const AppModel& model) {
    Settings settings;
    const RECT bounds = WindowBoundsToStore(window);
    settings.left = bounds.left;
    settings.top = bounds.top;
    settings.width = bounds.right - bounds.left;
    settings.height = bounds.bottom - bounds.top;
    settings.columnWidths = list.GetColumnWidths();
    StoreSettings(model, settings);
    WriteSettingsFile(settings);
}

} // namespace velkin::win
