// The script host: one thread owns the QJSEngine, loads the library once and serves requests in
// arrival order (posted events to one object are delivered in the order they were posted).
#include "highlight/Highlight.h"

#include "highlight/HighlightDocument.h"

#include <QFile>
#include <QJSEngine>
#include <QLoggingCategory>
#include <QPromise>
#include <QTextDocument>
#include <QThread>

// The bundled script and stylesheets live in this static library; registering them here keeps the
// linker from dropping them from programs that link it.
static void registerHighlightResources() { Q_INIT_RESOURCE(highlight); }

namespace lumara::highlight {

namespace {

using Failure = Error<HLJSError>;

QString readResource(const QString& path, bool* found)
{
    QFile file(path);
    *found = file.open(QIODevice::ReadOnly);
    return *found ? QString::fromUtf8(file.readAll()) : QString();
}

HighlightColors colorsFor(HighlightTheme theme, bool dark)
{
    const ThemeEntry& entry = themeEntry(theme);
    const std::string_view sheet = dark ? entry.darkStylesheet : entry.lightStylesheet;
    bool found = false;
    HighlightColors colors;
    colors.css = readResource(QStringLiteral(":/highlight/styles/") + QString::fromUtf8(sheet.data(), qsizetype(sheet.size())) +
                                  QStringLiteral(".min.css"),
                              &found);
    colors.background = backgroundOfStylesheet(colors.css);
    if (colors.background.isEmpty()) colors.background = dark ? QStringLiteral("#1e1e1e") : QStringLiteral("#ffffff");
    return colors;
}

} // namespace

HighlightColors HighlightColors::dark(HighlightTheme theme)
{
    registerHighlightResources();
    return colorsFor(theme, true);
}
HighlightColors HighlightColors::light(HighlightTheme theme)
{
    registerHighlightResources();
    return colorsFor(theme, false);
}

class Highlight::Host : public QObject {
public:
    Host(QString scriptPath, QString shimPath) : m_scriptPath(std::move(scriptPath)), m_shimPath(std::move(shimPath)) {}

    // Loads the shim and the library on first use; the outcome (success or error) is kept.
    Result<Ok, HLJSError> ensureLoaded()
    {
        if (m_loaded) return *m_loaded;
        m_loaded = load();
        return *m_loaded;
    }

    HighlightOutcome run(const QString& text, const HighlightMode& mode)
    {
        if (auto loaded = ensureLoaded(); !loaded) return loaded.error();
        QJSValue result;
        if (mode.kind == HighlightMode::Kind::automatic) {
            result = m_hljs.property(QStringLiteral("highlightAuto")).callWithInstance(m_hljs, {QJSValue(text)});
        } else {
            const bool byAlias = mode.kind == HighlightMode::Kind::languageAlias ||
                                 mode.kind == HighlightMode::Kind::languageAliasIgnoreIllegal;
            const bool ignoreIllegals = mode.kind == HighlightMode::Kind::languageIgnoreIllegal ||
                                        mode.kind == HighlightMode::Kind::languageAliasIgnoreIllegal;
            const std::string_view name = languageEntry(mode.language).libraryName;
            QJSValue options = m_engine->newObject();
            options.setProperty(QStringLiteral("language"),
                                byAlias ? mode.alias : QString::fromUtf8(name.data(), qsizetype(name.size())));
            options.setProperty(QStringLiteral("ignoreIllegals"), ignoreIllegals);
            result = m_hljs.property(QStringLiteral("highlight")).callWithInstance(m_hljs, {QJSValue(text), options});
        }
        if (result.isError()) return Failure{HLJSError::scriptFailed, result.toString().toStdString()};
        const QJSValue value = result.property(QStringLiteral("value"));
        const QJSValue relevance = result.property(QStringLiteral("relevance"));
        if (!value.isString() || !relevance.isNumber()) return Failure{HLJSError::valueNotFound, "the result has no value or relevance"};
        HighlightResult out;
        out.html = value.toString();
        out.relevance = relevance.toInt();
        out.hasIllegal = result.property(QStringLiteral("illegal")).toBool();
        const QJSValue language = result.property(QStringLiteral("language"));
        out.isUndefined = !language.isString();
        out.language = out.isUndefined ? QStringLiteral("undefined") : language.toString();
        out.languageName = QStringLiteral("unknown");
        if (!out.isUndefined) {
            const QJSValue definition =
                m_hljs.property(QStringLiteral("getLanguage")).callWithInstance(m_hljs, {QJSValue(out.language)});
            if (definition.property(QStringLiteral("name")).isString()) out.languageName = definition.property(QStringLiteral("name")).toString();
        }
        return out;
    }

private:
    Result<Ok, HLJSError> load()
    {
        // The engine reports the bundle's hoisting style at length; none of it is actionable.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.qml.compiler=false"));
        m_engine = std::make_unique<QJSEngine>();
        if (!m_engine) return Failure{HLJSError::contextIsNil, "no script engine"};
        bool found = false;
        const QString shim = readResource(m_shimPath, &found);
        if (!found) return Failure{HLJSError::fileNotFound, "missing " + m_shimPath.toStdString()};
        const QString script = readResource(m_scriptPath, &found);
        if (!found) return Failure{HLJSError::fileNotFound, "missing " + m_scriptPath.toStdString()};
        if (QJSValue r = m_engine->evaluate(shim, m_shimPath); r.isError())
            return Failure{HLJSError::hljsNotFound, "shim: " + r.toString().toStdString()};
        if (QJSValue r = m_engine->evaluate(script, m_scriptPath); r.isError())
            return Failure{HLJSError::hljsNotFound, r.toString().toStdString()};
        m_hljs = m_engine->globalObject().property(QStringLiteral("hljs"));
        if (!m_hljs.isObject()) return Failure{HLJSError::hljsNotFound, "the script defines no hljs"};
        return Ok{};
    }

    QString m_scriptPath;
    QString m_shimPath;
    std::unique_ptr<QJSEngine> m_engine;
    QJSValue m_hljs;
    std::optional<Result<Ok, HLJSError>> m_loaded;
};

Highlight::Highlight(QString scriptPath, QString shimPath)
    : m_thread(std::make_unique<QThread>()), m_host(new Host(std::move(scriptPath), std::move(shimPath)))
{
    static const bool registered = (registerHighlightResources(), true);
    (void)registered;
    m_thread->setObjectName(QStringLiteral("Highlighter"));
    m_host->moveToThread(m_thread.get());
    m_thread->start();
}

Highlight::~Highlight()
{
    m_thread->quit();
    m_thread->wait();
    delete m_host; // the thread has stopped: queued requests are dropped and their futures cancelled
}

Highlight& Highlight::shared()
{
    static Highlight* instance = new Highlight; // lives until the process ends, like the editor's other shared objects
    return *instance;
}

void Highlight::stop()
{
    m_thread->quit();
    m_thread->wait();
}

void Highlight::preload()
{
    QMetaObject::invokeMethod(m_host, [host = m_host] { (void)host->ensureLoaded(); }, Qt::QueuedConnection);
}

QFuture<HighlightOutcome> Highlight::highlightRaw(const QString& text, const HighlightMode& mode)
{
    auto promise = std::make_shared<QPromise<HighlightOutcome>>();
    QFuture<HighlightOutcome> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(m_host, [host = m_host, promise, text, mode] {
        promise->addResult(host->run(text, mode));
        promise->finish();
    }, Qt::QueuedConnection);
    return future;
}

QFuture<HighlightOutcome> Highlight::highlight(const QString& text, const HighlightMode& mode, const HighlightColors& colors)
{
    auto promise = std::make_shared<QPromise<HighlightOutcome>>();
    QFuture<HighlightOutcome> future = promise->future();
    promise->start();
    QThread* asker = QThread::currentThread();
    QMetaObject::invokeMethod(m_host, [host = m_host, promise, text, mode, colors, asker] {
        HighlightOutcome outcome = host->run(text, mode);
        if (outcome) {
            std::unique_ptr<QTextDocument> document = styledTextFromHtml(colors.css, outcome->html);
            document->moveToThread(asker);
            outcome->attributedText = std::shared_ptr<QTextDocument>(document.release(), [](QTextDocument* d) { d->deleteLater(); });
            outcome->backgroundColor = colors.background;
        }
        promise->addResult(std::move(outcome));
        promise->finish();
    }, Qt::QueuedConnection);
    return future;
}

QFuture<Result<std::shared_ptr<QTextDocument>, HLJSError>> Highlight::attributedText(const QString& text, HighlightLanguage language,
                                                                                     const HighlightColors& colors)
{
    return highlight(text, HighlightMode::forLanguage(language), colors)
        .then(QtFuture::Launch::Sync, [](const HighlightOutcome& outcome) -> Result<std::shared_ptr<QTextDocument>, HLJSError> {
            if (!outcome) return outcome.error();
            return outcome->attributedText;
        });
}

} // namespace lumara::highlight
