// The in-window modal layer. UI thread only.
#include "ui/widgets/DimmedOverlay.h"

#include <QApplication>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>

namespace lumara::ui {

DimmedOverlay::DimmedOverlay(QWidget* window, QWidget* content) : QWidget(window), m_content(content)
{
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus); // focus belongs to the content's controls
    m_content->setParent(this);
    setGeometry(window->rect());
    window->installEventFilter(this); // follow the window's size
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { keepFocusInside(now); });
    hide();
}

void DimmedOverlay::setBackdropOpacity(double opacity)
{
    m_backdropOpacity = std::clamp(opacity, 0.0, 1.0);
    update();
}

void DimmedOverlay::present()
{
    m_dismissing = false;
    setGeometry(parentWidget()->rect());
    placeContent();
    raise();
    show();
    fade(1.0);
    QWidget* first = m_content;
    for (QWidget* candidate = m_content->nextInFocusChain(); candidate && candidate != m_content; candidate = candidate->nextInFocusChain())
        if (m_content->isAncestorOf(candidate) && candidate->focusPolicy() & Qt::TabFocus && candidate->isEnabled() && candidate->isVisibleTo(this)) {
            first = candidate;
            break;
        }
    first->setFocus(Qt::OtherFocusReason);
}

void DimmedOverlay::dismiss()
{
    if (m_dismissing) return;
    m_dismissing = true;
    fade(0.0);
}

void DimmedOverlay::setFadeLevel(double level)
{
    m_fadeLevel = level;
    if (m_effect) m_effect->setOpacity(level);
    update();
}

void DimmedOverlay::fade(double to)
{
    // The backdrop fades by its own alpha; only the content goes through an opacity effect, and
    // only while it fades: drawing through an effect costs an offscreen layer per frame.
    if (!m_effect) {
        m_effect = new QGraphicsOpacityEffect(m_content);
        m_effect->setOpacity(m_fadeLevel);
        m_content->setGraphicsEffect(m_effect);
    }
    if (m_fade) m_fade->stop();
    auto* animation = new QPropertyAnimation(this, "fadeLevel", this);
    animation->setDuration(200);
    animation->setStartValue(m_fadeLevel);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QPropertyAnimation::finished, this, [this, to] {
        if (to > 0.5) {
            m_content->setGraphicsEffect(nullptr);
            m_effect = nullptr;
            return;
        }
        hide();
        emit dismissed();
        deleteLater();
    });
    m_fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void DimmedOverlay::keepFocusInside(QWidget* now)
{
    if (!isVisible() || m_dismissing || !now || now == this || isAncestorOf(now)) return;
    // Only focus that moved within our window; another layer above this one keeps its own.
    if (now->window() != window()) return;
    for (QWidget* sibling : parentWidget()->findChildren<DimmedOverlay*>(Qt::FindDirectChildrenOnly))
        if (sibling != this && sibling->isVisible() && sibling->isAncestorOf(now)) return;
    m_content->setFocus(Qt::OtherFocusReason);
    if (QWidget* inside = m_content->nextInFocusChain(); inside && m_content->isAncestorOf(inside)) inside->setFocus(Qt::TabFocusReason);
}

bool DimmedOverlay::event(QEvent* event)
{
    // A shortcut key reaches the layer first when focus is inside it (focus is kept there). Taking
    // the override turns it into a plain key press for the content, which ignores what it has no
    // use for; the window's menu shortcuts never see it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+Q is the editor's Quit; the platform's own Quit keys pass too.
        const bool quits = key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Q) || key->matches(QKeySequence::Quit);
        if (!quits) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

bool DimmedOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
        placeContent();
    }
    return QWidget::eventFilter(watched, event);
}

void DimmedOverlay::placeContent()
{
    const QSize hint = m_content->sizeHint().expandedTo(m_content->minimumSize()).boundedTo(m_content->maximumSize());
    const QSize size = hint.boundedTo(this->size());
    m_content->setGeometry(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size));
}

void DimmedOverlay::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void DimmedOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(255 * m_backdropOpacity * m_fadeLevel)));
}

void DimmedOverlay::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    // A click on the content that no control took is not a click on the backdrop.
    if (m_content->geometry().contains(event->position().toPoint())) return;
    emit backdropClicked();
    if (m_dismissOnBackdropClick && m_onDismiss && !m_dismissing) m_onDismiss();
}

void DimmedOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        if (m_onEscape && !m_dismissing) m_onEscape();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace lumara::ui
