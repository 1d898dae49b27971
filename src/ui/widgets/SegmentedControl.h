// The segmented control: a row of text segments of which one is chosen, by click or by the arrow
// keys. UI thread only.
#pragma once

#include <QStringList>
#include <QWidget>

namespace lumara::ui {

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
    // The labels' font: 12 pixels, medium, or smaller (down to 9) where a segment is too narrow
    // for its label, so every label stays whole.
    QFont labelFont() const;

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
