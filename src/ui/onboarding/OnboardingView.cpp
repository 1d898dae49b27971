// The first-run pages. The orb is painted by the view itself (under its child widgets) from frames
// rendered off the UI thread; the rest is child widgets over a painted backdrop. UI thread only.
#include "ui/onboarding/OnboardingView.h"

#include "model/OrbPreset.h"
#include "ui/onboarding/ReduceMotion.h"
#include "ui/style/Theme.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace lumara::ui {

namespace {

constexpr double kOrbSide = 156.0;
constexpr double kOrbShadowRadius = 36.0;
constexpr int kEntryMs = 700;
constexpr double kPanelRadius = 16.0;
constexpr int kTopPadding = 48;
constexpr int kTitleSubtitleGap = 12;
constexpr int kOrbTextGap = 36;
constexpr int kMinimumBottomGap = 24;
constexpr int kTitlePixels = 27;
constexpr double kSubtitlePixels = 14.5;
constexpr double kShadowOpacity = 0.4;
constexpr int kShadowScale = 4; // the shadow is blurred at a quarter of the orb's pixels

// Whether `text` set in `font` at `width` ends on a line of a single word.
bool endsOnAnOrphan(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QString last;
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine(), ++lines) {
        line.setLineWidth(width);
        last = text.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines > 1 && !last.contains(u' ');
}

// One pass of a box blur of `reach` pixels each side along rows (`horizontal`) or columns, on the
// alpha of a premultiplied white image.
void boxBlurAlpha(QImage& image, int reach, bool horizontal)
{
    const int w = image.width(), h = image.height();
    const int lines = horizontal ? h : w, length = horizontal ? w : h;
    std::vector<int> in(std::size_t(length) + 1);
    for (int l = 0; l < lines; ++l) {
        const auto at = [&](int i) -> QRgb& {
            return reinterpret_cast<QRgb*>(image.scanLine(horizontal ? l : i))[horizontal ? i : l];
        };
        in[0] = 0;
        for (int i = 0; i < length; ++i) in[std::size_t(i) + 1] = in[std::size_t(i)] + qAlpha(at(i));
        const int span = 2 * reach + 1;
        for (int i = 0; i < length; ++i) {
            const int lo = std::max(0, i - reach), hi = std::min(length, i + reach + 1);
            const int a = (in[std::size_t(hi)] - in[std::size_t(lo)] + span / 2) / span;
            at(i) = qRgba(a, a, a, a);
        }
    }
}

// Shadow pixels on each side of the silhouette: room for three deviations of its blur.
int shadowMargin(double radius) { return int(std::ceil(1.5 * radius / kShadowScale)); }

// The orb's silhouette blurred by a shadow of `radius` device pixels: white, premultiplied, at a
// quarter of the orb's resolution, with room for the blur on every side.
QImage blurredSilhouette(const QImage& orb, double radius)
{
    const int margin = shadowMargin(radius);
    const QSize small(std::max(1, orb.width() / kShadowScale), std::max(1, orb.height() / kShadowScale));
    QImage mask(small + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(margin, margin), small), orb);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(mask.rect(), Qt::white);
    }
    // Three box passes each way approach a Gaussian whose deviation is half the radius.
    const double sigma = radius / 2.0 / kShadowScale;
    const int reach = std::max(1, int(std::lround((std::sqrt(4.0 * sigma * sigma + 1.0) - 1.0) / 2.0)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(mask, reach, true);
        boxBlurAlpha(mask, reach, false);
    }
    return mask;
}

QColor srgb(double r, double g, double b, double a = 1.0)
{
    const auto unit = [](double v) { return float(std::clamp(std::isfinite(v) ? v : 0.0, 0.0, 1.0)); };
    return QColor::fromRgbF(unit(r), unit(g), unit(b), unit(a));
}
QColor toQColor(const CodableColor& c, double opacityFactor = 1.0) { return srgb(c.red, c.green, c.blue, c.opacity * opacityFactor); }

// A font at a size in points of the window (device-independent pixels), fractions kept.
QFont sizedFont(const QFont& base, double pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPointSizeF(pixels * 72.0 / 96.0);
    font.setWeight(weight);
    return font;
}

const OrbValues& presetValues(const char* name)
{
    static const OrbValues fallback;
    const OrbPreset* preset = findPreset(name);
    return preset ? preset->configuration : fallback;
}

} // namespace

OnboardingView::OnboardingView(QSettings* settings, bool reduceMotion, QWidget* parent)
    : QWidget(parent),
      m_settings(settings),
      m_reduceMotion(reduceMotion),
      m_appear(this, 0.0,
               [this] {
                   applyBlockOpacity();
                   update();
               }),
      m_pageChange(this, 1.0, [this] { update(); }),
      m_textFade(this, 1.0, [this] { applyBlockOpacity(); }),
      m_dragOffset(this, 0.0, [this] { update(); })
{
    setFixedSize(520, 480);
    setAttribute(Qt::WA_StyledBackground, false);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Welcome"));
    m_clock.start();

    // The pages are always dark, whatever the application's appearance.
    QPalette dark = palette();
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::ButtonText, Qt::white);
    setPalette(dark);

    m_orbPlaceholder = new QWidget(this);
    m_orbPlaceholder->setFixedHeight(int(kOrbSide));
    m_orbPlaceholder->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_textBlock = new QWidget(this);
    m_textBlock->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_textBlock->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* text = new QVBoxLayout(m_textBlock);
    text->setContentsMargins(0, 0, 0, 0);
    text->setSpacing(kTitleSubtitleGap);
    m_title = new QLabel(m_textBlock);
    m_title->setFont(sizedFont(font(), kTitlePixels, QFont::Bold));
    m_title->setAlignment(Qt::AlignHCenter);
    m_title->setWordWrap(true);
    m_subtitle = new QLabel(m_textBlock);
    m_subtitle->setFont(sizedFont(font(), kSubtitlePixels, QFont::Normal));
    m_subtitle->setAlignment(Qt::AlignHCenter);
    m_subtitle->setWordWrap(true);
    QPalette soft = dark;
    soft.setColor(QPalette::WindowText, withAlpha(Qt::white, 0.7));
    m_subtitle->setPalette(soft);
    text->addWidget(m_title);
    text->addWidget(m_subtitle);

    m_bottomBlock = new QWidget(this);
    m_bottomBlock->setMaximumWidth(360);
    auto* bottom = new QVBoxLayout(m_bottomBlock);
    bottom->setContentsMargins(0, 0, 0, 32);
    bottom->setSpacing(22);
    m_dots = new PageDots(pageCount(), m_bottomBlock);
    m_button = new OnboardingButton(m_bottomBlock);
    m_button->setFixedHeight(46);
    m_button->setFont(sizedFont(font(), 15, QFont::DemiBold));
    m_button->setCursor(Qt::PointingHandCursor);
    m_button->setFocusPolicy(Qt::StrongFocus);
    m_button->setAutoDefault(true);
    connect(m_button, &QPushButton::clicked, this, &OnboardingView::advance);
    m_checkbox = new QCheckBox(tr("Don’t show this again"), m_bottomBlock);
    m_checkbox->setFont(sizedFont(font(), 12, QFont::Normal));
    QPalette box = dark;
    box.setColor(QPalette::WindowText, withAlpha(Qt::white, 0.45));
    box.setColor(QPalette::Text, brandAccentPale());      // the tick
    box.setColor(QPalette::Base, QColor(255, 255, 255, 18)); // the box
    box.setColor(QPalette::Highlight, brandAccentPale());
    m_checkbox->setPalette(box);
    bottom->addWidget(m_dots);
    bottom->addWidget(m_button);
    bottom->addWidget(m_checkbox, 0, Qt::AlignHCenter);
    m_bottomBlock->setGraphicsEffect(new QGraphicsOpacityEffect(m_bottomBlock));

    // The page's rhythm is fixed: 48 points above the orb, 36 under it, at least 24 above the
    // bottom block. Wide desktop fonts are met by the text instead (fitTextToPanel).
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, kTopPadding, 40, 0);
    column->setSpacing(0);
    column->addWidget(m_orbPlaceholder);
    column->addSpacing(kOrbTextGap);
    column->addWidget(m_textBlock, 0, Qt::AlignHCenter);
    column->addSpacing(kMinimumBottomGap);
    column->addStretch(1);
    column->addWidget(m_bottomBlock, 0, Qt::AlignHCenter);
    m_bottomBlock->setMinimumWidth(360);
    fitTextToPanel();

    setTabOrder(m_button, m_checkbox);
    m_appear.animate(0.0, 0.0, 0); // hidden until shown
    showPageContent(false);
    m_dots->setCurrent(0, false);
    m_previousAccent = accentColor();

    connect(&m_renderer, &FrameRenderer::frameReady, this, &OnboardingView::frameReady);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    m_frameTimer.setInterval(16);
    connect(&m_frameTimer, &QTimer::timeout, this, &OnboardingView::tick);
}

OnboardingView::~OnboardingView() { m_renderer.waitForIdle(); }

void OnboardingView::fitTextToPanel()
{
    // The text column is 360 points wide and may widen to the panel's padding (440); the title and
    // subtitle keep their sizes unless even the widest column cannot hold the page. No subtitle may
    // end on a word of its own. One choice serves all pages, so the text does not jump between them.
    const int bottom = m_bottomBlock->sizeHint().height();
    const int room = height() - kTopPadding - int(kOrbSide) - kOrbTextGap - kMinimumBottomGap - bottom;
    const auto fits = [&](int width, double scale) {
        const QFont title = sizedFont(font(), kTitlePixels * scale, QFont::Bold);
        const QFont subtitle = sizedFont(font(), kSubtitlePixels * scale, QFont::Normal);
        for (const OnboardingPage& page : onboardingPages()) {
            if (endsOnAnOrphan(page.subtitle(), subtitle, width)) return false;
            m_title->setFont(title);
            m_subtitle->setFont(subtitle);
            m_title->setText(page.title());
            m_subtitle->setText(subtitleHtml(page.subtitle()));
            if (m_title->heightForWidth(width) + kTitleSubtitleGap + m_subtitle->heightForWidth(width) > room) return false;
        }
        return true;
    };
    m_textWidth = 440;
    m_textScale = 0.7;
    bool found = false;
    for (double scale = 1.0; scale > 0.69 && !found; scale -= 0.05)
        for (int width = 360; width <= 440 && !found; width += 8)
            if (fits(width, scale)) {
                m_textWidth = width;
                m_textScale = scale;
                found = true;
            }
    m_title->setFont(sizedFont(font(), kTitlePixels * m_textScale, QFont::Bold));
    m_subtitle->setFont(sizedFont(font(), kSubtitlePixels * m_textScale, QFont::Normal));
    m_textBlock->setFixedWidth(m_textWidth);
}

QString OnboardingView::subtitleHtml(const QString& subtitle)
{
    return QStringLiteral("<div style=\"line-height:124%\">%1</div>").arg(subtitle.toHtmlEscaped());
}

// The bottom block fades through an opacity effect of its own; the layer holding the
// pages fades by passing its opacity in here rather than through an effect of its own, since Qt
// cannot draw one opacity effect inside another.
void OnboardingView::applyBlockOpacity()
{
    if (auto* e = static_cast<QGraphicsOpacityEffect*>(m_bottomBlock->graphicsEffect()))
        e->setOpacity(m_appear.value() * m_layerOpacity);
    // The text fades through its colour: an opacity effect on a block whose labels change size
    // with the page keeps drawing the old bounds.
    const double text = m_appear.value() * m_textFade.value() * m_layerOpacity;
    for (auto [label, alpha] : {std::pair{m_title, 1.0}, std::pair{m_subtitle, 0.7}}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, withAlpha(Qt::white, alpha * text));
        label->setPalette(palette);
    }
}

void OnboardingView::setLayerOpacity(double opacity)
{
    m_layerOpacity = opacity;
    applyBlockOpacity();
    update();
}

bool OnboardingView::dontShowAgain() const { return m_checkbox->isChecked(); }

CodableColor OnboardingView::accentColor() const
{
    return pageAccentColor(presetValues(onboardingPages()[std::size_t(m_currentPage)].presetName));
}

CodableColor OnboardingView::shownAccent() const
{
    const double t = m_pageChange.value();
    const CodableColor& a = m_previousAccent;
    const CodableColor b = accentColor();
    return {a.red + (b.red - a.red) * t, a.green + (b.green - a.green) * t, a.blue + (b.blue - a.blue) * t,
            a.opacity + (b.opacity - a.opacity) * t};
}

double OnboardingView::orbScale() const { return 0.9 + 0.1 * m_appear.value(); }
double OnboardingView::orbOpacity() const { return m_appear.value(); }

QRect OnboardingView::orbFrame() const
{
    const QRect slot = m_orbPlaceholder->geometry();
    return QRect(slot.center().x() - int(kOrbSide) / 2 + 1, slot.top(), int(kOrbSide), int(kOrbSide));
}

void OnboardingView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appearAnimation) {
        m_appearAnimation = true;
        m_appear.animate(0.0, 1.0, motionDuration(kEntryMs, m_reduceMotion));
        m_button->setFocus(Qt::OtherFocusReason);
    }
    m_frameTimer.start();
    tick();
}

void OnboardingView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_frameTimer.stop();
}

void OnboardingView::tick()
{
    if (!isVisible()) return;
    if (m_renderer.isBusy()) {
        m_frameWanted = true;
        return;
    }
    m_frameWanted = false;
    FrameRequest request;
    OrbValues values = presetValues(onboardingPages()[std::size_t(m_currentPage)].presetName);
    values.orbSize = kOrbSide;
    values.showShadow = false; // the pages give the orb a glow of its accent instead
    request.layers.push_back({values, 1.0});
    request.time = double(m_clock.nsecsElapsed()) / 1.0e9;
    request.pixelsPerPoint = devicePixelRatioF();
    request.canvasPixels = QSize(int(std::ceil(kOrbSide * request.pixelsPerPoint)), int(std::ceil(kOrbSide * request.pixelsPerPoint)));
    request.threads = 1; // a small orb; leave the cores to the canvas behind
    m_renderer.request(std::move(request));
}

void OnboardingView::frameReady(const Frame& frame)
{
    m_orbImage = frame.image;
    if (!m_orbImage.isNull()) {
        m_orbImage.setDevicePixelRatio(devicePixelRatioF());
        m_orbImage.setOffset(frame.topLeft);
        m_orbShadow = blurredSilhouette(m_orbImage, kOrbShadowRadius * devicePixelRatioF());
    }
    ++m_presentedFrames;
    update(orbRect(1.0).adjusted(-kOrbShadowRadius - 40, -kOrbShadowRadius, kOrbShadowRadius + 40, kOrbShadowRadius).toAlignedRect());
    if (m_frameWanted) tick();
}

QRectF OnboardingView::orbRect(double scale) const
{
    const QRectF frame(orbFrame());
    const QPointF centre = frame.center() + QPointF(0.4 * m_dragOffset.value(), 0);
    const double side = kOrbSide * scale;
    return QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side);
}

void OnboardingView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()), kPanelRadius, kPanelRadius);
    p.setClipPath(panel);
    p.setOpacity(m_layerOpacity);

    // Backdrop: the dark vertical gradient, then the accent's glow.
    QLinearGradient backdrop(0, 0, 0, height());
    backdrop.setColorAt(0, srgb(0.07, 0.05, 0.12));
    backdrop.setColorAt(1, Qt::black);
    p.fillRect(rect(), backdrop);
    const double t = m_pageChange.value();
    const CodableColor accent = shownAccent();
    QRadialGradient glow(QPointF(0.5 * width(), 0.34 * height()), 320);
    glow.setColorAt(0, toQColor(accent, 0.4));
    glow.setColorAt(1, toQColor(accent, 0.0));
    p.fillRect(rect(), glow);

    // The orb's shadow in its accent, then the orb; a page change cross-fades the two orbs with a
    // scale from 0.94, and the entry animation grows it from 0.9.
    const double appear = m_appear.value();
    const double entryScale = 0.9 + 0.1 * appear;
    const QRectF orb = orbRect(entryScale);
    if (!m_orbShadow.isNull()) {
        // The orb's own shape, blurred, in the accent.
        QImage tinted = m_orbShadow;
        {
            QPainter tint(&tinted);
            tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tint.fillRect(tinted.rect(), toQColor(accent, kShadowOpacity * appear));
        }
        const double k = orb.width() / kOrbSide;                  // points of the panel per orb point
        const double unit = kShadowScale / m_orbImage.devicePixelRatio(); // orb points per shadow pixel
        const double margin = shadowMargin(kOrbShadowRadius * m_orbImage.devicePixelRatio());
        const QPointF origin = orb.topLeft() + k * (QPointF(m_orbImage.offset()) / m_orbImage.devicePixelRatio() -
                                                   QPointF(margin, margin) * unit);
        p.drawImage(QRectF(origin, QSizeF(tinted.width(), tinted.height()) * unit * k), tinted);
    }

    const auto drawOrb = [&](const QImage& image, double scale, double opacity) {
        if (image.isNull() || opacity <= 0) return;
        const QRectF place = orbRect(entryScale * scale);
        const double dpr = image.devicePixelRatio();
        const double k = place.width() / kOrbSide;
        p.save();
        p.setOpacity(opacity * appear * m_layerOpacity);
        p.translate(place.topLeft());
        p.scale(k, k);
        p.drawImage(QRectF(image.offset().x() / dpr, image.offset().y() / dpr, image.width() / dpr, image.height() / dpr), image);
        p.restore();
    };
    drawOrb(m_previousOrb, 1.0 - 0.06 * t, 1.0 - t);
    drawOrb(m_orbImage, 0.94 + 0.06 * t, t);

    // The main button's shadow: brand accent at 0.5, radius 14, 5 points down.
    if (m_button->isVisible()) {
        p.setPen(Qt::NoPen);
        const QRectF button = QRectF(m_button->geometry()).translated(m_bottomBlock->pos()).translated(0, 5);
        for (int i = 7; i >= 1; --i) {
            const double grow = 2.0 * i;
            p.setBrush(withAlpha(brandAccent(), 0.5 * appear / 7.0 * (1.0 - i / 8.0)));
            p.drawRoundedRect(button.adjusted(-grow, -grow, grow, grow), 12 + grow, 12 + grow);
        }
    }
}

} // namespace lumara::ui
