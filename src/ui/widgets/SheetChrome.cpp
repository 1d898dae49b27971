// Panels, dividers, the prominent button and the spinner of the in-window sheets. UI thread only.
#include "ui/widgets/SheetChrome.h"

#include "ui/style/Theme.h"
#include "ui/widgets/Capsule.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace lumara::ui {

SheetPanel::SheetPanel(double cornerRadius, QWidget* parent) : QFrame(parent), m_cornerRadius(cornerRadius)
{
    setContentsMargins(kShadowMargin, kShadowMargin, kShadowMargin, kShadowMargin);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SheetPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect()).adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin);
    // The shadow: rings of falling opacity out to the radius, about 0.33 at the panel's edge.
    p.setPen(Qt::NoPen);
    constexpr int kRings = 10;
    for (int i = kRings; i >= 1; --i) {
        const double grow = kShadowMargin * double(i) / kRings;
        p.setBrush(QColor(0, 0, 0, qRound(0.33 * 255 * 0.16 * (1.0 - double(i - 1) / kRings))));
        p.drawRoundedRect(panel.adjusted(-grow, -grow, grow, grow), m_cornerRadius + grow, m_cornerRadius + grow);
    }
    QColor fill = QApplication::palette().color(QPalette::Window);
    p.setBrush(fill);
    p.setPen(QPen(withAlpha(QApplication::palette().color(QPalette::WindowText), 0.12), 0.5));
    p.drawRoundedRect(panel, m_cornerRadius, m_cornerRadius);
}

namespace {

class Divider : public QWidget {
public:
    Divider() { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), withAlpha(QApplication::palette().color(QPalette::WindowText), 0.14));
    }
};

} // namespace

QWidget* makeDivider() { return new Divider; }

Spinner::Spinner(int diameter, QWidget* parent) : QWidget(parent), m_diameter(diameter), m_timer(new QTimer(this))
{
    setFixedSize(diameter, diameter);
    m_timer->setInterval(1000 / 30);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % 30;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double stroke = std::max(2.0, m_diameter / 10.0);
    const QRectF r = QRectF(rect()).adjusted(stroke, stroke, -stroke, -stroke);
    const QColor color = QApplication::palette().color(QPalette::WindowText);
    p.setPen(QPen(withAlpha(color, 0.15), stroke));
    p.drawEllipse(r);
    p.setPen(QPen(withAlpha(color, 0.7), stroke, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, -m_step * 12 * 16, 100 * 16);
}

void Spinner::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void Spinner::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
}

void makeProminent(QPushButton* button)
{
    const int height = button->sizeHint().height(); // before the style sheet changes the metrics
    const QColor accent = brandAccent();
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; border-radius: 6px;"
                                         " padding: 0 14px; }"
                                         "QPushButton:hover { background: %2; }"
                                         "QPushButton:pressed { background: %3; }"
                                         "QPushButton:focus { border: 1px solid %4; }"
                                         "QPushButton:disabled { background: %5; color: rgba(255, 255, 255, 150); }")
                              .arg(accent.name(), accent.lighter(112).name(), accent.darker(118).name(),
                                   brandAccentPale().name(), withAlpha(accent, 0.4).name(QColor::HexArgb)));
    button->setMinimumHeight(height);
}

} // namespace lumara::ui
