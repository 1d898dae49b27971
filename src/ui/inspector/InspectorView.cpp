// The inspector column.
#include "ui/inspector/InspectorView.h"

#include "ui/inspector/ColorsSection.h"
#include "ui/inspector/EffectsSection.h"
#include "ui/inspector/ExportSection.h"
#include "ui/inspector/InspectorControls.h"
#include "ui/inspector/ShapeSection.h"
#include "ui/style/Theme.h"

#include <QBoxLayout>
#include <QPainter>
#include <QScrollBar>

namespace lumara::ui {

namespace {

// The scrolled column: the window colour with a one-pixel divider on its leading edge.
class InspectorContent : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        p.fillRect(QRect(0, 0, 1, height()), sidebarColors(isDarkAppearance()).divider);
    }
};

} // namespace

InspectorView::InspectorView(OrbDocument* document, QWidget* parent) : QScrollArea(parent), m_document(document)
{
    setAccessibleName(tr("Inspector"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setStyleSheet(thinScrollBarStyle());

    auto* content = new InspectorContent;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(16, 10, 16, 16);
    column->setSpacing(6);

    m_colors = new ColorsSection(document);
    m_shape = new ShapeSection(document);
    m_effects = new EffectsSection(document);
    m_export = new ExportSection;
    const std::pair<QString, QWidget*> bodies[] = {{tr("Colors"), m_colors},
                                                   {tr("Shape"), m_shape},
                                                   {tr("Effects"), m_effects},
                                                   {tr("Export"), m_export}};
    for (const auto& [title, body] : bodies) {
        auto* section = new CollapsibleSection(title, body, content);
        column->addWidget(section);
        m_sections.append(section);
    }
    column->addStretch(1);
    setWidget(content);

    connect(m_export, &ExportSection::textExportRequested, this, &InspectorView::textExportRequested);
    connect(m_colors, &ColorsSection::colorsFromPictureRequested, this, &InspectorView::colorsFromPictureRequested);
    connect(m_export, &ExportSection::pngExportRequested, this, &InspectorView::pngExportRequested);
    connect(m_export, &ExportSection::animationExportRequested, this, &InspectorView::animationExportRequested);
    connect(m_export, &ExportSection::webPackageExportRequested, this, &InspectorView::webPackageExportRequested);

    if (document) {
        connect(document, &OrbDocument::currentConfigurationChanged, this, &InspectorView::followCurrentConfiguration);
        connect(document, &OrbDocument::statesChanged, this, &InspectorView::followCurrentConfiguration);
    }
    followCurrentConfiguration();
}

void InspectorView::followCurrentConfiguration()
{
    OrbConfiguration* config = m_document ? m_document->currentConfiguration() : nullptr;
    for (InspectorSection* section : std::initializer_list<InspectorSection*>{m_colors, m_shape, m_effects})
        if (section->boundConfiguration() != config) section->bind(config);
}

} // namespace lumara::ui
