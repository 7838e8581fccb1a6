#include "settings/settings_values.h"

namespace velkin {

Settings DefaultSettings() {
    Settings settings;
    const auto& defaults = ProfileSet::DefaultTexts();
    for (std::size_t i = 0; i < defaults.size(); ++i) {
        settings.profileTexts[i] = std::wstring(defaults[i]);
    }
    return settings;
}

} // namespace velkin
