// The "Export" section: six rows, one per way a design leaves the tool. The section only asks;
// the window decides how each request is served (see the signals). UI thread only.
#pragma once

#include "export/text/ExportText.h"

#include <QWidget>

namespace lumara::ui {

class ExportButton;

class ExportSection : public QWidget {
    Q_OBJECT
public:
    explicit ExportSection(QWidget* parent = nullptr);

    // In order: "SwiftUI Code", "HTML", "Prompt", "PNG Image", "Animation", "Web Component".
    const QList<ExportButton*>& rows() const { return m_rows; }

signals:
    // "SwiftUI Code", "HTML" or "Prompt": the text export of that format is wanted.
    void textExportRequested(lumara::exporting::ExportFormat format);
    // "PNG Image": the still image save flow.
    void pngExportRequested();
    // "Animation": the animated export.
    void animationExportRequested();
    // "Web Component": the web package written into a folder.
    void webPackageExportRequested();

private:
    QList<ExportButton*> m_rows;
};

} // namespace lumara::ui
