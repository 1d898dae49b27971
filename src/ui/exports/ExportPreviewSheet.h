// The export preview: one text export (SwiftUI code, HTML page or prompt) shown coloured, with
// "Copy to Clipboard" and "Done"; and the "Generating code…" card shown while it is prepared.
// UI thread only.
#pragma once

#include "export/text/ExportText.h"
#include "ui/style/Symbols.h"
#include "ui/widgets/SheetChrome.h"

#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTextDocument;
class QPlainTextEdit;

namespace lumara::ui {

// Runs `action` once, `milliseconds` later, on the UI thread. Tests substitute their own clock.
using Scheduler = std::function<void(int milliseconds, std::function<void()> action)>;
Scheduler defaultScheduler(QObject* context);

// The header texts and symbol per format: "SwiftUI Export", "HTML Export", "Prompt Export".
QString exportPreviewTitle(exporting::ExportFormat format);
Symbol exportPreviewSymbol(exporting::ExportFormat format);

class ExportPreviewSheet : public SheetPanel {
    Q_OBJECT
public:
    // `highlighted` is the styled text (taken over by the sheet), or null to show `generatedCode`
    // plain; `background` the colour behind it (the theme's, or empty for the window's).
    ExportPreviewSheet(QString generatedCode, std::shared_ptr<QTextDocument> highlighted, const QString& background,
                       exporting::ExportFormat format, Scheduler scheduler, QWidget* parent = nullptr);

    const QString& generatedCode() const { return m_generatedCode; }
    exporting::ExportFormat format() const { return m_format; }
    bool copied() const { return m_copied; }

    QPushButton* copyButton() const { return m_copy; }
    QPushButton* doneButton() const { return m_done; }
    QPlainTextEdit* textView() const { return m_text; }
    QLabel* titleLabel() const { return m_title; }
    // Adds a "Save…" button that runs `save` (writing the text to a file).
    void setOnSave(std::function<void()> save);
    QPushButton* saveButton() const { return m_save; }

    // Puts exactly the generated text on the clipboard as plain text and shows "Copied!" until
    // two seconds later; every press schedules its own reset.
    void copy();

    QSize sizeHint() const override;

signals:
    void doneRequested();

private:
    void setCopied(bool copied);

    QString m_generatedCode;
    std::shared_ptr<QTextDocument> m_document;
    exporting::ExportFormat m_format;
    Scheduler m_scheduler;
    bool m_copied = false;
    QLabel* m_title;
    QPushButton* m_copy;
    QPushButton* m_done;
    QPushButton* m_save = nullptr;
    QPlainTextEdit* m_text;
    int m_longestLine = 0; // in characters
};

// The card shown while the export text is generated and highlighted: a spinner and the headline
// "Generating code…"; accessible as one element named "Generating code".
class GeneratingCodeCard : public SheetPanel {
    Q_OBJECT
public:
    explicit GeneratingCodeCard(QWidget* parent = nullptr);
};

} // namespace lumara::ui
