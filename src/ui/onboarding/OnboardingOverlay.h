// The layer that holds the first-run pages over the whole main window: a black backdrop at 0.4,
// the pages centred on it, a 0.2 s fade in and out, clicks on the backdrop ignored and focus kept
// on the pages. It deletes itself once the pages are finished and it has faded out. UI thread only.
#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QSettings;

namespace lumara::ui {

class OnboardingView;

class OnboardingOverlay : public QWidget {
    Q_OBJECT
public:
    // Covers `host` (following its size); `settings` receives "hasSeenOnboarding".
    OnboardingOverlay(QWidget* host, QSettings* settings, bool reduceMotion);

    OnboardingView* view() const { return m_view; }

signals:
    // The pages were finished and the layer is gone from the screen (it is deleted next).
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fade(double from, double to, bool thenClose);
    void place();
    void setFadeOpacity(double opacity);

    QWidget* m_host;
    OnboardingView* m_view;
    bool m_reduceMotion;
    bool m_shownOnce = false;
    double m_opacity = 0.0;
};

} // namespace lumara::ui
