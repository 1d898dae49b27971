// An eased value for the first-run pages' animations. UI thread only.
#include "ui/onboarding/Tween.h"

#include <QVariantAnimation>

namespace lumara::ui {

Tween::Tween(QObject* owner, double initial, std::function<void()> onChange)
    : m_value(initial), m_animation(new QVariantAnimation(owner)), m_onChange(std::move(onChange))
{
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    QObject::connect(m_animation, &QVariantAnimation::valueChanged, owner, [this](const QVariant& v) {
        m_value = v.toDouble();
        m_onChange();
    });
}

void Tween::animateTo(double target, int milliseconds) { animate(m_value, target, milliseconds); }

void Tween::animate(double from, double to, int milliseconds)
{
    m_animation->stop();
    if (milliseconds <= 0) {
        m_value = to;
        m_onChange();
        return;
    }
    m_value = from;
    m_animation->setDuration(milliseconds);
    m_animation->setStartValue(from);
    m_animation->setEndValue(to);
    m_animation->start();
}

bool Tween::isRunning() const { return m_animation->state() == QAbstractAnimation::Running; }

} // namespace lumara::ui
