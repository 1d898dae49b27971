// The three first-run pages: a live orb of a preset per page on a dark backdrop tinted by that
// orb's colours, the page dots, "Continue" / "Get Started", "Don’t show this again", paging by
// button and by horizontal drag. Always dark. Built and drawn in OnboardingView.cpp, paged in
// OnboardingPaging.cpp; what each page says and shows is in OnboardingPages.h. The orb is rendered
// off the UI thread by a FrameRenderer; everything else is UI thread only.
#pragma once

#include "model/CodableColor.h"
#include "model/OrbValues.h"
#include "ui/canvas/FrameRenderer.h"
#include "ui/onboarding/OnboardingPages.h"
#include "ui/onboarding/Tween.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QSettings;

namespace lumara::ui {

class OnboardingView : public QWidget {
    Q_OBJECT
public:
    // `settings` receives "hasSeenOnboarding" and must outlive the view. `reduceMotion` makes
    // every change instant.
    OnboardingView(QSettings* settings, bool reduceMotion, QWidget* parent = nullptr);
    ~OnboardingView() override;

    int currentPage() const { return m_currentPage; }
    int pageCount() const { return int(onboardingPages().size()); }
    bool reduceMotion() const { return m_reduceMotion; }
    bool isPresented() const { return m_isPresented; }
    bool appearAnimation() const { return m_appearAnimation; }
    bool dontShowAgain() const;
    double dragOffset() const { return m_dragOffset.value(); }
    // The orb's scale and opacity now (0.9 and 0 before the entry animation, 1 and 1 after).
    double orbScale() const;
    double orbOpacity() const;
    // The accent of the page shown.
    CodableColor accentColor() const;

    QLabel* titleLabel() const { return m_title; }
    QLabel* subtitleLabel() const { return m_subtitle; }
    PageDots* pageDots() const { return m_dots; }
    QPushButton* mainButton() const { return m_button; }
    QCheckBox* dontShowAgainBox() const { return m_checkbox; }
    // The text column's width in points and the text's size against its own (1 unless the desktop's
    // fonts are too wide for the panel).
    int textWidth() const { return m_textWidth; }
    double textScale() const { return m_textScale; }
    // The current orb's shadow: its silhouette blurred, as alpha (empty before the first frame).
    const QImage& orbShadow() const { return m_orbShadow; }
    // Where the orb's 156-point frame lies in the view (before any drag shift).
    QRect orbFrame() const;
    // Frames of the live orb delivered so far.
    qint64 presentedFrames() const { return m_presentedFrames; }

    // The opacity of the whole panel, for the layer's fade in and out (1 by default).
    void setLayerOpacity(double opacity);

    // The main button's action: the next page, or finish on the last.
    void advance();
    // Writes "hasSeenOnboarding" when the box is ticked, then closes (emits `closed`).
    void finish();

signals:
    void currentPageChanged(int page);
    // The pages are done; the layer holding them should go (over 0.2 s, or at once).
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void setPage(int page);
    void applyBlockOpacity();
    void showPageContent(bool animated);
    void tick();
    void frameReady(const Frame& frame);
    QRectF orbRect(double scale) const;
    // Chooses the text column's width and the text's size so that every page keeps its rhythm.
    void fitTextToPanel();
    static QString subtitleHtml(const QString& subtitle);
    // The accent on show: the page left behind's, turning into this page's as the change runs.
    CodableColor shownAccent() const;

    QSettings* m_settings;
    bool m_reduceMotion;
    bool m_isPresented = true;
    bool m_appearAnimation = false;
    int m_currentPage = 0;

    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QWidget* m_textBlock = nullptr;
    QWidget* m_bottomBlock = nullptr;
    QWidget* m_orbPlaceholder = nullptr;
    PageDots* m_dots = nullptr;
    OnboardingButton* m_button = nullptr;
    QCheckBox* m_checkbox = nullptr;

    Tween m_appear;         // 0 before the entry animation, 1 after
    Tween m_pageChange;     // 0 at the start of a page change, 1 when done
    Tween m_textFade;       // opacity of the text block during a page change
    Tween m_dragOffset;     // points
    CodableColor m_previousAccent;
    double m_layerOpacity = 1.0;
    bool m_dragging = false;
    bool m_pressed = false;
    QPointF m_pressPosition;

    FrameRenderer m_renderer;
    QImage m_orbImage;      // the current page's orb, device pixels
    QImage m_previousOrb;   // the page left behind, fading out
    QImage m_orbShadow;     // the current orb's silhouette, blurred (white; tinted when drawn)
    int m_textWidth = 360;  // points
    double m_textScale = 1.0;
    bool m_frameWanted = false;
    qint64 m_presentedFrames = 0;
    QTimer m_frameTimer;
    QElapsedTimer m_clock;
};

} // namespace lumara::ui
