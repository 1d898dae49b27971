// The shape section.
#include "ui/inspector/ShapeSection.h"

#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/InspectorText.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/style/Theme.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace lumara::ui {

namespace {

QString p100(double v) { return percentText(v, 100); }
QString p200(double v) { return percentText(v, 200); }
QString d1(double v) { return decimalText(v, 1); }
QString wholeNumber(double v) { return integerPartText(v); }

} // namespace

ShapeSection::ShapeSection(OrbDocument* document, QWidget* parent) : InspectorSection(document, parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    // Size: the field takes any number; only the stepper keeps to 40...800.
    auto* sizeControls = new QWidget(this);
    auto* sizeRow = new QHBoxLayout(sizeControls);
    sizeRow->setContentsMargins(0, 0, 0, 0);
    sizeRow->setSpacing(6);
    m_sizeField = new QLineEdit(sizeControls);
    m_sizeField->setFixedWidth(60);
    m_sizeField->setAlignment(Qt::AlignRight);
    m_sizeField->setAccessibleName(tr("Size"));
    auto* unit = new QLabel(QStringLiteral("px"), sizeControls);
    unit->setFont(pixelFont(unit->font(), 11));
    unit->setForegroundRole(QPalette::PlaceholderText); // the secondary colour of either appearance
    m_sizeStepper = new Stepper(tr("Size stepper"), 40, 800, 10, nullptr, sizeControls);
    sizeRow->addWidget(m_sizeField);
    sizeRow->addWidget(unit);
    sizeRow->addWidget(m_sizeStepper);
    addRow(column, tr("Size"), sizeControls, fieldKeyOf(&OrbConfiguration::orbSizeChanged))->setBuddy(m_sizeField);
    connect(m_sizeField, &QLineEdit::editingFinished, this, &ShapeSection::submitSizeField);
    connect(m_sizeStepper, &Stepper::stepped, this, [this](double size) {
        OrbConfiguration* config = configuration();
        if (!config || config->orbSize() == size) return;
        recordUndoStep();
        config->setOrbSize(size);
    });
    follow(&OrbConfiguration::orbSizeChanged, [this](const OrbConfiguration& config) {
        m_sizeStepper->setValue(config.orbSize());
        if (!m_sizeField->isModified()) m_sizeField->setText(sizeFieldText(config.orbSize())); // keep what is being typed
    });

    m_sliders << addSlider(column, {tr("Corner Radius"), 0, 1, cornerRadiusText, &OrbConfiguration::cornerRadius,
                                    &OrbConfiguration::setCornerRadius, &OrbConfiguration::cornerRadiusChanged});

    auto addIntegerStepper = [&](const QString& label, double minimum, double maximum,
                                 std::int64_t (OrbConfiguration::*get)() const, void (OrbConfiguration::*set)(std::int64_t),
                                 ConfigurationSignal changed) {
        auto* stepper = new Stepper(label, minimum, maximum, 1, wholeNumber, this);
        addRow(column, label, stepper, fieldKeyOf(changed));
        connect(stepper, &Stepper::stepped, this, [this, get, set](double value) {
            OrbConfiguration* config = configuration();
            const auto next = std::int64_t(value); // inside the stepper's range
            if (!config || (config->*get)() == next) return;
            recordUndoStep();
            (config->*set)(next);
        });
        follow(changed, [stepper, get](const OrbConfiguration& config) { stepper->setValue(double((config.*get)())); });
        return stepper;
    };
    m_count = addIntegerStepper(tr("Count"), 1, 5, &OrbConfiguration::blobCount, &OrbConfiguration::setBlobCount,
                                &OrbConfiguration::blobCountChanged);
    m_points = addIntegerStepper(tr("Points"), 3, 12, &OrbConfiguration::complexity,
                                 &OrbConfiguration::setComplexity, &OrbConfiguration::complexityChanged);

    m_coloredBlobs = addToggle(column, tr("Use Gradient Colors"), &OrbConfiguration::coloredBlobs,
                               &OrbConfiguration::setColoredBlobs, &OrbConfiguration::coloredBlobsChanged);
    m_blend = addPicker(
        column, tr("Blend"),
        {tr("Add"), tr("Screen"), tr("Overlay"), tr("Dodge"), tr("Soft Light")},
        [](const OrbConfiguration& config) { return int(config.blobBlendMode()); },
        [](OrbConfiguration& config, int index) { config.setBlobBlendMode(BlobBlendMode(index)); },
        &OrbConfiguration::blobBlendModeChanged);

    const SliderField blobs[] = {
        {tr("Distortion"), 0, 0.5, p200, &OrbConfiguration::amplitude, &OrbConfiguration::setAmplitude,
         &OrbConfiguration::amplitudeChanged},
        {tr("Scale"), 0.5, 2, p100, &OrbConfiguration::blobScale, &OrbConfiguration::setBlobScale,
         &OrbConfiguration::blobScaleChanged},
        {tr("Spread"), 0, 0.5, p200, &OrbConfiguration::blobSpread, &OrbConfiguration::setBlobSpread,
         &OrbConfiguration::blobSpreadChanged},
        {tr("Opacity"), 0, 1, p100, &OrbConfiguration::blobOpacity, &OrbConfiguration::setBlobOpacity,
         &OrbConfiguration::blobOpacityChanged},
        {tr("Blur"), 0, 20, d1, &OrbConfiguration::blobBlur, &OrbConfiguration::setBlobBlur,
         &OrbConfiguration::blobBlurChanged},
    };
    for (const SliderField& field : blobs) m_sliders << addSlider(column, field);
}

void ShapeSection::submitSizeField()
{
    OrbConfiguration* config = configuration();
    if (!config) return;
    double size = 0;
    if (parseSizeField(m_sizeField->text(), &size) && size != config->orbSize()) {
        recordUndoStep();
        config->setOrbSize(size);
    }
    m_sizeField->setText(sizeFieldText(config->orbSize())); // garbage gives the shown size back
}

} // namespace lumara::ui
