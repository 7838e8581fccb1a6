#include "app/app_model.h"

namespace velkin {

void ApplySettings(const Settings& settings, AppModel& model) {
    for (int n = 1; n <= kProfileCount; ++n) {
        model.profiles.SetText(n, settings.profileTexts[static_cast<std::size_t>(n - 1)]);
    }
    model.savePath = settings.savePath;
    model.clearEnd = settings.clearEnd;
    model.winRarPath = settings.winRarPath;
    model.profiles.Select(settings.selectedProfile);
}

void StoreSettings(const AppModel& model, Settings& settings) {
    for (int n = 1; n <= kProfileCount; ++n) {
        settings.profileTexts[static_cast<std::size_t>(n - 1)] = model.profiles.Option(n);
    }
    settings.winRarPath = model.winRarPath;
    settings.selectedProfile = model.profiles.SelectedNo();
    settings.savePath = model.savePath;
    settings.clearEnd = model.clearEnd;
}

} // namespace velkin
