// Unicode property tables from Qt's character data. Pure; any thread.
#include "highlight/bundle/UnicodeTables.h"

#include <QChar>

#include <functional>

namespace lumara::highlight::bundle {

namespace {

CodePointRanges rangesWhere(const std::function<bool(QChar::Category)>& member)
{
    CodePointRanges ranges;
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (!member(QChar::category(cp))) continue;
        if (!ranges.empty() && ranges.back().second + 1 == cp) ranges.back().second = cp;
        else ranges.emplace_back(cp, cp);
    }
    return ranges;
}

bool isLetter(QChar::Category c) { return c >= QChar::Letter_Uppercase && c <= QChar::Letter_Other; }
bool isPunctuation(QChar::Category c) { return c >= QChar::Punctuation_Connector && c <= QChar::Punctuation_Other; }
bool isSymbol(QChar::Category c) { return c >= QChar::Symbol_Math && c <= QChar::Symbol_Other; }
bool startsIdentifier(QChar::Category c) { return isLetter(c) || c == QChar::Number_Letter; }
bool continuesIdentifier(QChar::Category c)
{
    return startsIdentifier(c) || c == QChar::Mark_NonSpacing || c == QChar::Mark_SpacingCombining ||
           c == QChar::Number_DecimalDigit || c == QChar::Punctuation_Connector;
}

} // namespace

std::vector<UnicodeProperty> bundledUnicodeProperties()
{
    return {
        {"L", rangesWhere(isLetter)},
        {"P", rangesWhere(isPunctuation)},
        {"S", rangesWhere(isSymbol)},
        {"XID_Start", rangesWhere(startsIdentifier)},
        {"XID_Continue", rangesWhere(continuesIdentifier)},
    };
}

} // namespace lumara::highlight::bundle
