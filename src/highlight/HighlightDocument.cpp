// The library's HTML as styled text through QTextDocument. Any thread.
#include "highlight/HighlightDocument.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace lumara::highlight {

namespace {

// White space and line breaks at the ends of the library's HTML (its value never starts or ends
// inside a tag with them, so trimming the HTML trims the text).
QString trimmed(const QString& html)
{
    qsizetype begin = 0, end = html.size();
    while (begin < end && html.at(begin).isSpace()) ++begin;
    while (end > begin && html.at(end - 1).isSpace()) --end;
    return html.mid(begin, end - begin);
}

void removeFontFaceAndSize(QTextDocument& document, const QColor& themeBackground)
{
    QTextCursor cursor(&document);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat blockFormat = block.blockFormat();
        blockFormat.clearBackground();
        blockFormat.setTopMargin(0);
        blockFormat.setBottomMargin(0);
        blockFormat.setLeftMargin(0);
        blockFormat.setRightMargin(0);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(blockFormat);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            for (int property : {QTextFormat::FontFamily, QTextFormat::FontFamilies, QTextFormat::FontStyleName,
                                 QTextFormat::FontPointSize, QTextFormat::FontPixelSize, QTextFormat::FontSizeAdjustment,
                                 QTextFormat::FontStyleHint, QTextFormat::FontStyleStrategy, QTextFormat::FontFixedPitch})
                format.clearProperty(property);
            // The theme's own background belongs to the view behind the text, not to each run.
            if (format.hasProperty(QTextFormat::BackgroundBrush) && format.background().color() == themeBackground)
                format.clearBackground();
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

} // namespace

QString highlightDocumentHtml(const QString& css, const QString& valueHtml)
{
    return QStringLiteral("<style>\n") + css + QStringLiteral("\n</style>\n<pre><code class=\"hljs\">") + trimmed(valueHtml) +
           QStringLiteral("</code></pre>");
}

QString backgroundOfStylesheet(const QString& css)
{
    // The rule for `.hljs` itself (not `.hljs-...`): its background or background-color.
    static const QRegularExpression rule(QStringLiteral(R"((?:^|[}\s,])\.hljs\s*\{([^}]*)\})"));
    static const QRegularExpression background(QStringLiteral(R"(background(?:-color)?\s*:\s*(#[0-9A-Fa-f]{3,8}|[a-z]+))"));
    for (auto rules = rule.globalMatch(css); rules.hasNext();) {
        const auto match = background.match(rules.next().captured(1));
        if (match.hasMatch()) return match.captured(1);
    }
    return {};
}

std::unique_ptr<QTextDocument> styledTextFromHtml(const QString& css, const QString& valueHtml)
{
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setDocumentMargin(0);
    document->setHtml(highlightDocumentHtml(css, valueHtml));
    removeFontFaceAndSize(*document, QColor(backgroundOfStylesheet(css)));
    // Drop a line end the conversion may leave after the code: the text ends where the code ends.
    if (document->blockCount() > 1 && document->lastBlock().text().isEmpty()) {
        QTextCursor cursor(document.get());
        cursor.movePosition(QTextCursor::End);
        cursor.deletePreviousChar();
    }
    return document;
}

} // namespace lumara::highlight
