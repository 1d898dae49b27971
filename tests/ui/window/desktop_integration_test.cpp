// `cmake --install` into a temporary prefix: the launcher entry, the icons, the project file type,
// the thumbnailer, the software-centre metainfo, the manual page and the shell completions land
// where desktops and shells look for them, pass their validators and agree with the command line.
#include "document/ProjectCodec.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumara;
using namespace lumara::test;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString desktopKey(const QString& entry, const QString& key)
{
    const auto match = QRegularExpression(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption).match(entry);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Installs once for every test in this file.
class DesktopIntegration : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_prefix = new QTemporaryDir;
        const auto installed = runProcess("cmake", {"--install", LUMARA_BINARY_DIR, "--prefix", s_prefix->path().toStdString()});
        ASSERT_EQ(installed.exitCode, 0) << installed.err;
    }
    static void TearDownTestSuite() { delete s_prefix; }

    static QTemporaryDir* s_prefix;
    const QTemporaryDir& prefix = *s_prefix;
    const QDir share{s_prefix->filePath("share")};
    const std::string lumara = s_prefix->filePath("bin/lumara").toStdString();
};
QTemporaryDir* DesktopIntegration::s_prefix = nullptr;

// The commands `lumara --help` lists, and for each command (and "" for lumara itself) the option
// names its --help lists, such as "-o" and "--output".
QMap<QString, QSet<QString>> optionsFromHelp(const std::string& lumara)
{
    const QRegularExpression optionLine(QStringLiteral(R"(^  (-[-\w,]+))"));
    const QRegularExpression commandLine(QStringLiteral(R"(^  (\w+) )"));
    QMap<QString, QSet<QString>> options;
    QStringList commands{QString()};
    for (int i = 0; i < commands.size(); ++i) {
        std::vector<std::string> args;
        if (!commands[i].isEmpty()) args.push_back(commands[i].toStdString());
        args.push_back("--help");
        const auto help = runProcess(lumara, args);
        QSet<QString>& names = options[commands[i]];
        QString section;
        for (const QString& line : QString::fromStdString(help.out).split('\n')) {
            if (!line.startsWith(' ')) section = line;
            if (section == "Options:") {
                const auto match = optionLine.match(line);
                if (match.hasMatch())
                    for (const QString& name : match.captured(1).split(',')) names.insert(name);
            } else if (section == "Subcommands:" && i == 0) {
                const auto match = commandLine.match(line);
                if (match.hasMatch()) commands << match.captured(1);
            }
        }
    }
    return options;
}

// The same from the manual page: its OPTIONS section for lumara itself, then one subsection per
// command ("lumara NAME ...") whose tagged paragraphs name the options.
QMap<QString, QSet<QString>> optionsFromManual(const QString& page)
{
    QMap<QString, QSet<QString>> options;
    QString command;
    bool inOptions = false;
    bool tag = false;
    const QRegularExpression name(QStringLiteral(R"((?<![\w-])(--?[a-z][\w-]*))"));
    for (QString line : page.split('\n')) {
        line.replace(QStringLiteral("\\-"), QStringLiteral("-"));
        if (line.startsWith(".SH ")) {
            inOptions = line == ".SH OPTIONS";
            command.clear();
        } else if (line.startsWith(".SS ")) {
            command = line.section(' ', 2, 2).remove('"');
            options[command];
        } else if (line == ".TP") {
            tag = true;
            continue;
        } else if (tag && (inOptions || !command.isEmpty())) {
            for (auto it = name.globalMatch(line); it.hasNext();) options[command].insert(it.next().captured(1));
        }
        tag = false;
    }
    return options;
}

std::string writeProject(const QTemporaryDir& dir)
{
    OrbProjectData project;
    project.states.push_back({makeStateId(), "Default", OrbValues{}});
    const std::string path = dir.filePath("orb.lumara").toStdString();
    writeBytes(path, encodeProject(project, Container::propertyList).value());
    return path;
}

} // namespace

TEST_F(DesktopIntegration, InstallPutsEntryIconsAndFileTypeInPlace)
{

    const QString entry = readText(share.filePath("applications/com.quillfen.Lumara.desktop"));
    ASSERT_FALSE(entry.isEmpty());
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_EQ(desktopKey(entry, "Type"), "Application");
    EXPECT_EQ(desktopKey(entry, "Exec"), "lumara %f") << "a double-clicked file reaches `lumara FILE`";
    EXPECT_EQ(desktopKey(entry, "Icon"), "com.quillfen.Lumara");
    EXPECT_EQ(desktopKey(entry, "MimeType"), "application/x-lumara-project;");
    EXPECT_TRUE(QFileInfo::exists(prefix.filePath("bin/lumara")));

    const QString mime = readText(share.filePath("mime/packages/com.quillfen.Lumara.xml"));
    EXPECT_TRUE(mime.contains("type=\"application/x-lumara-project\""));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.lumara\"/>"));

    for (const char* icon : {"icons/hicolor/scalable/apps/com.quillfen.Lumara.svg",
                             "icons/hicolor/scalable/mimetypes/application-x-lumara-project.svg"}) {
        const QString svg = readText(share.filePath(icon));
        EXPECT_TRUE(svg.contains("<svg") && svg.contains("</svg>")) << icon;
    }
}

TEST_F(DesktopIntegration, EntriesPassTheirValidators)
{
    struct Case {
        const char* validator;
        std::vector<std::string> options;
        const char* file;
    };
    const Case cases[] = {
        {"desktop-file-validate", {}, "applications/com.quillfen.Lumara.desktop"},
        {"appstreamcli", {"validate", "--no-net"}, "metainfo/com.quillfen.Lumara.metainfo.xml"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.push_back(share.filePath(c.file).toStdString());
        const auto run = runProcess(c.validator, args);
        EXPECT_EQ(run.exitCode, 0) << c.file << "\n" << run.out << run.err;
        if (std::string(c.validator) == "desktop-file-validate") {
            EXPECT_EQ(run.out, "") << "hints: " << run.out;
        }
    }
    const QString metainfo = readText(share.filePath("metainfo/com.quillfen.Lumara.metainfo.xml"));
    EXPECT_TRUE(metainfo.contains("<launchable type=\"desktop-id\">com.quillfen.Lumara.desktop</launchable>"));
    EXPECT_TRUE(metainfo.contains("<screenshot type=\"default\">"));
}

TEST_F(DesktopIntegration, ThumbnailerPreviewsProjectsAsAFileManagerRunsIt)
{
    const QString entry = readText(share.filePath("thumbnailers/com.quillfen.Lumara.thumbnailer"));
    ASSERT_TRUE(entry.startsWith("[Thumbnailer Entry]\n"));
    EXPECT_EQ(desktopKey(entry, "MimeType"),
              desktopKey(readText(share.filePath("applications/com.quillfen.Lumara.desktop")), "MimeType"));
    // The file manager fills in the input, the output and the size, and runs the line.
    QStringList words = desktopKey(entry, "Exec").split(' ');
    ASSERT_EQ(words.value(0), "lumara-thumbnailer");
    EXPECT_EQ(desktopKey(entry, "TryExec"), words.value(0));
    const std::string thumbnailer = prefix.filePath("bin/lumara-thumbnailer").toStdString();
    QTemporaryDir dir;
    const std::string output = dir.filePath("thumb.png").toStdString();
    std::vector<std::string> args;
    for (const QString& word : words.mid(1))
        args.push_back(word == "%i" ? writeProject(dir) : word == "%o" ? output : word == "%s" ? "128" : word.toStdString());
    const auto run = runProcess(thumbnailer, args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(QImage(QString::fromStdString(output)).size(), QSize(128, 128));

    // It starts quickly because it loads none of the editor's, the video or the script libraries.
    const auto needed = runProcess("readelf", {"--dynamic", thumbnailer});
    ASSERT_EQ(needed.exitCode, 0) << needed.err;
    EXPECT_NE(needed.out.find("libQt6Core"), std::string::npos) << needed.out;
    for (const char* heavy : {"libQt6Gui", "libQt6Widgets", "libQt6Qml", "libavcodec", "libavformat", "libswscale"})
        EXPECT_EQ(needed.out.find(heavy), std::string::npos) << heavy;
}

TEST_F(DesktopIntegration, ManualPageNamesEveryCommandAndOptionOfTheHelp)
{
    const QString page = readText(prefix.filePath("share/man/man1/lumara.1"));
    ASSERT_TRUE(page.startsWith(".TH LUMARA 1"));
    QMap<QString, QSet<QString>> help = optionsFromHelp(lumara);
    ASSERT_GE(help.size(), 7) << "lumara and its six commands";
    // Every command's --help and -h are described once, for all of them.
    for (auto it = help.begin(); it != help.end(); ++it)
        if (!it.key().isEmpty()) it->subtract({"-h", "--help"});
    EXPECT_EQ(optionsFromManual(page), help);
}

TEST_F(DesktopIntegration, CompletionsOfferEveryCommandAndOption)
{
    const QMap<QString, QSet<QString>> help = optionsFromHelp(lumara);
    for (const char* file : {"bash-completion/completions/lumara", "zsh/vendor-completions/_lumara",
                             "fish/vendor_completions.d/lumara.fish"}) {
        const QString script = readText(share.filePath(file));
        ASSERT_FALSE(script.isEmpty()) << file;
        for (auto it = help.begin(); it != help.end(); ++it) {
            EXPECT_TRUE(it.key().isEmpty() || script.contains(it.key())) << file << ": " << it.key().toStdString();
            for (const QString& option : *it) {
                // fish names options without their dashes (-s o, -l output).
                const QString bare = QString(option).remove(QRegularExpression("^-+"));
                EXPECT_TRUE(script.contains(option) || script.contains(" " + bare + " "))
                    << file << ": " << option.toStdString();
            }
        }
    }
    // Bash completes as a user types: the command, then its options.
    const std::string bash = share.filePath("bash-completion/completions/lumara").toStdString();
    struct Case {
        const char* line; // the words typed so far, the last one being completed
        const char* offered;
    };
    const Case cases[] = {{"lumara an", "animate"}, {"lumara animate --fo", "--format"},
                          {"lumara thumbnail orb.lumara x.png --s", "--size"}, {"lumara --ver", "--version"}};
    for (const auto& c : cases) {
        const std::string script = "source '" + bash + "'; COMP_WORDS=(" + c.line + "); COMP_CWORD=$(( ${#COMP_WORDS[@]} - 1 )); "
                                   "_lumara; printf '%s\\n' \"${COMPREPLY[@]}\"";
        const auto run = runProcess("bash", {"-c", script});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::string(c.offered) + "\n") << c.line;
    }
}
