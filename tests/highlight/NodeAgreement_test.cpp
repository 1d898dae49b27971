// The highlighter against Node running the same highlight.js release unmodified: for every export
// of every preset, a five-state project, and a sample of each language (by name, with illegal
// input tolerated, and by automatic detection), the HTML value, language, relevance and illegal
// flag must be identical. With LUMARA_HLJS_DIFF_DIR set, each disagreement's two HTML values are
// written there (<label>.qt, <label>.node) for diffing.
#include "export/text/ExportText.h"
#include "highlight/Highlight.h"
#include "model/OrbPreset.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

using namespace lumara;
using namespace lumara::highlight;

namespace {

struct Request {
    std::string label;
    QString text;
    std::optional<HighlightLanguage> language; // nothing: automatic detection
    bool ignoreIllegals = false;
};

std::map<std::string, QString> languageSamples()
{
    QFile file(QStringLiteral(LUMARA_TEST_DATA_DIR "/highlight/samples.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    std::map<std::string, QString> samples;
    std::string current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("<<<< "))) current = line.mid(5).toStdString();
        else if (!current.empty()) samples[current] += line + QLatin1Char('\n');
    }
    return samples;
}

std::vector<Request> corpus()
{
    using exporting::ExportFormat;
    const std::pair<ExportFormat, HighlightLanguage> formats[] = {{ExportFormat::swiftUI, HighlightLanguage::swift},
                                                                  {ExportFormat::html, HighlightLanguage::html},
                                                                  {ExportFormat::prompt, HighlightLanguage::markdown}};
    std::vector<Request> requests;
    OrbProjectData fiveStates;
    for (const OrbPreset& preset : allPresets()) {
        OrbProjectData project;
        project.states.push_back({"ID", preset.name, preset.configuration});
        for (const auto& [format, language] : formats)
            requests.push_back({preset.name + " " + std::string(exporting::exportFormatRawValue(format)),
                                QString::fromStdString(exporting::generateExportText(format, project)), language});
        if (fiveStates.states.size() < 5) fiveStates.states.push_back({"ID", preset.name, preset.configuration});
    }
    for (const auto& [format, language] : formats)
        requests.push_back({"five states " + std::string(exporting::exportFormatRawValue(format)),
                            QString::fromStdString(exporting::generateExportText(format, fiveStates)), language});

    const auto samples = languageSamples();
    EXPECT_EQ(samples.size(), std::size_t(kHighlightLanguageCount));
    for (const LanguageEntry& entry : kLanguages) {
        const auto sample = samples.find(std::string(entry.caseName));
        if (sample == samples.end()) {
            ADD_FAILURE() << "no sample for " << entry.caseName;
            continue;
        }
        requests.push_back({std::string(entry.caseName), sample->second, entry.language});
        requests.push_back({std::string(entry.caseName) + " ignoring illegals", sample->second, entry.language, true});
        requests.push_back({std::string(entry.caseName) + " detected", sample->second, std::nullopt});
    }
    return requests;
}

QString libraryName(HighlightLanguage language)
{
    const std::string_view name = languageEntry(language).libraryName;
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

} // namespace

TEST(HighlightNodeAgreement, EveryCorpusEntryIsByteIdentical)
{
    static int argc = 1;
    static char name[] = "node-agreement";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    ASSERT_FALSE(node.isEmpty()) << "Node is needed for this comparison (Debian package nodejs)";

    const std::vector<Request> requests = corpus();
    QJsonArray list;
    for (const Request& r : requests) {
        QJsonObject o{{QStringLiteral("text"), r.text}, {QStringLiteral("ignoreIllegals"), r.ignoreIllegals}};
        o.insert(QStringLiteral("language"), r.language ? QJsonValue(libraryName(*r.language)) : QJsonValue(QJsonValue::Null));
        list.append(o);
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile requestsFile(dir.filePath(QStringLiteral("requests.json")));
    ASSERT_TRUE(requestsFile.open(QIODevice::WriteOnly));
    requestsFile.write(QJsonDocument(list).toJson(QJsonDocument::Compact));
    requestsFile.close();

    std::set<std::string_view> grammars;
    for (const LanguageEntry& entry : kLanguages) grammars.insert(entry.grammarFile);
    QStringList grammarList;
    for (std::string_view g : grammars) grammarList << QString::fromUtf8(g.data(), qsizetype(g.size()));

    QProcess process;
    process.start(node, {QStringLiteral(LUMARA_HLJS_NODE_SCRIPT), QStringLiteral(LUMARA_HLJS_RELEASE), grammarList.join(QLatin1Char(',')),
                         requestsFile.fileName(), dir.filePath(QStringLiteral("answers.json"))});
    ASSERT_TRUE(process.waitForFinished(120000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QFile answersFile(dir.filePath(QStringLiteral("answers.json")));
    ASSERT_TRUE(answersFile.open(QIODevice::ReadOnly));
    const QJsonArray answers = QJsonDocument::fromJson(answersFile.readAll()).array();
    ASSERT_EQ(answers.size(), qsizetype(requests.size()));

    Highlight highlighter;
    std::vector<QFuture<HighlightOutcome>> ours;
    for (const Request& r : requests)
        ours.push_back(highlighter.highlightRaw(
            r.text, r.language ? HighlightMode::forLanguage(*r.language, r.ignoreIllegals) : HighlightMode::automatic()));

    int identical = 0;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        ours[i].waitForFinished();
        const HighlightOutcome outcome = ours[i].result();
        const QJsonObject expected = answers[qsizetype(i)].toObject();
        SCOPED_TRACE(requests[i].label);
        ASSERT_FALSE(expected.contains(QStringLiteral("error"))) << expected.value(QStringLiteral("error")).toString().toStdString();
        ASSERT_TRUE(outcome.ok()) << outcome.error().message;
        const bool same = outcome->html == expected.value(QStringLiteral("value")).toString() &&
                          outcome->language == expected.value(QStringLiteral("language")).toString() &&
                          outcome->relevance == int(expected.value(QStringLiteral("relevance")).toDouble()) &&
                          outcome->hasIllegal == expected.value(QStringLiteral("illegal")).toBool();
        EXPECT_TRUE(same) << "language " << outcome->language.toStdString() << " vs "
                          << expected.value(QStringLiteral("language")).toString().toStdString() << ", relevance "
                          << outcome->relevance << " vs " << expected.value(QStringLiteral("relevance")).toDouble();
        identical += same;
        if (!same && qEnvironmentVariableIsSet("LUMARA_HLJS_DIFF_DIR")) {
            const QString base = qEnvironmentVariable("LUMARA_HLJS_DIFF_DIR") + QLatin1Char('/') + QString::fromStdString(requests[i].label);
            QFile mine(base + QStringLiteral(".qt")), theirs(base + QStringLiteral(".node"));
            if (mine.open(QIODevice::WriteOnly)) mine.write(outcome->html.toUtf8());
            if (theirs.open(QIODevice::WriteOnly)) theirs.write(expected.value(QStringLiteral("value")).toString().toUtf8());
        }
    }
    std::printf("highlight.js agreement with Node: %d of %zu requests byte-identical\n", identical, requests.size());
}
