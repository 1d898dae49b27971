// The help sheet's layout: header, three sections of rows, "Done". UI thread only.
#include "ui/onboarding/HelpView.h"

#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace lumara::ui {

namespace {

struct ShortcutEntry {
    const char* label;
    const char* action;
};

constexpr ShortcutEntry kFileRows[] = {{QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Open"), "openAction"},
                                       {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Save"), "saveAction"},
                                       {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Save As"), "saveAsAction"},
                                       {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Copy Design Code"), "copyDesignCodeAction"}};
constexpr ShortcutEntry kEditingRows[] = {{QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Undo"), "undoAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Redo"), "redoAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Randomize Orb"), "randomizeAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Randomize with Seed"), "randomizeWithSeedAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Pause Motion"), "pauseMotionAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Zoom In"), "zoomInAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Zoom Out"), "zoomOutAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Zoom to Fit"), "zoomToFitAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Actual Size"), "actualSizeAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Copy Look"), "copyLookAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Paste Look"), "pasteLookAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Colors From Image"), "colorsFromImageAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Paste Design Code"), "pasteDesignCodeAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Toggle Inspector"), "toggleInspectorAction"},
                                          {QT_TRANSLATE_NOOP("lumara::ui::HelpView", "Toggle Sidebar"), "toggleSidebarAction"}};

enum class ExportSymbol { swift, globe, photo };
struct ExportEntry {
    ExportSymbol symbol;
    const char* title;
    const char* action;
    const char* description;
};
constexpr ExportEntry kExportRows[] = {
    {ExportSymbol::swift, QT_TRANSLATE_NOOP("lumara::ui::HelpView", "SwiftUI Code"), "exportSwiftUIAction",
     QT_TRANSLATE_NOOP("lumara::ui::HelpView", "A standalone SwiftUI view you can drop directly into your Xcode project.")},
    {ExportSymbol::globe, QT_TRANSLATE_NOOP("lumara::ui::HelpView", "HTML"), "exportHTMLAction", QT_TRANSLATE_NOOP("lumara::ui::HelpView", "A self-contained HTML file with animated canvas output.")},
    {ExportSymbol::photo, QT_TRANSLATE_NOOP("lumara::ui::HelpView", "PNG Image"), "exportPNGAction", QT_TRANSLATE_NOOP("lumara::ui::HelpView", "A high-resolution snapshot of your orb design.")},
};

// The keys of a row on a rounded chip of the quaternary fill, in the secondary colour.
class KeyChip : public QLabel {
public:
    KeyChip(const QString& keys, int pixels, int padX, int padY, double radius, QWidget* parent = nullptr)
        : QLabel(keys, parent), m_radius(radius)
    {
        setFont(pixelFont(font(), pixels));
        setContentsMargins(padX, padY, padX, padY);
        setForegroundRole(QPalette::PlaceholderText);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        setAccessibleName(keys);
        setObjectName(QStringLiteral("helpKeys"));
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(withAlpha(palette().color(QPalette::WindowText), 0.08));
        p.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
        p.end();
        QLabel::paintEvent(event);
    }

private:
    double m_radius;
};

// The export row's symbol, 12 points, in the secondary colour, in a 24-point-wide box.
class ExportGlyph : public QWidget {
public:
    explicit ExportGlyph(ExportSymbol symbol, QWidget* parent = nullptr) : QWidget(parent), m_symbol(symbol)
    {
        setFixedSize(24, 16);
        setObjectName(QStringLiteral("helpExportSymbol"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor color = palette().color(QPalette::PlaceholderText);
        const QRectF box(6, 2, 12, 12);
        switch (m_symbol) {
        case ExportSymbol::photo: drawnSymbolIcon(Symbol::photo, color).paint(&p, box.toAlignedRect()); break;
        case ExportSymbol::swift: drawnSymbolIcon(Symbol::swift, color).paint(&p, box.toAlignedRect()); break;
        case ExportSymbol::globe: {
            p.setPen(QPen(color, 1.1));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
            p.drawEllipse(box.adjusted(3.5, 0.5, -3.5, -0.5));
            p.drawLine(QPointF(box.left() + 0.5, box.center().y()), QPointF(box.right() - 0.5, box.center().y()));
            break;
        }
        }
    }

private:
    ExportSymbol m_symbol;
};

QLabel* sectionTitle(const QString& text)
{
    auto* label = new QLabel(text);
    label->setFont(pixelFont(label->font(), 15, QFont::DemiBold));
    label->setProperty("helpSection", true);
    return label;
}

QWidget* shortcutRow(const QString& section, const QString& labelText, const QString& keys)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(labelText);
    label->setFont(pixelFont(label->font(), 13));
    layout->addWidget(label);
    layout->addStretch(1);
    layout->addWidget(new KeyChip(keys, 13, 8, 3, 5));
    row->setProperty("helpRow", QStringList{section, labelText, {}});
    return row;
}

QWidget* exportRow(const ExportEntry& entry, const QString& keys)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new ExportGlyph(entry.symbol), 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    auto* title = new QLabel(QCoreApplication::translate("lumara::ui::HelpView", entry.title));
    title->setFont(pixelFont(title->font(), 13, QFont::Medium));
    titleLine->addWidget(title);
    titleLine->addWidget(new KeyChip(keys, 11, 6, 2, 4));
    titleLine->addStretch(1);
    auto* description = new QLabel(QCoreApplication::translate("lumara::ui::HelpView", entry.description));
    description->setFont(pixelFont(description->font(), 12));
    description->setForegroundRole(QPalette::PlaceholderText);
    description->setWordWrap(true);
    column->addLayout(titleLine);
    column->addWidget(description);
    layout->addLayout(column, 1);
    row->setProperty("helpRow", QStringList{QCoreApplication::translate("lumara::ui::HelpView", "Export"), QCoreApplication::translate("lumara::ui::HelpView", entry.title), {}});
    return row;
}

} // namespace

QString shortcutText(const QAction* action)
{
    if (!action || action->shortcut().isEmpty()) return {};
    return action->shortcut().toString(QKeySequence::NativeText);
}

HelpView::HelpView(std::function<QAction*(const char*)> actionNamed, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Lumara Help"));
    setWindowModality(Qt::WindowModal);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(10);

    auto* header = new QLabel(tr("Lumara Help"));
    header->setFont(pixelFont(header->font(), 20, QFont::Bold));
    auto* tagline = new QLabel(tr("Design animated orbs with real-time preview"));
    tagline->setFont(pixelFont(tagline->font(), 13));
    tagline->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(header);
    column->addWidget(tagline);

    const auto keysOf = [&](const char* name) { return shortcutText(actionNamed(name)); };
    const auto addSection = [&](const QString& title, const auto& entries) {
        column->addSpacing(12);
        column->addWidget(sectionTitle(title));
        for (const ShortcutEntry& entry : entries)
            column->addWidget(shortcutRow(title, tr(entry.label), keysOf(entry.action)));
    };
    addSection(tr("File"), kFileRows);
    addSection(tr("Editing & View"), kEditingRows);
    column->addSpacing(12);
    column->addWidget(sectionTitle(tr("Export")));
    for (const ExportEntry& entry : kExportRows) column->addWidget(exportRow(entry, keysOf(entry.action)));
    column->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* buttons = new QDialogButtonBox;
    m_done = buttons->addButton(tr("Done"), QDialogButtonBox::AcceptRole);
    m_done->setDefault(true); // Return closes the sheet
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(scroll, 1);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(24, 0, 24, 0);
    bar->addWidget(buttons);
    layout->addLayout(bar);
    // 480 points wide, or wider where a language's rows need it: the sheet never scrolls across.
    const int needed = content->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width();
    setFixedSize(std::max(480, needed), 520);
}

std::vector<HelpView::Row> HelpView::rows() const
{
    std::vector<Row> rows;
    for (const QWidget* widget : findChildren<QWidget*>()) {
        const QStringList row = widget->property("helpRow").toStringList();
        const auto* keys = widget->findChild<QLabel*>(QStringLiteral("helpKeys"));
        if (row.size() == 3 && keys) rows.push_back({row[0], row[1], keys->text()});
    }
    return rows;
}

} // namespace lumara::ui
