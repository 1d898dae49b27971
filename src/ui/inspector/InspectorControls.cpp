// Stepper, colour swatch, gradient bar, collapsible section and export row.
#include "ui/inspector/InspectorControls.h"

#include "ui/inspector/ColorConversion.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QIconEngine>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QSignalBlocker>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <QVariantAnimation>

#include <cmath>
#include <numbers>

namespace lumara::ui {

namespace {

QToolButton* stepButton(const QString& text, const QString& accessibleName, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::NoFocus); // the stepper itself takes focus and the arrow keys
    button->setAutoRepeat(true);
    button->setFixedSize(24, 22);
    return button;
}

// A focus ring in the accent colour around `rect`.
void drawFocusRing(QPainter& p, const QRectF& rect, double radius)
{
    p.setPen(QPen(withAlpha(brandAccentPale(), 0.9), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect, radius, radius);
}

// The disclosure chevron of a section title, in the palette's text colour at paint time (so it
// follows an appearance switch): pointing down when expanded, to the trailing side when not.
class ChevronEngine : public PaintedIconEngine {
public:
    explicit ChevronEngine(bool expanded) : m_expanded(expanded) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.center() + QPointF(0.5, 0.5));
        if (!m_expanded) painter->rotate(-90);
        const double s = std::min(rect.width(), rect.height()) / 2.0 - 1;
        painter->setPen(QPen(withAlpha(QApplication::palette().color(QPalette::WindowText), 0.75), 1.7, Qt::SolidLine,
                             Qt::RoundCap, Qt::RoundJoin));
        painter->drawPolyline(QPolygonF({QPointF(-s * 0.75, -s * 0.35), QPointF(0, s * 0.4), QPointF(s * 0.75, -s * 0.35)}));
        painter->restore();
    }

    QIconEngine* clone() const override { return new ChevronEngine(m_expanded); }

private:
    bool m_expanded;
};

} // namespace

// --- Stepper

Stepper::Stepper(const QString& accessibleName, double minimum, double maximum, double step, Format format, QWidget* parent)
    : QWidget(parent), m_minimum(minimum), m_maximum(maximum), m_step(step), m_format(std::move(format))
{
    setAccessibleName(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(6);
    if (m_format) {
        m_text = new QLabel(this);
        m_text->setMinimumWidth(28);
        m_text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(m_text);
    }
    m_minus = stepButton(QStringLiteral("\u2212"), tr("Decrement"), this);
    m_plus = stepButton(QStringLiteral("+"), tr("Increment"), this);
    row->addWidget(m_minus);
    row->addWidget(m_plus);
    connect(m_minus, &QToolButton::clicked, this, [this] { this->step(-1); });
    connect(m_plus, &QToolButton::clicked, this, [this] { this->step(+1); });
    setValue(minimum);
}

void Stepper::setValue(double value)
{
    m_value = value;
    if (m_text) {
        m_text->setText(m_format(value));
        setAccessibleDescription(m_text->text());
    }
    // NaN compares false both ways, so both buttons stay usable and a step lands in the range.
    m_minus->setEnabled(!(value <= m_minimum));
    m_plus->setEnabled(!(value >= m_maximum));
}

QString Stepper::text() const { return m_text ? m_text->text() : QString(); }

double Stepper::steppedValue(int direction) const
{
    const double start = std::isfinite(m_value) ? m_value : (direction > 0 ? m_minimum - m_step : m_maximum + m_step);
    return std::clamp(start + direction * m_step, m_minimum, m_maximum);
}

void Stepper::step(int direction)
{
    if (direction < 0 ? !m_minus->isEnabled() : !m_plus->isEnabled()) return;
    const double next = steppedValue(direction);
    if (next != m_value) emit stepped(next);
}

void Stepper::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Plus: step(+1); break;
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Minus: step(-1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void Stepper::paintEvent(QPaintEvent*)
{
    if (!hasFocus()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 5);
}

// --- ToggleSwitch

ToggleSwitch::ToggleSwitch(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ToggleSwitch::sizeHint() const { return {std::max(200, minimumSizeHint().width()), 24}; }

QSize ToggleSwitch::minimumSizeHint() const
{
    return {QFontMetrics(pixelFont(font(), 12)).horizontalAdvance(text()) + 44, 24};
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(pixelFont(font(), 12));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(rect().adjusted(0, 0, -44, 0), Qt::AlignLeft | Qt::AlignVCenter, text());

    const QRectF track(width() - 36.5, (height() - 20) / 2.0 + 0.5, 34, 19);
    const QColor off = withAlpha(palette().color(QPalette::WindowText), isDarkAppearance() ? 0.26 : 0.24);
    p.setPen(Qt::NoPen);
    p.setBrush(isChecked() ? brandAccent() : off);
    p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
    if (hasFocus()) drawFocusRing(p, track.adjusted(-2, -2, 2, 2), (track.height() + 4) / 2);
}

// --- ColorSwatch

ColorSwatch::ColorSwatch(const QString& accessibleName, QWidget* parent) : QAbstractButton(parent)
{
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void ColorSwatch::setColor(const CodableColor& color)
{
    if (color == m_color) return;
    m_color = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(3, 3, -3, -3);
    QColor fill = displayColor(m_color);
    fill.setAlphaF(1.0f); // the pickers edit opaque colours
    p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), isDown() ? 0.5 : 0.18), 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 5, 5);
    if (hasFocus()) drawFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 7);
}

// --- GradientPreviewBar

GradientPreviewBar::GradientPreviewBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(tr("Gradient preview"));
    setToolTip(tr("Drop a picture here to take its colors"));
    setAcceptDrops(true);
}

QString GradientPreviewBar::droppablePicture(const QMimeData* mime)
{
    const QList<QUrl> urls = mime ? mime->urls() : QList<QUrl>{};
    if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
    const QString path = urls.front().toLocalFile();
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && QImageReader::supportedImageFormats().contains(suffix) ? path : QString();
}

void GradientPreviewBar::setDropTarget(bool target)
{
    if (m_dropTarget == target) return;
    m_dropTarget = target;
    update();
}

void GradientPreviewBar::dragEnterEvent(QDragEnterEvent* event)
{
    // Ignored, a project file or anything else goes on to the window, which opens it.
    if (droppablePicture(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
    setDropTarget(true);
}

void GradientPreviewBar::dragLeaveEvent(QDragLeaveEvent*) { setDropTarget(false); }

void GradientPreviewBar::dropEvent(QDropEvent* event)
{
    setDropTarget(false);
    const QString path = droppablePicture(event->mimeData());
    if (path.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    emit pictureDropped(path);
}

void GradientPreviewBar::setColors(const std::vector<CodableColor>& colors)
{
    if (colors == m_colors) return;
    m_colors = colors;
    update();
}

void GradientPreviewBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bar = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    const auto count = m_colors.size();
    for (std::size_t i = 0; i < count; ++i)
        gradient.setColorAt(count == 1 ? 0.0 : double(i) / double(count - 1), displayColor(m_colors[i]));
    if (count == 1) gradient.setColorAt(1.0, displayColor(m_colors[0]));
    p.setBrush(count ? QBrush(gradient) : QBrush(Qt::NoBrush));
    p.setPen(QPen(withAlpha(palette().color(QPalette::WindowText), 0.1), 1));
    p.drawRoundedRect(bar, 6, 6);
    if (m_dropTarget) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(brandAccent(), 2));
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
}

// --- CollapsibleSection

double CollapsibleSection::springProgress(double t)
{
    if (t >= 1.0) return 1.0;
    if (t <= 0.0) return 0.0;
    // A damped spring of response 0.5 s and damping fraction 0.85 released from rest:
    // x(s) = 1 - e^(-ζωs) (cos ωd s + ζω/ωd sin ωd s), with ω = 2π / response.
    constexpr double response = 0.5, zeta = 0.85;
    const double omega = 2 * std::numbers::pi / response;
    const double omegaD = omega * std::sqrt(1 - zeta * zeta);
    const double s = t * kAnimationMilliseconds / 1000.0;
    return 1 - std::exp(-zeta * omega * s) * (std::cos(omegaD * s) + zeta * omega / omegaD * std::sin(omegaD * s));
}

CollapsibleSection::CollapsibleSection(const QString& title, QWidget* body, QWidget* parent)
    : QWidget(parent), m_body(body)
{
    m_header = new SectionHeader(title, this);
    connect(m_header, &QAbstractButton::toggled, this, [this](bool on) { setExpanded(on); });

    m_clip = new QWidget(this);
    auto* clipColumn = new QVBoxLayout(m_clip);
    clipColumn->setContentsMargins(0, 4, 0, 8);
    clipColumn->addWidget(body);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(m_clip);

    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(kAnimationMilliseconds);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    QEasingCurve spring;
    spring.setCustomType([](qreal t) { return qreal(springProgress(t)); });
    m_animation->setEasingCurve(spring);
}

QAbstractButton* CollapsibleSection::header() const { return m_header; }

bool CollapsibleSection::isAnimating() const { return m_animation->state() == QAbstractAnimation::Running; }

void CollapsibleSection::setExpanded(bool expanded, bool animated)
{
    if (expanded == m_expanded) return;
    m_expanded = expanded;
    {
        const QSignalBlocker blocker(m_header);
        m_header->setChecked(expanded);
    }
    m_header->update();
    m_animation->stop();
    m_animation->disconnect(this);

    const int from = m_clip->isVisible() ? m_clip->height() : 0;
    const int to = expanded ? m_clip->sizeHint().height() : 0;
    auto finish = [this] {
        if (m_expanded) {
            m_clip->setMaximumHeight(QWIDGETSIZE_MAX);
        } else {
            m_clip->hide(); // collapsed controls leave the Tab order
        }
    };
    if (expanded) m_clip->show();
    if (!animated) {
        m_clip->setMaximumHeight(to);
        finish();
    } else {
        m_clip->setMaximumHeight(from);
        connect(m_animation, &QVariantAnimation::valueChanged, this, [this, from, to](const QVariant& progress) {
            // The spring may overshoot slightly; the body never shrinks below nothing.
            m_clip->setMaximumHeight(std::max(0, int(std::lround(from + (to - from) * progress.toDouble()))));
        });
        connect(m_animation, &QVariantAnimation::finished, this, finish);
        m_animation->start();
    }
    emit expandedChanged(expanded);
}

// --- SectionHeader

SectionHeader::SectionHeader(const QString& title, QWidget* parent) : QAbstractButton(parent)
{
    setText(title);
    setAccessibleName(title);
    setCheckable(true);
    setChecked(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SectionHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    ChevronEngine(isChecked()).paint(&p, QRect(0, (height() - 12) / 2, 12, 12), QIcon::Normal, QIcon::Off);
    p.setFont(pixelFont(font(), 13, QFont::DemiBold));
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect().adjusted(18, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus()) drawFocusRing(p, QRectF(rect()).adjusted(-4, 1, 0, -1), 5);
}

// --- ExportButton

ParameterLock::ParameterLock(const QString& parameterName, QWidget* parent)
    : QAbstractButton(parent), m_parameterName(parameterName)
{
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(tr("Lock %1").arg(parameterName));
    checkStateSet();
}

void ParameterLock::checkStateSet()
{
    setToolTip(isChecked() ? tr("%1 is locked: Randomize keeps it. Click to unlock.").arg(m_parameterName)
                           : tr("Lock %1, so that Randomize keeps it").arg(m_parameterName));
}

void ParameterLock::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool locked = isChecked();
    QColor ink = locked ? palette().color(QPalette::Highlight) : palette().color(QPalette::ButtonText);
    if (!locked) ink.setAlphaF(underMouse() || hasFocus() ? 0.85f : 0.5f);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (hasFocus()) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 1.5));
        p.drawRoundedRect(box, 4, 4);
    }
    // A body of 10 × 7 under a shackle of 6 wide; unlocked, the shackle stands open to the right.
    const QPointF c = box.center();
    const QRectF body(c.x() - 5, c.y() - 1, 10, 7);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(body, 1.5, 1.5);
    QPainterPath shackle;
    const double left = c.x() - 3, right = c.x() + 3, top = c.y() - 6;
    shackle.moveTo(left, body.top());
    shackle.lineTo(left, top + 3);
    shackle.arcTo(QRectF(left, top, 6, 6), 180, -180);
    shackle.lineTo(right, locked ? body.top() : top + 4);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(locked ? shackle : shackle.translated(0, -1.5));
}

LockableRow::LockableRow(const QString& fieldKey, const QString& parameterName, QWidget* content, QWidget* parent)
    : QWidget(parent), m_fieldKey(fieldKey), m_content(content)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    content->setParent(this);
    row->addWidget(content, 1);
    m_lock = new ParameterLock(parameterName, this);
    QSizePolicy keepRoom = m_lock->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_lock->setSizePolicy(keepRoom);
    m_lock->setFixedSize(m_lock->sizeHint());
    row->addWidget(m_lock, 0, Qt::AlignVCenter);
    connect(m_lock, &QAbstractButton::clicked, this, &LockableRow::lockToggled);
    content->installEventFilter(this); // the row goes where its content goes (a hidden Angle row)
    setHidden(content->isHidden());
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        const bool inside = now && isAncestorOf(now);
        if (inside == m_focusInside) return;
        m_focusInside = inside;
        updateLockVisibility();
    });
    updateLockVisibility();
}

bool LockableRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && (event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent))
        setHidden(m_content->isHidden());
    return QWidget::eventFilter(watched, event);
}

void LockableRow::setLocked(bool locked)
{
    const QSignalBlocker blocker(m_lock);
    m_lock->setChecked(locked);
    updateLockVisibility();
    m_lock->update();
}

void LockableRow::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    updateLockVisibility();
    QWidget::enterEvent(event);
}

void LockableRow::leaveEvent(QEvent* event)
{
    m_hovered = false;
    updateLockVisibility();
    QWidget::leaveEvent(event);
}

void LockableRow::updateLockVisibility() { m_lock->setVisible(m_hovered || m_focusInside || m_lock->isChecked()); }

ExportButton::ExportButton(const QString& title, const QString& subtitle, const QIcon& icon, QWidget* parent)
    : QAbstractButton(parent), m_subtitle(subtitle)
{
    setText(title);
    setIcon(icon);
    setAccessibleName(title);
    setAccessibleDescription(subtitle);
    setToolTip(subtitle);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ExportButton::sizeHint() const { return {220, 44}; }

void ExportButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ExportButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ExportButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF row = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (isDown() || m_hovered) {
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(palette().color(QPalette::WindowText), isDown() ? 0.12 : 0.06));
        p.drawRoundedRect(row, 6, 6);
    }
    if (hasFocus()) drawFocusRing(p, row, 6);

    const QRect iconBox(6, 0, 24, height());
    const int iconSide = 20; // title-3 size
    icon().paint(&p, QRect(iconBox.center().x() - iconSide / 2 + 1, (height() - iconSide) / 2, iconSide, iconSide),
                 Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);

    const int textLeft = iconBox.right() + 10;
    const QFont titleFont = pixelFont(font(), 13, QFont::Medium);
    const QFont subtitleFont = pixelFont(font(), 11);
    const int titleHeight = QFontMetrics(titleFont).height();
    const int subtitleHeight = QFontMetrics(subtitleFont).height();
    const int top = (height() - titleHeight - subtitleHeight - 1) / 2;
    p.setFont(titleFont);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(textLeft, top, width() - textLeft - 4, titleHeight), Qt::AlignLeft | Qt::AlignVCenter, text());
    p.setFont(subtitleFont);
    p.setPen(secondaryTextColor(this));
    const QString subtitle = QFontMetrics(subtitleFont).elidedText(m_subtitle, Qt::ElideRight, width() - textLeft - 4);
    p.drawText(QRect(textLeft, top + titleHeight + 1, width() - textLeft - 4, subtitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
               subtitle);
}

} // namespace lumara::ui
