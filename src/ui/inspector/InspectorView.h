// The inspector column: a scrolling column of the four collapsible sections "Colors", "Shape",
// "Effects" and "Export". It follows the document: whenever the selected state's configuration
// changes (selection, preset, Randomize, undo, redo, opening a file) the same widgets show the new
// values. Export requests and pictures dropped for their colours are passed on as signals for the
// window to serve. UI thread only.
#pragma once

#include "document/OrbDocument.h"
#include "export/text/ExportText.h"

#include <QPointer>
#include <QScrollArea>

namespace lumara::ui {

class CollapsibleSection;
class ColorsSection;
class EffectsSection;
class ExportSection;
class ShapeSection;

class InspectorView : public QScrollArea {
    Q_OBJECT
public:
    explicit InspectorView(OrbDocument* document, QWidget* parent = nullptr);

    ColorsSection* colorsSection() const { return m_colors; }
    ShapeSection* shapeSection() const { return m_shape; }
    EffectsSection* effectsSection() const { return m_effects; }
    ExportSection* exportSection() const { return m_export; }
    // The collapsible frames in order: Colors, Shape, Effects, Export.
    const QList<CollapsibleSection*>& sections() const { return m_sections; }

    QSize sizeHint() const override { return {320, 600}; }

signals:
    void textExportRequested(lumara::exporting::ExportFormat format);
    void pngExportRequested();
    void animationExportRequested();
    void webPackageExportRequested();
    // A picture dropped on the Colors section's gradient bar (ColorsSection::colorsFromPictureRequested).
    void colorsFromPictureRequested(const QString& path);

private:
    void followCurrentConfiguration();

    QPointer<OrbDocument> m_document;
    ColorsSection* m_colors = nullptr;
    ShapeSection* m_shape = nullptr;
    EffectsSection* m_effects = nullptr;
    ExportSection* m_export = nullptr;
    QList<CollapsibleSection*> m_sections;
};

} // namespace lumara::ui
