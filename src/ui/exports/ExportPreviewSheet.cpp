// The export preview sheet and the generating-code card. UI thread only.
#include "ui/exports/ExportPreviewSheet.h"

#include "ui/style/Theme.h"

#include <QCoreApplication>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QBoxLayout>
#include <QClipboard>
#include <QFontDatabase>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTimer>

namespace lumara::ui {

Scheduler defaultScheduler(QObject* context)
{
    QPointer<QObject> guard(context);
    return [guard](int milliseconds, std::function<void()> action) {
        if (guard) QTimer::singleShot(milliseconds, guard.data(), std::move(action));
    };
}

QString exportPreviewTitle(exporting::ExportFormat format)
{
    switch (format) {
    case exporting::ExportFormat::swiftUI: return QCoreApplication::translate("lumara::ui::ExportPreviewSheet", "SwiftUI Export");
    case exporting::ExportFormat::html: return QCoreApplication::translate("lumara::ui::ExportPreviewSheet", "HTML Export");
    case exporting::ExportFormat::prompt: return QCoreApplication::translate("lumara::ui::ExportPreviewSheet", "Prompt Export");
    }
    return {};
}

Symbol exportPreviewSymbol(exporting::ExportFormat format)
{
    switch (format) {
    case exporting::ExportFormat::swiftUI: return Symbol::swift;
    case exporting::ExportFormat::html: return Symbol::globe;
    case exporting::ExportFormat::prompt: return Symbol::textBubble;
    }
    return Symbol::swift;
}

namespace {

QLabel* symbolLabel(Symbol symbol)
{
    auto* label = new QLabel;
    label->setPixmap(drawnSymbolIcon(symbol, brandAccent()).pixmap(QSize(20, 20)));
    return label;
}

QLabel* headline(const QString& text)
{
    auto* label = new QLabel(text);
    label->setFont(pixelFont(label->font(), 13, QFont::DemiBold));
    return label;
}

} // namespace

ExportPreviewSheet::ExportPreviewSheet(QString generatedCode, std::shared_ptr<QTextDocument> highlighted, const QString& background,
                                       exporting::ExportFormat format, Scheduler scheduler, QWidget* parent)
    : SheetPanel(12, parent), m_generatedCode(std::move(generatedCode)), m_document(std::move(highlighted)), m_format(format),
      m_scheduler(std::move(scheduler))
{
    setAccessibleName(exportPreviewTitle(format));
    const int shadow = kShadowMargin;
    setMinimumSize(600 + 2 * shadow, 400 + 2 * shadow);
    setMaximumSize(800 + 2 * shadow, 600 + 2 * shadow);

    auto* column = new QVBoxLayout(this);
    column->setSpacing(0);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 12, 16, 12);
    header->setSpacing(10);
    header->addWidget(symbolLabel(exportPreviewSymbol(format)));
    m_title = headline(exportPreviewTitle(format));
    header->addWidget(m_title);
    header->addStretch(1);
    m_copy = new QPushButton(tr("Copy to Clipboard"));
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_copy->setDefault(true);
    makeProminent(m_copy);
    m_copy->setMinimumWidth(m_copy->fontMetrics().horizontalAdvance(tr("Copy to Clipboard")) + 28);
    connect(m_copy, &QPushButton::clicked, this, &ExportPreviewSheet::copy);
    m_done = new QPushButton(tr("Done"));
    m_done->setObjectName(QStringLiteral("doneButton"));
    connect(m_done, &QPushButton::clicked, this, &ExportPreviewSheet::doneRequested);
    header->addWidget(m_copy);
    header->addWidget(m_done);
    column->addLayout(header);
    column->addWidget(makeDivider());

    // A plain-text view lays out only the lines it shows, so a long page opens without a pause.
    m_text = new QPlainTextEdit;
    m_text->setObjectName(QStringLiteral("previewText"));
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setAccessibleName(exportPreviewTitle(format));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(12);
    m_text->setFont(mono);
    if (m_document) {
        m_document->setDefaultFont(mono);
        m_document->setDocumentLayout(new QPlainTextDocumentLayout(m_document.get()));
        m_text->setDocument(m_document.get());
    } else {
        m_text->setPlainText(m_generatedCode);
    }
    m_text->document()->setDocumentMargin(14);
    for (const QStringView line : QStringView(m_generatedCode).split(QLatin1Char('\n')))
        m_longestLine = std::max(m_longestLine, int(line.size()));
    if (QColor(background).isValid()) {
        QPalette palette = m_text->palette();
        palette.setColor(QPalette::Base, QColor(background));
        m_text->setPalette(palette);
    }
    column->addWidget(m_text, 1);
}

QSize ExportPreviewSheet::sizeHint() const
{
    // As wide as the longest line wants, within 600 ... 800 by 400 ... 600 points.
    const int lineWidth = m_longestLine * m_text->fontMetrics().horizontalAdvance(QLatin1Char('0')) + 60;
    return QSize(std::clamp(lineWidth, 600, 800), 600).grownBy(contentsMargins());
}

void ExportPreviewSheet::setOnSave(std::function<void()> save)
{
    if (!m_save) {
        m_save = new QPushButton(tr("Save…"));
        m_save->setObjectName(QStringLiteral("saveButton"));
        auto* header = static_cast<QHBoxLayout*>(static_cast<QVBoxLayout*>(layout())->itemAt(0)->layout());
        header->insertWidget(header->indexOf(m_copy), m_save);
    }
    m_save->disconnect();
    connect(m_save, &QPushButton::clicked, this, std::move(save));
}

void ExportPreviewSheet::copy()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_generatedCode); // plain text only, never the colours
    setCopied(true);
    QPointer<ExportPreviewSheet> self(this);
    m_scheduler(2000, [self] {
        if (self) self->setCopied(false);
    });
}

void ExportPreviewSheet::setCopied(bool copied)
{
    m_copied = copied;
    m_copy->setText(copied ? tr("Copied!") : tr("Copy to Clipboard"));
}

namespace {

// The card as assistive technology meets it: one busy element named "Generating code", without
// the spinner and the label as elements of their own.
class GeneratingCodeAccessible : public QAccessibleWidget {
public:
    explicit GeneratingCodeAccessible(QWidget* card) : QAccessibleWidget(card, QAccessible::ProgressBar) {}
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.busy = true;
        return s;
    }
};

QAccessibleInterface* generatingCodeAccessible(const QString& className, QObject* object)
{
    if (className != QLatin1String(GeneratingCodeCard::staticMetaObject.className()) || !object || !object->isWidgetType())
        return nullptr;
    return new GeneratingCodeAccessible(static_cast<QWidget*>(object));
}

} // namespace

GeneratingCodeCard::GeneratingCodeCard(QWidget* parent) : SheetPanel(12, parent)
{
    static const bool installed = (QAccessible::installFactory(generatingCodeAccessible), true);
    Q_UNUSED(installed);
    setAccessibleName(tr("Generating code"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kShadowMargin + 32, kShadowMargin + 32, kShadowMargin + 32, kShadowMargin + 32);
    column->setSpacing(12);
    auto* spinner = new Spinner(32);
    column->addWidget(spinner, 0, Qt::AlignHCenter);
    auto* text = headline(tr("Generating code…"));
    text->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(text, 0, Qt::AlignHCenter);
    setFocusPolicy(Qt::StrongFocus); // the layer keeps focus here, so shortcuts behind it do not fire
}

} // namespace lumara::ui
