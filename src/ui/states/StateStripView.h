// The strip of state chips above the canvas: select, add, rename (double click or context menu,
// committed by Return or by leaving the field) and delete states, and, from two states on, the
// transition-time slider and the play/stop button. Every change goes through the document; the
// strip keeps only the rename in progress. UI thread only.
#pragma once

#include "document/OrbDocument.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSlider;
class QToolButton;


namespace lumara::ui {

class StateChip;

class StateStripView : public QWidget {
    Q_OBJECT
public:
    explicit StateStripView(OrbDocument* document, QWidget* parent = nullptr);

    bool isPlaying() const { return m_isPlaying; }
    void setPlaying(bool playing);

    std::optional<qsizetype> editingIndex() const { return m_editingIndex; }
    QString editingText() const;

    // Gestures and commands of chip i, as the chip and its context menu call them.
    void clickChip(qsizetype index);
    void startRenaming(qsizetype index);
    void commitRename(qsizetype index);
    void deleteState(qsizetype index);

    // Parts for tests and for the window's keyboard focus order.
    StateChip* chip(qsizetype index) const;
    qsizetype chipCount() const { return m_chips.size(); }
    QLineEdit* renameField() const;
    QAbstractButton* addButton() const;
    QWidget* playbackGroup() const { return m_playbackGroup; }
    QSlider* transitionSlider() const { return m_slider; }
    QLabel* transitionLabel() const { return m_transitionLabel; }
    QToolButton* playButton() const { return m_playButton; }

signals:
    void playingChanged(bool playing);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void syncChips();
    void syncTransition();
    void syncPlayButton();

    QPointer<OrbDocument> m_document;
    bool m_isPlaying = false;
    std::optional<qsizetype> m_editingIndex;
    // The state being renamed, by id: a change of the list (a state added, undo, a preset) rebuilds
    // the chips, and the field follows its state there with the text typed so far.
    QUuid m_editingId;
    QList<StateChip*> m_chips;
    QWidget* m_chipRow = nullptr;
    QHBoxLayout* m_chipLayout = nullptr;
    QToolButton* m_addButton = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_playbackGroup = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_transitionLabel = nullptr;
    QLabel* m_timerIcon = nullptr;
    QToolButton* m_playButton = nullptr;
};

// One capsule chip: the state's name, or the rename field while it is being renamed.
class StateChip : public QWidget {
    Q_OBJECT
public:
    StateChip(StateStripView* strip, OrbState* state);

    OrbState* state() const { return m_state; }
    void setIndex(qsizetype index) { m_index = index; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    // Shows the rename field with `text` and focuses it, or the name again.
    void setEditing(bool editing, const QString& text = {});
    QLineEdit* field() const { return m_field; }
    QString displayedName() const;
    // The context menu's actions: "Rename" and "Delete State".
    QList<QAction*> menuActions() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QFont nameFont() const;

    StateStripView* m_strip;
    QPointer<OrbState> m_state;
    qsizetype m_index = 0;
    bool m_selected = false;
    QLineEdit* m_field = nullptr;
    QAction* m_renameAction = nullptr;
    QAction* m_deleteAction = nullptr;
};

} // namespace lumara::ui
