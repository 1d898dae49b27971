// The export section: a row per way of taking the design out, each with its symbol (the desktop
// icon theme's icon where the freedesktop naming has one, else our drawing).
#include "ui/inspector/ExportSection.h"

#include "ui/inspector/InspectorControls.h"
#include "ui/style/Symbols.h"

#include <QBoxLayout>

#include <functional>

namespace lumara::ui {

ExportSection::ExportSection(QWidget* parent) : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    struct Row {
        QString title;
        QString subtitle;
        Symbol symbol;
        std::function<void()> action;
    };
    using exporting::ExportFormat;
    const Row rows[] = {
        {tr("SwiftUI Code"), tr("Copy-paste ready view code"), Symbol::swift,
         [this] { emit textExportRequested(ExportFormat::swiftUI); }},
        {tr("HTML"), tr("Self-contained web file"), Symbol::globe,
         [this] { emit textExportRequested(ExportFormat::html); }},
        {tr("Prompt"), tr("Language-agnostic AI prompt"), Symbol::textBubble,
         [this] { emit textExportRequested(ExportFormat::prompt); }},
        {tr("PNG Image"), tr("High-resolution @2x export"), Symbol::photo,
         [this] { emit pngExportRequested(); }},
        {tr("Animation"), tr("Looping MP4, GIF, or transparent video"), Symbol::film,
         [this] { emit animationExportRequested(); }},
        {tr("Web Component"), tr("npm package with live states"), Symbol::package,
         [this] { emit webPackageExportRequested(); }},
    };
    for (const Row& row : rows) {
        auto* button = new ExportButton(row.title, row.subtitle, symbolIcon(row.symbol), this);
        connect(button, &QAbstractButton::clicked, this, row.action);
        column->addWidget(button);
        m_rows.append(button);
    }
}

} // namespace lumara::ui
