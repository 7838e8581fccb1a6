#include "settings/settings_file_win.h"

#include <string>

#include "platform/dpi.h"
#include "platform/ini_file_store.h"
#include "platform/program_directory.h"
#include "settings/settings_file.h"

namespace velkin::win {

Settings ReadSettingsFile(UINT dpi) {
    const IniFileStore store(SettingsFilePath(ProgramDirectory()));
    Settings defaults = DefaultSettings();
    defaults.width = ScaleForDpi(defaults.width, dpi);
    defaults.height = ScaleForDpi(defaults.height, dpi);
    for (auto& width : defaults.columnWidths) {
        width = ScaleForDpi(width, dpi);
    }
    return LoadSettings(store, std::move(defaults));
}

std::array<bool, kProfileCount> ProfilesInSettingsFile() {
    return ProfilesHeld(IniFileStore(SettingsFilePath(ProgramDirectory())));
}

void WriteSettingsFile(const Settings& settings) {
    const std::wstring path = SettingsFilePath(ProgramDirectory());
    IniFileStore store(path);
    SaveSettings(store, settings, path);
}

} // namespace velkin::win
