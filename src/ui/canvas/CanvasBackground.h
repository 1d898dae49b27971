// The canvas backdrops and the preference that chooses one. Drawing helpers are pure functions of
// a painter and a rectangle; the preference is read and written through QSettings. UI thread only.
#pragma once

#include "document/PreferenceKeys.h"

#include <QColor>
#include <QRectF>
#include <QString>

#include <array>
#include <optional>

class QPainter;
class QSettings;

namespace lumara::ui {

inline constexpr const char* kCanvasBackgroundKey = keys::canvasBackground;

enum class CanvasBackground : int { checkerboard = 0, white = 1, black = 2, lightGray = 3, darkGray = 4 };
inline constexpr std::array kAllCanvasBackgrounds{CanvasBackground::checkerboard, CanvasBackground::white,
                                                  CanvasBackground::black, CanvasBackground::lightGray,
                                                  CanvasBackground::darkGray};

// "Checkerboard", "White", "Black", "Light Gray", "Dark Gray".
QString canvasBackgroundName(CanvasBackground background);
// The plain fill; nothing for the checkerboard.
std::optional<QColor> canvasBackgroundColor(CanvasBackground background);
// The case with this raw value, or nothing.
std::optional<CanvasBackground> canvasBackgroundFromRaw(int raw);
// The backdrop a stored raw value shows: values outside 0...4 show the checkerboard.
CanvasBackground canvasBackgroundForRaw(int raw);

// The stored raw value (default 0). It is kept as stored, so an unknown value stays unknown
// until the user picks a case.
int storedCanvasBackground(const QSettings& settings);
void storeCanvasBackground(QSettings& settings, CanvasBackground background);

// Squares of `square` points from the rectangle's top-left corner, `even` where column + row is
// even and `odd` elsewhere; squares at the right and bottom edges are cut by the rectangle.
void drawCheckerboard(QPainter& painter, const QRectF& rect, double square, const QColor& even, const QColor& odd);
// Number of columns and rows of `square`-point squares that cover a width and height.
std::pair<int, int> checkerboardGrid(double width, double height, double square);

// The canvas backdrop: 12-point squares of grey 0.18 and 0.14.
void drawCanvasCheckerboard(QPainter& painter, const QRectF& rect);
// The whole backdrop of the canvas: the background's colour, or the canvas checkerboard.
void drawCanvasBackdrop(QPainter& painter, const QRectF& rect, CanvasBackground background);
// The swatch of the checkerboard choice: 4-point squares of grey 0.85 and 0.55.
void drawMiniCheckerboard(QPainter& painter, const QRectF& rect);

// "W × H" from an orb size, each converted toward zero; non-finite or absurd sizes read 0.
QString orbSizeLabel(double orbSize);

} // namespace lumara::ui
