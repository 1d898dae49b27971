// The brand mark, drawn at any size, and the application icon made of it. UI thread only (the
// icon's pixmaps need a QGuiApplication).
#pragma once

#include <QIcon>

class QPainter;
class QPointF;

namespace lumara::ui {

// The brand mark: an accent disc, a pale offset disc and a faint white edge, `size` across.
void paintBrandMark(QPainter& painter, const QPointF& topLeft, double size);

// The application icon: the brand mark at the usual sizes.
QIcon brandIcon();

} // namespace lumara::ui
