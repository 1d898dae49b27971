// The highlighter with the real bundled highlight.js: the run-time shim against the behaviour it
// restores, errors, request order, the styled text, and the themes.
#include "highlight/Highlight.h"
#include "highlight/HighlightDocument.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QJSEngine>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <mutex>

using namespace lumara::highlight;

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "highlight-test";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QGuiApplication(argc, argv);
    return *instance;
}

QString resourceText(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

HighlightOutcome wait(QFuture<HighlightOutcome> future)
{
    future.waitForFinished();
    return future.result();
}

} // namespace

// Each expression evaluates to true on a standard engine; the shim must make Qt's engine agree.
TEST(HighlightShim, RestoresStandardBehaviour)
{
    app();
    QJSEngine engine;
    ASSERT_FALSE(engine.evaluate(resourceText(QStringLiteral(":/highlight/shim.js"))).isError());
    for (const char* expression : {
             // Stable sort: equal keys keep their order; undefined last; holes at the end; default is string order.
             "var a=[];for(var i=0;i<50;i++)a.push({k:i%3,i:i});a.sort(function(x,y){return x.k-y.k});"
             "a.every(function(e,j){return j==0||a[j-1].k<e.k||(a[j-1].k==e.k&&a[j-1].i<e.i)})",
             "[3,undefined,1,,2].sort(function(x,y){return x-y}).join()=='1,2,3,,'",
             "var h=[3,,1];h.sort();h.length==3&&h[0]==1&&h[1]==3&&!(2 in h)",
             "[10,9,1].sort().join()=='1,10,9'",
             "[2,1].sort(function(){return NaN}).join()=='2,1'",
             "(function(){try{[1].sort(5);return false}catch(e){return e instanceof TypeError}})()",
             // Sources rebuild patterns that match what the literal matched.
             R"js(/a\/b/.source=='a\\/b'||/a\/b/.source=='a/b')js",
             "new RegExp(/a\\/b/.source).test('a/b')",
             "new RegExp(/[/]/.source).test('/')",
             "new RegExp(/\\\\\\//.source).test('\\\\/')",
             "new RegExp(new RegExp('/').source).test('/')",
             "!new RegExp(/x\\/\\/y/.source).test('x\\\\/\\\\/y')",
             // A console that accepts the library's messages.
             "typeof console.warn=='function'&&typeof console.error=='function'&&typeof console.log=='function'",
         }) {
        const QJSValue result = engine.evaluate(QString::fromUtf8(expression));
        EXPECT_TRUE(result.isBool() && result.toBool()) << expression << " -> " << result.toString().toStdString();
    }
}

TEST(Highlighter, AMissingScriptOrLibraryIsATypedError)
{
    app();
    QTemporaryFile script;
    ASSERT_TRUE(script.open());
    script.write("var notTheLibrary = 1;");
    script.close();
    const std::pair<QString, HLJSError> cases[] = {{QStringLiteral(":/highlight/missing.min.js"), HLJSError::fileNotFound},
                                                   {script.fileName(), HLJSError::hljsNotFound}};
    for (const auto& [path, code] : cases) {
        Highlight highlighter(path);
        const HighlightOutcome outcome =
            wait(highlighter.highlight(QStringLiteral("let x = 1"), HighlightMode::forLanguage(HighlightLanguage::swift),
                                       HighlightColors::dark(HighlightTheme::atomOne)));
        ASSERT_FALSE(outcome.ok()) << path.toStdString();
        EXPECT_EQ(outcome.error().code, code) << path.toStdString();
    }
}

TEST(Highlighter, ReportsTheLibrarysFields)
{
    app();
    Highlight highlighter;
    struct Case {
        HighlightMode mode;
        const char* text;
        const char* language;
        const char* languageName;
        bool undefinedLanguage;
    };
    for (const Case& c : {
             Case{HighlightMode::forLanguage(HighlightLanguage::swift), "let x = 1", "swift", "Swift", false},
             // The language key is the name asked for; the display name is the grammar's.
             Case{HighlightMode::forLanguage(HighlightLanguage::html), "<b>x</b>", "html", "HTML, XML", false},
             Case{HighlightMode::forAlias(QStringLiteral("md")), "# T", "md", "Markdown", false},
             Case{HighlightMode::automatic(), "", "undefined", "unknown", true},
         }) {
        const HighlightOutcome outcome = wait(highlighter.highlightRaw(QString::fromUtf8(c.text), c.mode));
        ASSERT_TRUE(outcome.ok()) << c.text << ": " << outcome.error().message;
        EXPECT_EQ(outcome->language.toStdString(), c.language);
        EXPECT_EQ(outcome->languageName.toStdString(), c.languageName);
        EXPECT_EQ(outcome->isUndefined, c.undefinedLanguage);
    }
    const HighlightOutcome unknown = wait(highlighter.highlightRaw(QStringLiteral("x"), HighlightMode::forAlias(QStringLiteral("nope"))));
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().code, HLJSError::scriptFailed);
}

TEST(Highlighter, AnswersInTheOrderOfRequests)
{
    app();
    Highlight highlighter;
    std::mutex mutex; // a standard one, which ThreadSanitizer sees order the two threads
    std::vector<int> order;
    std::vector<QFuture<void>> done;
    for (int i = 0; i < 8; ++i) {
        // Alternate long and short texts: a later short request must not overtake an earlier long one.
        const QString text = i % 2 ? QStringLiteral("x") : QStringLiteral("let value = 1\n").repeated(400);
        done.push_back(highlighter.highlightRaw(text, HighlightMode::forLanguage(HighlightLanguage::swift))
                           .then(QtFuture::Launch::Sync, [&, i](const HighlightOutcome&) {
                               std::lock_guard lock(mutex);
                               order.push_back(i);
                           }));
    }
    for (auto& f : done) f.waitForFinished();
    std::lock_guard lock(mutex);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(Highlighter, StyledTextKeepsTheTextAndTakesTheThemeColours)
{
    app();
    Highlight highlighter;
    const QString prompt = QStringLiteral("\n\n# Orb prompt\n\nCreate an orb:\n- **size**: 300 <pt> & \"more\"\n\t`code`  \n\n");
    const HighlightColors colors = HighlightColors::dark(HighlightTheme::atomOne);
    const HighlightOutcome outcome = wait(highlighter.highlight(prompt, HighlightMode::forLanguage(HighlightLanguage::markdown), colors));
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    const QTextDocument& document = *outcome->attributedText;
    // Every character but white space at the ends.
    EXPECT_EQ(document.toPlainText().trimmed().toStdString(), prompt.trimmed().toStdString());
    EXPECT_TRUE(prompt.contains(document.toPlainText()));
    EXPECT_EQ(outcome->backgroundColor, QStringLiteral("#282c34"));

    // The heading takes atom-one-dark's section colour; no run keeps a font family or size.
    bool sawHeadingColour = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            EXPECT_FALSE(format.hasProperty(QTextFormat::FontFamilies));
            EXPECT_FALSE(format.hasProperty(QTextFormat::FontPointSize));
            if (it.fragment().text().startsWith(QStringLiteral("# Orb")))
                sawHeadingColour = format.foreground().color() == QColor(QStringLiteral("#e06c75"));
        }
    EXPECT_TRUE(sawHeadingColour);
}

TEST(HighlightColors, EveryThemeHasBothStylesheets)
{
    app();
    for (const ThemeEntry& entry : kThemes) {
        for (bool dark : {true, false}) {
            const HighlightColors colors = dark ? HighlightColors::dark(entry.theme) : HighlightColors::light(entry.theme);
            EXPECT_TRUE(colors.css.contains(QStringLiteral(".hljs"))) << entry.caseName << (dark ? " dark" : " light");
            EXPECT_TRUE(QColor(colors.background).isValid()) << entry.caseName << " " << colors.background.toStdString();
        }
    }
    // Dark variants are dark and light ones light, for the theme the preview uses.
    EXPECT_LT(QColor(HighlightColors::dark(HighlightTheme::atomOne).background).lightnessF(), 0.3);
    EXPECT_GT(QColor(HighlightColors::light(HighlightTheme::atomOne).background).lightnessF(), 0.9);
}

TEST(HighlightDocument, WrapsTheTrimmedValueWithTheStylesheet)
{
    EXPECT_EQ(highlightDocumentHtml(QStringLiteral(".hljs{}"), QStringLiteral("\n <span>x</span>\n\n")),
              QStringLiteral("<style>\n.hljs{}\n</style>\n<pre><code class=\"hljs\"><span>x</span></code></pre>"));
    EXPECT_EQ(backgroundOfStylesheet(QStringLiteral("pre code.hljs{padding:1em}.hljs{color:#abb2bf;background:#282c34}.hljs-x{background:#fff}")),
              QStringLiteral("#282c34"));
}
