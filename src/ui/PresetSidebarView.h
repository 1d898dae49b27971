// The left column: the brand header, the preset library grouped by family (a click applies a copy
// of the preset to the selected state as one undo step), and the appearance switch at the foot.
// The highlighted row follows the document's preset name. UI thread only.
#pragma once

#include "document/OrbDocument.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QListWidget;
class QListWidgetItem;
class QSettings;


namespace lumara::ui {

class SegmentedControl;

// The sidebar's own colours for the light and dark appearance.
struct SidebarColors {
    QColor background, divider, selectedRow, selectionRing;
};
SidebarColors sidebarColors(bool dark);

// The static preset swatch: the background gradient, a soft highlight, a thin edge and, when
// selected, the selection ring 2 points outside `rect`.
void paintPresetThumbnail(QPainter& painter, const QRectF& rect, const OrbValues& values, bool selected, bool dark);
// A slim scroll bar that suits the sidebar and the panels.
QString thinScrollBarStyle();
// The brand mark: an accent disc, a pale offset disc and a faint white edge, `size` across.
void paintBrandMark(QPainter& painter, const QPointF& topLeft, double size);

class PresetSidebarView : public QWidget {
    Q_OBJECT
public:
    // `settings` holds "appTheme"; it must outlive the sidebar.
    PresetSidebarView(OrbDocument* document, QSettings* settings, QWidget* parent = nullptr);

    std::optional<QUuid> selectedPresetID() const { return m_selectedPresetID; }
    // What a click on the preset's row does.
    void applyPreset(const OrbPreset& preset);
    // The list row of a preset, for tests and keyboard navigation.
    QListWidgetItem* itemForPreset(const QString& name) const;
    QListWidget* list() const { return m_list; }
    SegmentedControl* appearanceControl() const { return m_appearance; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void followPresetName();
    void setAppTheme(int value);

    QPointer<OrbDocument> m_document;
    QSettings* m_settings;
    std::optional<QUuid> m_selectedPresetID;
    QListWidget* m_list = nullptr;
    SegmentedControl* m_appearance = nullptr;
};

// A row of mutually exclusive text segments on a rounded track.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    SegmentedControl(QStringList labels, QWidget* parent = nullptr);
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The segment under a point, or -1.
    int segmentAt(const QPoint& point) const;
    QRect segmentRect(int index) const;

signals:
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QStringList m_labels;
    int m_current = -1;
};

} // namespace lumara::ui
