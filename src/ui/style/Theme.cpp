// Light and dark palettes on the Fusion style, the System appearance that follows the desktop's
// preference, and the brand colours. UI thread only.
#include "ui/style/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

#include <optional>

namespace lumara::ui {

namespace {

QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

void setDisabled(QPalette& p, const QColor& text)
{
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText})
        p.setColor(QPalette::Disabled, role, text);
}

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, rgb(0.13, 0.125, 0.16));
    p.setColor(QPalette::WindowText, rgb(0.93, 0.92, 0.96));
    p.setColor(QPalette::Base, rgb(0.10, 0.095, 0.125));
    p.setColor(QPalette::AlternateBase, rgb(0.16, 0.15, 0.19));
    p.setColor(QPalette::Text, rgb(0.93, 0.92, 0.96));
    p.setColor(QPalette::PlaceholderText, rgb(0.55, 0.53, 0.60));
    p.setColor(QPalette::Button, rgb(0.19, 0.18, 0.23));
    p.setColor(QPalette::ButtonText, rgb(0.93, 0.92, 0.96));
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::ToolTipBase, rgb(0.20, 0.19, 0.24));
    p.setColor(QPalette::ToolTipText, rgb(0.93, 0.92, 0.96));
    p.setColor(QPalette::Light, rgb(0.28, 0.27, 0.33));
    p.setColor(QPalette::Midlight, rgb(0.22, 0.21, 0.27));
    p.setColor(QPalette::Mid, rgb(0.16, 0.15, 0.20));
    p.setColor(QPalette::Dark, rgb(0.07, 0.065, 0.09));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Link, brandAccentPale());
    setDisabled(p, rgb(0.45, 0.44, 0.50));
    return p;
}

QPalette lightPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, rgb(0.955, 0.95, 0.97));
    p.setColor(QPalette::WindowText, rgb(0.11, 0.10, 0.14));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, rgb(0.97, 0.96, 0.99));
    p.setColor(QPalette::Text, rgb(0.11, 0.10, 0.14));
    p.setColor(QPalette::PlaceholderText, rgb(0.55, 0.53, 0.60));
    p.setColor(QPalette::Button, rgb(0.985, 0.98, 0.995));
    p.setColor(QPalette::ButtonText, rgb(0.11, 0.10, 0.14));
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::ToolTipBase, rgb(1.0, 1.0, 1.0));
    p.setColor(QPalette::ToolTipText, rgb(0.11, 0.10, 0.14));
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, rgb(0.93, 0.92, 0.95));
    p.setColor(QPalette::Mid, rgb(0.78, 0.77, 0.82));
    p.setColor(QPalette::Dark, rgb(0.62, 0.61, 0.66));
    p.setColor(QPalette::Shadow, rgb(0.3, 0.3, 0.3));
    p.setColor(QPalette::Link, brandAccent());
    setDisabled(p, rgb(0.62, 0.61, 0.66));
    return p;
}

QPalette tinted(QPalette p)
{
    p.setColor(QPalette::Highlight, brandAccent());
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

// The desktop's own palette, remembered before the first override.
QPalette& systemPalette()
{
    static QPalette palette = QApplication::palette();
    return palette;
}

// The theme last applied (none before the first applyAppTheme) and what the desktop prefers.
struct Appearance {
    std::optional<AppTheme> applied;
    DesktopColorScheme desktop = DesktopColorScheme::none;
};

Appearance& appearance()
{
    static Appearance state;
    return state;
}

QPalette paletteFor(AppTheme theme)
{
    switch (theme) {
    case AppTheme::light: return lightPalette();
    case AppTheme::dark: return darkPalette();
    case AppTheme::system: break;
    }
    switch (appearance().desktop) {
    case DesktopColorScheme::light: return lightPalette();
    case DesktopColorScheme::dark: return darkPalette();
    case DesktopColorScheme::none: break;
    }
    return systemPalette();
}

} // namespace

QColor brandAccent() { return rgb(0.42, 0.22, 0.91); }
QColor brandAccentPale() { return rgb(0.72, 0.58, 1.0); }

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

int storedAppTheme(const QSettings& settings)
{
    bool ok = false;
    const int value = settings.value(kAppThemeKey, int(kDefaultAppTheme)).toInt(&ok);
    return ok ? value : int(kDefaultAppTheme);
}

bool applyAppTheme(int rawValue)
{
    if (rawValue < 0 || rawValue > 2) return false;
    systemPalette(); // capture before any override
    if (!QApplication::style() || QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    appearance().applied = AppTheme(rawValue);
    QApplication::setPalette(tinted(paletteFor(AppTheme(rawValue))));
    return true;
}

void setDesktopColorScheme(DesktopColorScheme scheme)
{
    Appearance& state = appearance();
    if (state.desktop == scheme) return;
    state.desktop = scheme;
    if (state.applied == AppTheme::system) QApplication::setPalette(tinted(paletteFor(AppTheme::system)));
}

QFont pixelFont(const QFont& base, int pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

bool isDarkAppearance() { return QApplication::palette().color(QPalette::Window).lightnessF() < 0.5; }

SidebarColors sidebarColors(bool dark)
{
    if (dark) return {rgb(0.11, 0.10, 0.14), rgb(0.2, 0.18, 0.26), rgb(0.18, 0.15, 0.24), brandAccentPale()};
    return {rgb(0.97, 0.96, 0.99), rgb(0.9, 0.88, 0.94), withAlpha(brandAccent(), 0.12), brandAccent()};
}

QString thinScrollBarStyle()
{
    return QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 90); border-radius: 3px; min-height: 32px; margin: 2px 3px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(128, 128, 128, 150); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }");
}

} // namespace lumara::ui
