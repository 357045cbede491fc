#pragma once

#include "app/AppSettings.h"
#include "app/AppState.h"
#include "config/StationConfigStore.h"

namespace vireon {

// Runs `redraw` whenever the station configuration, the application settings or the application
// state change. The store and the settings are watched directly, not only through the state's
// deferred re-announcement, so the form follows its own edits without waiting for the event loop.
template <typename Redraw>
void onStateChange(AppState& state, QObject* context, Redraw redraw)
{
    QObject::connect(&state.configStore(), &StationConfigStore::changed, context, redraw);
    QObject::connect(&state.settings(), &AppSettings::changed, context, redraw);
    QObject::connect(&state, &AppState::changed, context, redraw);
}

} // namespace vireon
