// The colours section.
#include "ui/inspector/ColorsSection.h"

#include "ui/inspector/ColorConversion.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorText.h"
#include "ui/inspector/LabeledSlider.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace lumara::ui {

namespace {

constexpr qsizetype kMaxColorsForAdd = 5;    // Add is disabled above this count
constexpr qsizetype kMinColorsForRemove = 3; // Remove is disabled below this count

QString blurText(double value) { return decimalText(value, 0); }

} // namespace

CodableColor backgroundColorAt(const OrbConfiguration& config, qsizetype position)
{
    const auto& colors = config.backgroundColors();
    if (position < 0 || position >= qsizetype(colors.size())) return {1.0, 1.0, 1.0, 1.0};
    return colors[std::size_t(position)];
}

bool setBackgroundColorAt(OrbConfiguration& config, qsizetype position, const CodableColor& color)
{
    std::vector<CodableColor> colors = config.backgroundColors();
    if (position < 0 || position >= qsizetype(colors.size())) return false;
    colors[std::size_t(position)] = color;
    config.setBackgroundColors(colors);
    return true;
}

ColorsSection::ColorsSection(OrbDocument* document, QWidget* parent) : InspectorSection(document, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    m_preview = new GradientPreviewBar(this);
    column->addWidget(m_preview);
    connect(m_preview, &GradientPreviewBar::pictureDropped, this, &ColorsSection::colorsFromPictureRequested);
    follow(&OrbConfiguration::backgroundColorsChanged,
           [this](const OrbConfiguration& config) { m_preview->setColors(config.backgroundColors()); });

    m_gradient = addPicker(
        column, tr("Gradient"), {tr("Linear"), tr("Radial"), tr("Angular")},
        [](const OrbConfiguration& config) { return int(config.gradientType()); },
        [](OrbConfiguration& config, int index) { config.setGradientType(GradientType(index)); },
        &OrbConfiguration::gradientTypeChanged);

    m_angle = addSlider(column, {tr("Angle"), 0, 360, angleText, &OrbConfiguration::gradientAngle,
                                 &OrbConfiguration::setGradientAngle, &OrbConfiguration::gradientAngleChanged});
    // The angle means nothing to a radial gradient; the stored angle is kept while it is hidden.
    follow(&OrbConfiguration::gradientTypeChanged,
           [this](const OrbConfiguration& config) { m_angle->setHidden(config.gradientType() == GradientType::radial); });
    m_blur = addSlider(column, {tr("Blur"), 0, 30, blurText, &OrbConfiguration::backgroundBlur,
                                &OrbConfiguration::setBackgroundBlur, &OrbConfiguration::backgroundBlurChanged});

    m_swatchRow = new QWidget(this);
    auto* swatches = new QHBoxLayout(m_swatchRow);
    swatches->setContentsMargins(0, 0, 0, 0);
    swatches->setSpacing(2);
    swatches->addStretch(1);
    addLockable(column, m_swatchRow, fieldKeyOf(&OrbConfiguration::backgroundColorsChanged), tr("Colors"));

    m_add = new QPushButton(tr("Add"), this);
    m_add->setAccessibleName(tr("Add color"));
    m_remove = new QPushButton(tr("Remove"), this);
    m_remove->setAccessibleName(tr("Remove color"));
    QPalette destructive = m_remove->palette();
    destructive.setColor(QPalette::Active, QPalette::ButtonText, QColor(229, 72, 77));
    destructive.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(229, 72, 77));
    m_remove->setPalette(destructive);
    connect(m_add, &QPushButton::clicked, this, &ColorsSection::addColor);
    connect(m_remove, &QPushButton::clicked, this, &ColorsSection::removeColor);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(m_add);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    column->addLayout(buttons);
    follow(&OrbConfiguration::backgroundColorsChanged,
           [this](const OrbConfiguration& config) { showColors(config.backgroundColors()); });

    m_glowSwatch = new ColorSwatch(tr("Glow"), this);
    connect(m_glowSwatch, &QAbstractButton::clicked, this, [this] { openColorDialog(kGlow); });
    addRow(column, tr("Glow"), m_glowSwatch, fieldKeyOf(&OrbConfiguration::glowColorChanged));
    follow(&OrbConfiguration::glowColorChanged, [this](const OrbConfiguration& config) { m_glowSwatch->setColor(config.glowColor()); });
}

void ColorsSection::showColors(const std::vector<CodableColor>& colors)
{
    const auto count = qsizetype(colors.size());
    auto* row = static_cast<QHBoxLayout*>(m_swatchRow->layout());
    while (m_swatches.size() < count) {
        const qsizetype position = m_swatches.size();
        auto* swatch = new ColorSwatch(tr("Color %1").arg(position + 1), m_swatchRow);
        connect(swatch, &QAbstractButton::clicked, this, [this, position] { openColorDialog(position); });
        row->insertWidget(int(position), swatch);
        m_swatches.append(swatch);
    }
    for (qsizetype i = 0; i < m_swatches.size(); ++i) {
        m_swatches[i]->setHidden(i >= count);
        if (i < count) m_swatches[i]->setColor(colors[std::size_t(i)]);
    }
    m_add->setEnabled(count <= kMaxColorsForAdd && count > 0);
    m_remove->setEnabled(count >= kMinColorsForRemove);
}

QList<ColorSwatch*> ColorsSection::colorSwatches() const
{
    QList<ColorSwatch*> shown;
    for (ColorSwatch* swatch : m_swatches)
        if (!swatch->isHidden()) shown.append(swatch);
    return shown;
}

void ColorsSection::addColor()
{
    OrbConfiguration* config = configuration();
    if (!config || config->backgroundColors().empty()) return;
    recordUndoStep();
    std::vector<CodableColor> colors = config->backgroundColors();
    colors.push_back(colors.back());
    config->setBackgroundColors(colors);
}

void ColorsSection::removeColor()
{
    OrbConfiguration* config = configuration();
    if (!config) return;
    recordUndoStep();
    std::vector<CodableColor> colors = config->backgroundColors();
    if (!colors.empty()) colors.pop_back();
    config->setBackgroundColors(colors);
}

CodableColor ColorsSection::colorOf(qsizetype target) const
{
    const OrbConfiguration* config = configuration();
    if (!config) return {1.0, 1.0, 1.0, 1.0};
    return target == kGlow ? config->glowColor() : backgroundColorAt(*config, target);
}

bool ColorsSection::writeColor(qsizetype target, const CodableColor& color)
{
    OrbConfiguration* config = configuration();
    if (!config) return false;
    if (target != kGlow) return setBackgroundColorAt(*config, target, color);
    config->setGlowColor(color);
    return true;
}

QColorDialog* ColorsSection::openColorDialog(qsizetype target)
{
    if (m_dialog) m_dialog->close();
    const CodableColor before = colorOf(target);
    QColor initial = displayColor(before);
    initial.setAlphaF(1.0f);
    auto* dialog = new QColorDialog(initial, this);
    // Qt's own dialog reports every change while it is open, so the canvas can follow.
    dialog->setOptions(QColorDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(target == kGlow ? tr("Glow") : tr("Color %1").arg(target + 1));
    auto recorded = std::make_shared<bool>(false);
    connect(dialog, &QColorDialog::currentColorChanged, this, [this, target, recorded](const QColor& picked) {
        const OrbConfiguration* config = configuration();
        // A position that no longer exists (the list shrank meanwhile) takes no writes.
        if (!config || (target != kGlow && (target < 0 || target >= qsizetype(config->backgroundColors().size())))) return;
        CodableColor color = codableColor(picked);
        color.opacity = 1.0; // the pickers make opaque colours
        if (color == colorOf(target)) return;
        if (!*recorded) {
            recordUndoStep();
            *recorded = true;
        }
        writeColor(target, color);
    });
    connect(dialog, &QDialog::rejected, this, [this, target, before, recorded] {
        if (*recorded) writeColor(target, before);
    });
    m_dialog = dialog;
    dialog->open();
    return dialog;
}

} // namespace lumara::ui
