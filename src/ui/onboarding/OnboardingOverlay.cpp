// The first-run layer. It fades by painting its backdrop and handing its opacity to the pages
// (no graphics effect: the pages already use opacity effects inside). UI thread only.
#include "ui/onboarding/OnboardingOverlay.h"

#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/ReduceMotion.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVariantAnimation>

namespace lumara::ui {

namespace {
constexpr int kFadeMs = 200;
constexpr double kBackdropOpacity = 0.4;
} // namespace

OnboardingOverlay::OnboardingOverlay(QWidget* host, QSettings* settings, bool reduceMotion)
    : QWidget(host), m_host(host), m_reduceMotion(reduceMotion)
{
    setObjectName(QStringLiteral("onboardingOverlay"));
    setAttribute(Qt::WA_NoMousePropagation);
    m_view = new OnboardingView(settings, reduceMotion, this);
    connect(m_view, &OnboardingView::closed, this, [this] { fade(1.0, 0.0, true); });
    host->installEventFilter(this);
    place();
    raise();
}

void OnboardingOverlay::place()
{
    setGeometry(m_host->rect());
    m_view->move((width() - m_view->width()) / 2, (height() - m_view->height()) / 2);
    raise();
}

bool OnboardingOverlay::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_host && (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)) place();
    return QWidget::eventFilter(watched, event);
}

void OnboardingOverlay::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    place();
    if (m_shownOnce) return;
    m_shownOnce = true;
    fade(0.0, 1.0, false);
}

void OnboardingOverlay::fade(double from, double to, bool thenClose)
{
    const int duration = motionDuration(kFadeMs, m_reduceMotion);
    const auto done = [this, thenClose] {
        if (!thenClose) return;
        hide();
        emit dismissed();
        deleteLater();
    };
    if (duration == 0) {
        setFadeOpacity(to);
        return done();
    }
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(duration);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { setFadeOpacity(v.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, done);
    setFadeOpacity(from);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void OnboardingOverlay::setFadeOpacity(double opacity)
{
    m_opacity = opacity;
    m_view->setLayerOpacity(opacity);
    update();
}

void OnboardingOverlay::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgbF(0, 0, 0, float(kBackdropOpacity * m_opacity)));
}

// A click on the backdrop does nothing; it does not reach the window behind either.
void OnboardingOverlay::mousePressEvent(QMouseEvent* event) { event->accept(); }

} // namespace lumara::ui
