// Moving between the first-run pages: by the main button, by the arrow keys and Return, and by a
// horizontal drag; the last page's button finishes. UI thread only.
#include "ui/onboarding/OnboardingView.h"

#include "document/PreferenceKeys.h"
#include "ui/onboarding/ReduceMotion.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace lumara::ui {

namespace {

constexpr double kDragMinimum = 30.0;
constexpr double kDragThreshold = 50.0;
constexpr int kPageChangeMs = 300;

} // namespace

void OnboardingView::showPageContent(bool animated)
{
    const OnboardingPage& page = onboardingPages()[std::size_t(m_currentPage)];
    m_title->setText(page.title());
    m_subtitle->setText(subtitleHtml(page.subtitle()));
    m_subtitle->setAccessibleName(page.subtitle());
    // The block takes the height its text needs at the block's width.
    m_title->setFixedHeight(m_title->heightForWidth(m_textWidth));
    m_subtitle->setFixedHeight(m_subtitle->heightForWidth(m_textWidth));
    m_button->setText(m_currentPage + 1 < pageCount() ? tr("Continue") : tr("Get Started"));
    m_textFade.animate(0.0, 1.0, animated ? motionDuration(kPageChangeMs, m_reduceMotion) : 0);
}

void OnboardingView::setPage(int page)
{
    page = std::clamp(page, 0, pageCount() - 1);
    if (page == m_currentPage) return;
    const int duration = motionDuration(kPageChangeMs, m_reduceMotion);
    m_previousAccent = shownAccent();
    m_currentPage = page;
    m_previousOrb = m_orbImage;
    m_orbImage = QImage();
    m_pageChange.animate(0.0, 1.0, duration);
    m_dots->setCurrent(page, !m_reduceMotion);
    showPageContent(true);
    tick();
    emit currentPageChanged(page);
}

void OnboardingView::advance()
{
    if (!m_isPresented) return;
    if (m_currentPage + 1 < pageCount())
        setPage(m_currentPage + 1);
    else
        finish();
}

void OnboardingView::finish()
{
    if (!m_isPresented) return;
    if (m_checkbox->isChecked()) {
        m_settings->setValue(keys::hasSeenOnboarding, true);
        m_settings->sync();
    }
    m_isPresented = false;
    emit closed();
}

void OnboardingView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_pressed = true;
    m_dragging = false;
    m_pressPosition = event->position();
    event->accept();
}

void OnboardingView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed) return QWidget::mouseMoveEvent(event);
    const QPointF delta = event->position() - m_pressPosition;
    if (!m_dragging && std::hypot(delta.x(), delta.y()) >= kDragMinimum) m_dragging = true;
    if (m_dragging) m_dragOffset.animate(delta.x(), delta.x(), 0);
    event->accept();
}

void OnboardingView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressed || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    if (!m_dragging) return;
    m_dragging = false;
    const double dx = event->position().x() - m_pressPosition.x();
    if (dx < -kDragThreshold && m_currentPage + 1 < pageCount())
        setPage(m_currentPage + 1);
    else if (dx > kDragThreshold && m_currentPage > 0)
        setPage(m_currentPage - 1);
    m_dragOffset.animateTo(0.0, motionDuration(kPageChangeMs, m_reduceMotion));
    event->accept();
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: advance(); break;
    case Qt::Key_Right: setPage(m_currentPage + 1); break;
    case Qt::Key_Left: setPage(m_currentPage - 1); break;
    default: return QWidget::keyPressEvent(event);
    }
    event->accept();
}

bool OnboardingView::focusNextPrevChild(bool next)
{
    // Focus stays on the pages while they are shown.
    QWidget* target = m_button->hasFocus() ? static_cast<QWidget*>(m_checkbox) : m_button;
    Q_UNUSED(next);
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace lumara::ui
