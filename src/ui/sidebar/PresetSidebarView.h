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

// The static preset swatch: the background gradient, a soft highlight, a thin edge and, when
// selected, the selection ring 2 points outside `rect`.
void paintPresetThumbnail(QPainter& painter, const QRectF& rect, const OrbValues& values, bool selected, bool dark);

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followPresetName();
    void setAppTheme(int value);

    QPointer<OrbDocument> m_document;
    QSettings* m_settings;
    std::optional<QUuid> m_selectedPresetID;
    QListWidget* m_list = nullptr;
    SegmentedControl* m_appearance = nullptr;
};

} // namespace lumara::ui
