// Build tool: assembles the highlighter's resources from the pinned highlight.js release: the core
// and the grammars of every offered language in one script adapted to Qt 6.4's engine, the theme
// stylesheets, and the Qt resource file listing them with the run-time shim.
//   make_hljs_bundle <release dir> <shim.js> <output dir>
// Exits non-zero with one line on standard error when a file is missing or a step no longer applies.
#include "highlight/HighlightCatalog.h"
#include "highlight/bundle/BundleTransform.h"
#include "highlight/bundle/UnicodeTables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <set>
#include <string>

using namespace lumara::highlight;

namespace {

// How often the release's text needs each step; checked so an upgrade cannot slip past unadapted.
constexpr int kNullPrototypeEntries = 1;
constexpr int kPropertyEscapes = 8;
constexpr int kUnicodeModeGrammars = 3; // haskell, python, xml

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "make_hljs_bundle: %s\n", message.c_str());
    std::exit(1);
}

std::string readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) fail("cannot read " + path.toStdString());
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const std::string& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
        fail("cannot write " + path.toStdString());
}

template <typename R>
std::string take(R result, const char* step)
{
    if (!result.ok()) fail(std::string(step) + ": " + result.error().message);
    return std::move(result).value();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) fail("usage: make_hljs_bundle <release dir> <shim.js> <output dir>");
    const QString release = QString::fromLocal8Bit(argv[1]);
    const QString shim = QString::fromLocal8Bit(argv[2]);
    const QDir out(QString::fromLocal8Bit(argv[3]));

    std::string script = take(bundle::exposeDefaultExport(readFile(release + "/es/core.min.js"), "hljs"), "core");
    script = take(bundle::dropNullPrototypeEntries(script, kNullPrototypeEntries), "core");
    std::set<std::string_view> grammars;
    for (const LanguageEntry& entry : kLanguages) grammars.insert(entry.grammarFile);
    for (std::string_view grammar : grammars) {
        script += '\n';
        script += readFile(release + "/languages/" + QString::fromUtf8(grammar.data(), qsizetype(grammar.size())) + ".min.js");
    }
    int escapes = 0;
    script = take(bundle::expandPropertyEscapes(script, bundle::bundledUnicodeProperties(), &escapes), "grammars");
    if (escapes != kPropertyEscapes)
        fail("property escapes: found " + std::to_string(escapes) + ", expected " + std::to_string(kPropertyEscapes));
    script = take(bundle::disableUnicodeMode(script, kUnicodeModeGrammars), "grammars");
    writeFile(out.filePath("highlight.min.js"), script);
    writeFile(out.filePath("shim.js"), readFile(shim));

    std::string qrc = "<RCC>\n<qresource prefix=\"/highlight\">\n<file>highlight.min.js</file>\n<file>shim.js</file>\n";
    std::set<std::string_view> sheets;
    for (const ThemeEntry& entry : kThemes) {
        sheets.insert(entry.darkStylesheet);
        sheets.insert(entry.lightStylesheet);
    }
    for (std::string_view sheet : sheets) {
        const QString name = QString::fromUtf8(sheet.data(), qsizetype(sheet.size())) + ".min.css";
        writeFile(out.filePath("styles/" + name), readFile(release + "/styles/" + name));
        qrc += "<file>styles/" + name.toStdString() + "</file>\n";
    }
    qrc += "</qresource>\n</RCC>\n";
    writeFile(out.filePath("highlight.qrc"), qrc);
    return 0;
}
