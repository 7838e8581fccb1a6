#include "app/app_model.h"

namespace velkin {

void ApplySettings(const Settings& settings, AppModel& model) {
    for (int n = 1; n <= kProfileCount; ++n) {
        model.profiles.SetText(n, settings.profileTexts[static_cast<std::size_t>(n - 1)]);
    }
    model.savePath = settings.savePath;
    model.clearEnd = settings.clearEnd;
    model.eachItem = settings.eachItem;
    model.winRarPath = settings.winRarPath;
    model.profiles.Select(settings.selectedProfile);
}

void ApplyDefaultProfiles(const std::array<bool, kProfileCount>& held, AppModel& model) {
    const auto& defaults = ProfileSet::DefaultTexts(model.archiverKind());
    for (int n = 1; n <= kProfileCount; ++n) {
        const auto at = static_cast<std::size_t>(n - 1);
        if (!held[at]) {
            model.profiles.SetText(n, std::wstring(defaults[at]));
        }
    }
}

void StoreSettings(const AppModel& model, Settings& settings) {
    for (int n = 1; n <= kProfileCount; ++n) {
        settings.profileTexts[static_cast<std::size_t>(n - 1)] = model.profiles.Option(n);
    }
    settings.winRarPath = model.winRarPath;
    settings.selectedProfile = model.profiles.SelectedNo();
    settings.savePath = model.savePath;
    settings.clearEnd = model.clearEnd;
    settings.eachItem = model.eachItem;
}

} // namespace velkin
