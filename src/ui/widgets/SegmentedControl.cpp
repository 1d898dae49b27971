// The segmented control's track, segments and focus ring. UI thread only.
#include "ui/widgets/SegmentedControl.h"

#include "ui/style/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace lumara::ui {

namespace {

constexpr int kSmallestLabelPixels = 9;
constexpr int kLabelInset = 8; // the selected segment's 2-point inset each side, and air

} // namespace

SegmentedControl::SegmentedControl(QStringList labels, QWidget* parent) : QWidget(parent), m_labels(std::move(labels))
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_labels.size()) index = -1;
    if (m_current == index) return;
    m_current = index;
    update();
}

QSize SegmentedControl::sizeHint() const
{
    const QFontMetrics metrics(pixelFont(font(), 12));
    int width = 0;
    for (const QString& label : m_labels) width = std::max(width, metrics.horizontalAdvance(label));
    return {int(m_labels.size()) * (width + 16), metrics.height() + 10};
}

QSize SegmentedControl::minimumSizeHint() const
{
    // Room for the widest label whole at the smallest size: inside the selected segment's 2-point
    // inset each side, without the air.
    constexpr int kWholeInset = 4;
    const QFontMetrics metrics(pixelFont(font(), kSmallestLabelPixels, QFont::Medium));
    int width = 36 - kWholeInset;
    for (const QString& label : m_labels) width = std::max(width, metrics.horizontalAdvance(label));
    return {int(m_labels.size()) * (width + kWholeInset), sizeHint().height()};
}

QFont SegmentedControl::labelFont() const
{
    int narrowest = width();
    for (int i = 0; i < m_labels.size(); ++i) narrowest = std::min(narrowest, segmentRect(i).width());
    for (int pixels = 12; pixels > kSmallestLabelPixels; --pixels) {
        const QFont candidate = pixelFont(font(), pixels, QFont::Medium);
        const QFontMetrics metrics(candidate);
        const bool fits = std::all_of(m_labels.begin(), m_labels.end(), [&](const QString& label) {
            return metrics.horizontalAdvance(label) + kLabelInset <= narrowest;
        });
        if (fits) return candidate;
    }
    return pixelFont(font(), kSmallestLabelPixels, QFont::Medium);
}

QRect SegmentedControl::segmentRect(int index) const
{
    const int n = int(m_labels.size());
    const int x0 = index * width() / n;
    const int x1 = (index + 1) * width() / n;
    return QRect(x0, 0, x1 - x0, height());
}

int SegmentedControl::segmentAt(const QPoint& point) const
{
    for (int i = 0; i < m_labels.size(); ++i)
        if (segmentRect(i).contains(point)) return i;
    return -1;
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = isDarkAppearance();
    p.setPen(Qt::NoPen);
    p.setBrush(dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 15));
    p.drawRoundedRect(QRectF(rect()), 7, 7);
    p.setFont(labelFont());
    for (int i = 0; i < m_labels.size(); ++i) {
        const QRectF r = QRectF(segmentRect(i)).adjusted(2, 2, -2, -2);
        if (i == m_current) {
            p.setPen(dark ? Qt::NoPen : QPen(QColor(0, 0, 0, 25), 0.5));
            p.setBrush(dark ? QColor(255, 255, 255, 46) : QColor(Qt::white));
            p.drawRoundedRect(r, 5, 5);
        }
        p.setPen(i == m_current ? palette().color(QPalette::WindowText) : palette().color(QPalette::PlaceholderText));
        p.drawText(r, Qt::AlignCenter, m_labels.at(i));
    }
    if (hasFocus()) {
        p.setPen(QPen(withAlpha(brandAccent(), 0.6), 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 7, 7);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    const int index = segmentAt(event->position().toPoint());
    if (index < 0) return;
    setCurrentIndex(index);
    emit activated(index);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event)
{
    int index = m_current;
    if (event->key() == Qt::Key_Left) index = std::max(0, m_current - 1);
    else if (event->key() == Qt::Key_Right) index = std::min(int(m_labels.size()) - 1, m_current + 1);
    else return QWidget::keyPressEvent(event);
    if (index == m_current) return;
    setCurrentIndex(index);
    emit activated(index);
}

} // namespace lumara::ui
