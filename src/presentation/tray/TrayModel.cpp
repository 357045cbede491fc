#include "presentation/tray/TrayModel.h"

namespace vireon {

TrayModel TrayModel::make(const PanelModel& panel)
{
    TrayModel model;
    model.iconState = panel.iconState;
    model.toolTip = panel.statusLine;
    const auto add = [&model](const QString& text, std::optional<PanelAction> action) {
        model.menu.append(Entry{text, action, false});
    };
    const auto separate = [&model] { model.menu.append(Entry{{}, std::nullopt, true}); };
    add(panel.statusLine, std::nullopt);
    for (const PanelModel::Button& button : panel.hintButtons)
        add(button.label, button.action);
    separate();
    add(panel.startStopLabel, PanelAction::startStop);
    if (panel.liveMap)
        add(PanelModel::liveMapLabel(), PanelAction::openLiveMap);
    if (panel.feederPage)
        add(PanelModel::feederPageLabel(), PanelAction::openFeederPage);
    separate();
    add(PanelModel::settingsLabel(), PanelAction::settings);
    add(PanelModel::quitLabel(), PanelAction::quit);
    return model;
}

TrayModel TrayModel::of(const AppState& state)
{
    return make(PanelModel::of(state));
}

} // namespace vireon
