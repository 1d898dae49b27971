// An in-window modal layer: a black backdrop over the whole window with one content widget centred
// above it. It fades in and out, keeps keyboard focus inside while shown, turns Escape into the
// content's cancel action and, where asked, a click on the backdrop into its dismissal. While it is
// shown, the window's shortcuts stay with the layer (only Quit passes), so a key meant for the
// window behind — Undo, Open, another export — cannot act on the document under the layer.
// UI thread only.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace lumara::ui {

class DimmedOverlay : public QWidget {
    Q_OBJECT
    Q_PROPERTY(double fadeLevel READ fadeLevel WRITE setFadeLevel)
public:
    // Covers `window` (its parent) and takes ownership of `content`.
    DimmedOverlay(QWidget* window, QWidget* content);

    QWidget* content() const { return m_content; }

    // Backdrop darkness, 0 ... 1 (0.4 for every layer of the editor).
    void setBackdropOpacity(double opacity);
    double backdropOpacity() const { return m_backdropOpacity; }

    // Whether a click on the backdrop calls the dismiss action (off by default, and a click does
    // nothing without an action).
    void setDismissOnBackdropClick(bool dismiss) { m_dismissOnBackdropClick = dismiss; }
    bool dismissesOnBackdropClick() const { return m_dismissOnBackdropClick; }
    void setOnDismiss(std::function<void()> action) { m_onDismiss = std::move(action); }
    // What Escape does inside the layer (the content's Done or Cancel); nothing when unset.
    void setOnEscape(std::function<void()> action) { m_onEscape = std::move(action); }

    // Shows the layer above everything else in the window, fading in over 0.2 s (ease-out), and
    // moves keyboard focus to the content's first focusable control.
    void present();
    // Fades out over 0.2 s, then hides and deletes the layer. Safe to call more than once.
    void dismiss();
    bool isDismissing() const { return m_dismissing; }
    // 0 (gone) ... 1 (fully shown): scales the backdrop and the content's opacity while fading.
    double fadeLevel() const { return m_fadeLevel; }
    void setFadeLevel(double level);
    // Centres the content again at its current size hint (after it changed what it shows).
    void placeContent();

signals:
    void backdropClicked();
    // After the fade-out, just before the layer deletes itself.
    void dismissed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fade(double to);
    void keepFocusInside(QWidget* now);

    QWidget* m_content;
    QGraphicsOpacityEffect* m_effect = nullptr;
    QPointer<QPropertyAnimation> m_fade;
    double m_backdropOpacity = 0.4;
    double m_fadeLevel = 0.0;
    bool m_dismissOnBackdropClick = false;
    bool m_dismissing = false;
    std::function<void()> m_onDismiss;
    std::function<void()> m_onEscape;
};

} // namespace lumara::ui
