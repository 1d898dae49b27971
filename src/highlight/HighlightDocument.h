// Turns the library's HTML into styled text: the small document of a theme stylesheet and the
// highlighted code, converted with QTextDocument. Any thread; the document belongs to the caller.
#pragma once

#include <QString>

#include <memory>

class QTextDocument;

namespace lumara::highlight {

// "<style>\n" + css + "\n</style>\n<pre><code class=\"hljs\">" + the HTML with white space and
// line breaks trimmed at both ends + "</code></pre>".
QString highlightDocumentHtml(const QString& css, const QString& valueHtml);

// The styled text of that document: the theme's class colours applied, every font family and size
// removed (the view chooses its monospaced font; bold and italic stay), and no line end added
// after the text. Its plain text is the highlighted code's text, trimmed at both ends.
std::unique_ptr<QTextDocument> styledTextFromHtml(const QString& css, const QString& valueHtml);

// A theme's background colour from its stylesheet (the `.hljs` rule's background), or nothing.
QString backgroundOfStylesheet(const QString& css);

} // namespace lumara::highlight
