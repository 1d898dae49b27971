// Named symbols for toolbar, menu and strip buttons. Each prefers the desktop icon theme's icon
// where the freedesktop naming has one, and falls back to a line drawing of ours that takes the
// colour of the current palette, so the window looks complete on a bare system. UI thread only.
#pragma once

#include <QIcon>
#include <QIconEngine>

namespace lumara::ui {

// An icon drawn by its own paint(): every pixmap is that painting on a transparent image, so each
// size and mode is drawn crisp rather than scaled.
class PaintedIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
};

enum class Symbol {
    dice,
    undo,
    redo,
    copyCode,
    photo,
    sidebarLeading,
    sidebarTrailing,
    play,
    pause,
    plus,
    timer,
    appearance,
    open,
    save,
    help,
    swift,
    globe,
    textBubble,
    film,
    package,
};

// The theme icon for the symbol when the desktop has one, else our drawing.
QIcon symbolIcon(Symbol symbol);
// Always our drawing, in `color` when it is valid, else in the palette's button text colour.
QIcon drawnSymbolIcon(Symbol symbol, QColor color = {});

} // namespace lumara::ui
