// Every key the editor keeps in the preference store, with its default, in one place. The update
// checker keeps its own two keys beside these (see update/CheckForUpdatesViewModel.h).
#pragma once

namespace lumara::keys {

inline constexpr const char* appTheme = "appTheme";                   // int AppTheme, default 2 (dark)
inline constexpr const char* canvasBackground = "canvasBackground";   // int CanvasBackground, default 0
inline constexpr const char* hasSeenOnboarding = "hasSeenOnboarding"; // bool, default false
inline constexpr const char* lastProject = "lastProject";             // JSON project record
inline constexpr const char* lastConfiguration = "lastConfiguration"; // older JSON record, read only
inline constexpr const char* recentFiles = "recentFiles";             // list of paths, newest first

} // namespace lumara::keys
