// The first-run pages' content. UI thread only.
#include "ui/onboarding/OnboardingPages.h"

#include "document/PreferenceKeys.h"
#include "ui/style/Theme.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>

namespace lumara::ui {

namespace {

constexpr int kDotsMs = 250;

QColor brandAccentLight() { return QColor::fromRgbF(0.55f, 0.38f, 0.98f); }

} // namespace

const std::array<OnboardingPage, 3>& onboardingPages()
{
    static const std::array<OnboardingPage, 3> pages{{
        {QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "Welcome to Lumara"),
         QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "A design tool for crafting animated orbs. Tweak every detail and watch it come alive in real time."),
         "Deep Sea"},
        {QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "Full Creative Control"),
         QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "Color, shape, glow, and motion. Shape every layer from the inspector and see each change instantly."),
         "Glacier"},
        {QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "Ready for Production"),
         QT_TRANSLATE_NOOP("lumara::ui::OnboardingView", "Export clean SwiftUI, a standalone web embed, an animated loop, or a crisp PNG, all ready to drop into "
                                  "your project."),
         "Molten"},
    }};
    return pages;
}

QString OnboardingPage::title() const { return QCoreApplication::translate("lumara::ui::OnboardingView", titleText); }

QString OnboardingPage::subtitle() const { return QCoreApplication::translate("lumara::ui::OnboardingView", subtitleText); }

CodableColor pageAccentColor(const OrbValues& values)
{
    const CodableColor* best = nullptr;
    for (const CodableColor& color : values.backgroundColors)
        if (!best || color.red + color.green + color.blue > best->red + best->green + best->blue) best = &color;
    return best ? *best : CodableColor{1.0, 1.0, 1.0, 1.0};
}

bool wantsOnboarding(const QSettings& settings) { return !settings.value(keys::hasSeenOnboarding, false).toBool(); }

PageDots::PageDots(int count, QWidget* parent)
    : QWidget(parent), m_count(count), m_progress(this, 1.0, [this] { update(); })
{
    setFixedHeight(7);
    setAccessibleName(QCoreApplication::translate("lumara::ui::OnboardingView", "Page"));
}

void PageDots::setCurrent(int page, bool animated)
{
    m_from = m_to;
    m_to = page;
    m_progress.animate(0.0, 1.0, animated ? kDotsMs : 0);
    setAccessibleDescription(QCoreApplication::translate("lumara::ui::OnboardingView", "%1 of %2").arg(page + 1).arg(m_count));
}

double PageDots::weight(int index) const
{
    const double t = m_progress.value();
    return (index == m_from ? 1.0 - t : 0.0) + (index == m_to ? t : 0.0);
}

std::vector<double> PageDots::dotWidths() const
{
    std::vector<double> widths;
    for (int i = 0; i < m_count; ++i) widths.push_back(7.0 + 13.0 * weight(i));
    return widths;
}

QSize PageDots::sizeHint() const { return {7 * (m_count + 1) + 13 + 7 * (m_count - 1), 7}; }

void PageDots::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const std::vector<double> widths = dotWidths();
    double total = 7.0 * (m_count - 1);
    for (double w : widths) total += w;
    double x = (width() - total) / 2.0;
    for (int i = 0; i < m_count; ++i) {
        p.setBrush(withAlpha(Qt::white, 0.28 + 0.72 * weight(i)));
        p.drawRoundedRect(QRectF(x, 0, widths[std::size_t(i)], 7), 3.5, 3.5);
        x += widths[std::size_t(i)] + 7.0;
    }
}

void OnboardingButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0, brandAccentLight());
    fill.setColorAt(1, brandAccent());
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 12, 12);
    p.fillPath(shape, fill);
    if (isDown()) p.fillPath(shape, withAlpha(Qt::black, 0.15));
    if (hasFocus()) {
        p.setPen(QPen(withAlpha(Qt::white, 0.6), 1.5));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 11, 11);
    }
    p.setPen(Qt::white);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace lumara::ui
