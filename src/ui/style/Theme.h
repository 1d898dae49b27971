// The application's look: the brand colours, the appearance preference "appTheme" and the
// light and dark palettes it switches between application-wide. UI thread only.
#pragma once

#include "document/PreferenceKeys.h"
#include "ui/style/DesktopColorScheme.h"

#include <QColor>
#include <QFont>

class QSettings;
class QWidget;

namespace lumara::ui {

inline constexpr const char* kAppThemeKey = keys::appTheme;

// Integer raw values as stored in the preference store.
enum class AppTheme : int { system = 0, light = 1, dark = 2 };
inline constexpr AppTheme kDefaultAppTheme = AppTheme::dark;

// sRGB 0.42, 0.22, 0.91: the window's tint and the selection colour of the strip and canvas.
QColor brandAccent();
// sRGB 0.72, 0.58, 1.0: the accent on dark backgrounds.
QColor brandAccentPale();

// The stored "appTheme" integer (default 2, dark). Values outside 0...2 are returned unchanged.
int storedAppTheme(const QSettings& settings);

// Applies an "appTheme" value to the whole application. 0 follows the desktop: the light or dark
// palette while the desktop prefers one (see setDesktopColorScheme), else the palette the
// application started with, and it keeps following each change of that preference. 1 and 2 switch
// every window to the light or dark palette at once and keep it, whatever the desktop prefers,
// until 0 is applied again. A value outside 0...2 leaves the appearance as it is. Returns whether
// anything was applied. Needs a QApplication.
bool applyAppTheme(int rawValue);

// Records what the desktop prefers now (none when it does not say) and, while the applied
// "appTheme" is 0, switches the whole application to match at once. Before any applyAppTheme it
// only records. Needs a QApplication once a theme has been applied.
void setDesktopColorScheme(DesktopColorScheme scheme);

// Whether the application's current palette is a dark one (its window colour is dark).
bool isDarkAppearance();

// `base` at a size in device-independent pixels (the window's points) and a weight.
QFont pixelFont(const QFont& base, int pixels, QFont::Weight weight = QFont::Normal);

// A colour with its alpha replaced.
QColor withAlpha(QColor color, double alpha);

// The side columns' own colours for the light and dark appearance: the preset sidebar's background,
// selected row and selection ring, and the divider between the window's columns.
struct SidebarColors {
    QColor background, divider, selectedRow, selectionRing;
};
SidebarColors sidebarColors(bool dark);

// A slim scroll bar that suits the sidebar and the panels.
QString thinScrollBarStyle();

} // namespace lumara::ui
