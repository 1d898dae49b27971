// The preset list with its painted rows, the brand header and the appearance switch. UI thread only.
#include "ui/sidebar/PresetSidebarView.h"

#include "document/OrbDocument.h"
#include "model/OrbPreset.h"
#include "ui/style/BrandMark.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"
#include "ui/widgets/SegmentedControl.h"

#include <QBoxLayout>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScrollBar>
#include <QSettings>
#include <QStyledItemDelegate>

#include <string>

namespace lumara::ui {

namespace {

// The categories' names as the library's headers show them, listed here for lupdate; looked up by
// the category's raw value. The presets' own names are product data and stay as they are.
[[maybe_unused]] constexpr const char* kCategoryNames[] = {
    QT_TRANSLATE_NOOP("lumara::ui::PresetSidebarView", "Cool"), QT_TRANSLATE_NOOP("lumara::ui::PresetSidebarView", "Warm"),
    QT_TRANSLATE_NOOP("lumara::ui::PresetSidebarView", "Neon"), QT_TRANSLATE_NOOP("lumara::ui::PresetSidebarView", "Pastel"),
    QT_TRANSLATE_NOOP("lumara::ui::PresetSidebarView", "Dark")};

enum ItemRole { kindRole = Qt::UserRole, presetRole, firstRole };
enum ItemKind { headerKind, presetKind };

QColor toQColor(const CodableColor& c)
{
    const auto unit = [](double v) { return float(std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0); };
    return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.opacity));
}

// A one-pixel line in the sidebar's divider colour.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent = nullptr) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), sidebarColors(isDarkAppearance()).divider);
    }
};

class BrandMarkWidget : public QWidget {
public:
    explicit BrandMarkWidget(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(24, 24); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        paintBrandMark(p, QPointF(0, 0), 24);
    }
};

// Section headers and preset rows of the library list.
class PresetDelegate : public QStyledItemDelegate {
public:
    PresetDelegate(const PresetSidebarView* sidebar, QObject* parent) : QStyledItemDelegate(parent), m_sidebar(sidebar) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.data(kindRole).toInt() == headerKind) {
            const int above = index.data(firstRole).toBool() ? 8 : 16;
            return {option.rect.width(), above + QFontMetrics(headerFont(option.font)).height() + 4};
        }
        return {option.rect.width(), 4 + 40 + 4};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool dark = isDarkAppearance();
        const SidebarColors colors = sidebarColors(dark);
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        const QRect r = option.rect;
        if (index.data(kindRole).toInt() == headerKind) {
            p->setFont(headerFont(option.font));
            p->setPen(option.palette.color(QPalette::PlaceholderText));
            const int above = index.data(firstRole).toBool() ? 8 : 16;
            p->drawText(r.adjusted(12, above, -12, -4), Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
            p->restore();
            return;
        }
        const OrbPreset& preset = allPresets().at(std::size_t(index.data(presetRole).toInt()));
        const bool selected = m_sidebar->selectedPresetID() == preset.id;
        const QRectF row = QRectF(r).adjusted(6, 1, -6, -1);
        if (selected) {
            p->setPen(Qt::NoPen);
            p->setBrush(colors.selectedRow);
            p->drawRoundedRect(row, 7, 7);
        } else if (option.state & QStyle::State_MouseOver) {
            p->setPen(Qt::NoPen);
            p->setBrush(withAlpha(colors.divider, 0.6));
            p->drawRoundedRect(row, 7, 7);
        }
        if ((option.state & QStyle::State_HasFocus) && m_sidebar->list()->hasFocus()) {
            // The keyboard's row: a ring in the accent, inside the row's own outline.
            p->setPen(QPen(withAlpha(colors.selectionRing, 0.8), 1.5));
            p->setBrush(Qt::NoBrush);
            p->drawRoundedRect(row.adjusted(0.75, 0.75, -0.75, -0.75), 7, 7);
        }
        const QRectF thumb(r.left() + 12, r.top() + 4, 40, 40);
        paintPresetThumbnail(*p, thumb, preset.configuration, selected, dark);
        p->setFont(pixelFont(option.font, 13, selected ? QFont::DemiBold : QFont::Normal));
        p->setPen(option.palette.color(QPalette::WindowText));
        const QRect textRect = r.adjusted(12 + 40 + 10, 0, -12, 0);
        const QString name = QFontMetrics(p->font()).elidedText(QString::fromStdString(preset.name), Qt::ElideRight, textRect.width());
        p->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, name);
        p->restore();
    }

private:
    static QFont headerFont(const QFont& base) { return pixelFont(base, 11, QFont::DemiBold); }
    const PresetSidebarView* m_sidebar;
};

} // namespace

void paintPresetThumbnail(QPainter& p, const QRectF& rect, const OrbValues& values, bool selected, bool dark)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    const auto& colors = values.backgroundColors;
    if (colors.size() == 1) gradient.setColorAt(0, toQColor(colors.front()));
    for (std::size_t i = 0; colors.size() > 1 && i < colors.size(); ++i)
        gradient.setColorAt(double(i) / double(colors.size() - 1), toQColor(colors[i]));
    p.setPen(Qt::NoPen);
    p.setBrush(colors.empty() ? QBrush(Qt::transparent) : QBrush(gradient));
    p.drawEllipse(rect);

    // The soft highlight: white at 0.12, blurred by about 3 points, seen through a 22-point disc
    // moved 4 points up and left.
    const QPointF c = rect.center() - QPointF(4, 4);
    QRadialGradient glow(c, 11);
    glow.setColorAt(0, QColor(255, 255, 255, 31));
    glow.setColorAt(8.0 / 11.0, QColor(255, 255, 255, 31));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    QPainterPath clip;
    clip.addEllipse(rect);
    p.setClipPath(clip);
    p.setBrush(glow);
    p.drawEllipse(c, 11, 11);
    p.setClipping(false);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 31), 0.5));
    p.drawEllipse(rect.adjusted(0.25, 0.25, -0.25, -0.25));
    if (selected) {
        p.setPen(QPen(sidebarColors(dark).selectionRing, 2));
        p.drawEllipse(rect.adjusted(-2, -2, 2, 2));
    }
    p.restore();
}

PresetSidebarView::PresetSidebarView(OrbDocument* document, QSettings* settings, QWidget* parent)
    : QWidget(parent), m_document(document), m_settings(settings)
{
    setAccessibleName(tr("Presets"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(16, 16, 16, 12);
    header->setSpacing(10);
    header->addWidget(new BrandMarkWidget, 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    auto* title = new QLabel(QStringLiteral("Lumara"));
    title->setFont(pixelFont(font(), 14, QFont::DemiBold));
    auto* subtitle = new QLabel(tr("Presets"));
    subtitle->setFont(pixelFont(font(), 11));
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    header->addLayout(titles, 1);
    column->addLayout(header);
    column->addWidget(new Divider);

    m_list = new QListWidget;
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    m_list->setItemDelegate(new PresetDelegate(this, m_list));
    m_list->verticalScrollBar()->setStyleSheet(thinScrollBarStyle());
    m_list->setAccessibleName(tr("Preset library"));
    const auto& presets = allPresets();
    bool first = true;
    for (PresetCategory category : kAllPresetCategories) {
        auto* head = new QListWidgetItem(tr(std::string(presetCategoryRawValue(category)).c_str()));
        head->setFlags(Qt::NoItemFlags);
        head->setData(kindRole, headerKind);
        head->setData(firstRole, first);
        m_list->addItem(head);
        first = false;
        for (std::size_t i = 0; i < presets.size(); ++i) {
            if (presets[i].category != category) continue;
            auto* item = new QListWidgetItem(QString::fromStdString(presets[i].name));
            item->setFlags(Qt::ItemIsEnabled);
            item->setData(kindRole, presetKind);
            item->setData(presetRole, int(i));
            item->setToolTip(tr("Apply %1").arg(item->text()));
            m_list->addItem(item);
        }
    }
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(kindRole).toInt() == presetKind) applyPreset(allPresets().at(std::size_t(item->data(presetRole).toInt())));
    });
    // Return, Enter and Space apply the focused row, wherever the pointer happens to be.
    m_list->installEventFilter(this);
    column->addWidget(m_list, 1);
    column->addWidget(new Divider);

    auto* appearanceRow = new QHBoxLayout;
    appearanceRow->setContentsMargins(16, 8, 16, 8);
    appearanceRow->setSpacing(8);
    auto* icon = new QLabel;
    icon->setFixedWidth(16);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(drawnSymbolIcon(Symbol::appearance, brandAccent()).pixmap(QSize(11, 11), devicePixelRatioF()));
    appearanceRow->addWidget(icon);
    m_appearance = new SegmentedControl({tr("System"), tr("Light"), tr("Dark")});
    m_appearance->setAccessibleName(tr("Appearance"));
    m_appearance->setCurrentIndex(storedAppTheme(*m_settings));
    connect(m_appearance, &SegmentedControl::activated, this, &PresetSidebarView::setAppTheme);
    appearanceRow->addWidget(m_appearance, 1);
    auto* appearanceBox = new QWidget;
    appearanceBox->setMinimumHeight(44);
    appearanceBox->setLayout(appearanceRow);
    column->addWidget(appearanceBox);

    connect(document, &OrbDocument::currentPresetNameChanged, this, &PresetSidebarView::followPresetName);
    followPresetName();
}

void PresetSidebarView::applyPreset(const OrbPreset& preset)
{
    m_selectedPresetID = preset.id;
    m_list->viewport()->update();
    // One undo step, the preset's name, a copy of its look in the selected state, autosave.
    if (m_document) m_document->applyPreset(preset);
}

QListWidgetItem* PresetSidebarView::itemForPreset(const QString& name) const
{
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        if (item->data(kindRole).toInt() == presetKind && item->text() == name) return item;
    }
    return nullptr;
}

void PresetSidebarView::followPresetName()
{
    m_selectedPresetID.reset();
    if (m_document && m_document->currentPresetName()) {
        if (const OrbPreset* preset = findPreset(m_document->currentPresetName()->toStdString()))
            m_selectedPresetID = preset->id;
    }
    m_list->viewport()->update();
}

void PresetSidebarView::setAppTheme(int value)
{
    m_settings->setValue(kAppThemeKey, value);
    m_settings->sync();
    applyAppTheme(value);
}

void PresetSidebarView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), sidebarColors(isDarkAppearance()).background);
}

bool PresetSidebarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QListWidgetItem* item = m_list->currentItem();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && item &&
            item->data(kindRole).toInt() == presetKind) {
            applyPreset(allPresets().at(std::size_t(item->data(presetRole).toInt())));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PresetSidebarView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) update();
}
} // namespace lumara::ui
