// Value texts of the inspector.
#include "ui/inspector/InspectorText.h"

#include "export/text/TextFormat.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace lumara::ui {

namespace {
QString fixed(double value, int decimals) { return QString::fromStdString(exporting::formatFixed(value, decimals)); }
} // namespace

QString percentText(double value, double factor) { return fixed(value * factor, 0) + QLatin1Char('%'); }

QString decimalText(double value, int decimals) { return fixed(value, decimals); }

QString integerPartText(double value)
{
    if (!std::isfinite(value)) return fixed(value, 0);
    double whole = std::trunc(value);
    if (whole == 0.0) whole = 0.0; // -0.5 drops to 0, not "-0"
    return fixed(whole, 0);
}

QString angleText(double value) { return integerPartText(value) + QChar(0x00B0); }

QString cornerRadiusText(double value)
{
    if (value >= 0.99) return QCoreApplication::translate("lumara::ui::ShapeSection", "Circle");
    if (value <= 0.01) return QCoreApplication::translate("lumara::ui::ShapeSection", "Square");
    return percentText(value, 100);
}

QString integerText(std::int64_t value) { return QString::number(value); }

QString sizeFieldText(double value)
{
    if (!std::isfinite(value)) return fixed(value, 0);
    QString text = QLocale().toString(value, 'f', 3);
    const QString point = QLocale().decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(point)) text.chop(point.size());
    }
    return text;
}

bool parseSizeField(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    double parsed = QLocale().toDouble(trimmed, &ok);
    if (!ok) parsed = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

} // namespace lumara::ui
