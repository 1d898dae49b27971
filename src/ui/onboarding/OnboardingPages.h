// What the first-run pages say and show: their texts and presets, each page's accent, whether the
// pages are still wanted, and the painted parts of a page (the page dots and the main button).
// UI thread only.
#pragma once

#include "model/CodableColor.h"
#include "model/OrbValues.h"
#include "ui/onboarding/Tween.h"

#include <QPushButton>
#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class QSettings;

namespace lumara::ui {

struct OnboardingPage {
    const char* titleText;    // English, the translation's key
    const char* subtitleText; // English, the translation's key
    const char* presetName;
    // The texts in the user's language, looked up when asked for.
    QString title() const;
    QString subtitle() const;
};
const std::array<OnboardingPage, 3>& onboardingPages();

// The page's accent: of the background colours, the one with the largest red + green + blue (as
// stored), the earlier one on a tie; white (1, 1, 1, 1) when there are none.
CodableColor pageAccentColor(const OrbValues& values);

// Whether the first-run pages are still wanted: "hasSeenOnboarding" is not true.
bool wantsOnboarding(const QSettings& settings);

// The capsules under the text: the current page's is 20 points wide and white, the others 7 wide
// at opacity 0.28; width and colour move with the page.
class PageDots : public QWidget {
    Q_OBJECT
public:
    PageDots(int count, QWidget* parent = nullptr);
    // Moves the highlight to `page` over 0.25 s, or at once.
    void setCurrent(int page, bool animated);
    // Current widths in points, left to right.
    std::vector<double> dotWidths() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double weight(int index) const; // 1 for the current page, 0 for others, between while moving
    int m_count;
    int m_from = 0;
    int m_to = 0;
    Tween m_progress;
};

// The main button: the brand gradient in a rounded rectangle, white semibold text.
class OnboardingButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lumara::ui
