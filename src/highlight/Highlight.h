// The code highlighter: highlight.js running in a QJSEngine that one dedicated thread owns and that
// serves requests one after another in the order they arrive. Any thread may ask; answers arrive
// as futures whose styled text belongs to the asking thread.
#pragma once

#include "highlight/HighlightCatalog.h"
#include "model/Result.h"

#include <QColor>
#include <QFuture>
#include <QString>

#include <memory>
#include <optional>
#include <variant>

class QTextDocument;
class QThread;

namespace lumara::highlight {

enum class HLJSError {
    contextIsNil,  // no script engine could be created
    fileNotFound,  // the script resource is missing
    hljsNotFound,  // the script ran but defined no global "hljs" (or failed while loading)
    valueNotFound, // a field of the library's result is missing
    scriptFailed,  // the library threw while highlighting (an unknown language name, for instance)
};

// What to ask the library: guess the language, or use one, optionally tolerating illegal input.
struct HighlightMode {
    enum class Kind { automatic, language, languageIgnoreIllegal, languageAlias, languageAliasIgnoreIllegal };
    Kind kind = Kind::automatic;
    HighlightLanguage language = HighlightLanguage::plaintext; // for language kinds
    QString alias;                                            // for alias kinds: a library name

    static HighlightMode automatic() { return {}; }
    static HighlightMode forLanguage(HighlightLanguage l, bool ignoreIllegal = false)
    {
        return {ignoreIllegal ? Kind::languageIgnoreIllegal : Kind::language, l, {}};
    }
    static HighlightMode forAlias(QString name, bool ignoreIllegal = false)
    {
        return {ignoreIllegal ? Kind::languageAliasIgnoreIllegal : Kind::languageAlias, HighlightLanguage::plaintext,
                std::move(name)};
    }
};

// A theme's stylesheet for the library's class names and its background colour ("#282c34").
struct HighlightColors {
    QString css;
    QString background;

    // The dark or light stylesheet of the theme. Empty css (and a neutral background) when the
    // resource is missing.
    static HighlightColors dark(HighlightTheme theme);
    static HighlightColors light(HighlightTheme theme);
};

// What the library returned: its exact HTML and fields, and the styled text built from them.
struct HighlightResult {
    std::shared_ptr<QTextDocument> attributedText; // owned by the thread that asked
    QString html;             // the library's "value"
    bool isUndefined = false; // the library named no language
    bool hasIllegal = false;
    QString language;         // the library's language key, "undefined" when it named none
    int relevance = 0;        // the library's score, truncated toward zero
    QString languageName;     // the language's display name, "unknown" when it named none
    QString backgroundColor;
};

using HighlightOutcome = Result<HighlightResult, HLJSError>;

class Highlight {
public:
    // A highlighter running the script at `scriptPath` (the bundled resource by default) after the
    // compatibility shim. Nothing is loaded until `preload` or the first request.
    explicit Highlight(QString scriptPath = QStringLiteral(":/highlight/highlight.min.js"),
                       QString shimPath = QStringLiteral(":/highlight/shim.js"));
    ~Highlight(); // waits for the request being served, drops the queued ones, stops the thread

    Highlight(const Highlight&) = delete;
    Highlight& operator=(const Highlight&) = delete;

    // The one highlighter the editor shares, created on first use.
    static Highlight& shared();

    // Loads the library in the background now, so the first request does not pay for it.
    void preload();
    // Waits for the request being served (a preload too), then stops the thread: the editor's end
    // does this, so that no script still runs while the process exits. Later requests are never
    // served. Idempotent.
    void stop();

    // Highlights `text` and builds its styled text with `colors`. Requests are served in the order
    // they are made. Fails with the HLJSError of the step that failed.
    QFuture<HighlightOutcome> highlight(const QString& text, const HighlightMode& mode, const HighlightColors& colors);
    // The same with the styled text only.
    QFuture<Result<std::shared_ptr<QTextDocument>, HLJSError>> attributedText(const QString& text, HighlightLanguage language,
                                                                              const HighlightColors& colors);

    // Runs `text` through the library only: the raw fields, no styled text (for comparisons).
    QFuture<HighlightOutcome> highlightRaw(const QString& text, const HighlightMode& mode);

private:
    class Host;
    std::unique_ptr<QThread> m_thread;
    Host* m_host; // lives on m_thread
};

} // namespace lumara::highlight
