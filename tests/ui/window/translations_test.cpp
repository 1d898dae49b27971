// The editor in other languages: which language the environment asks for, a pseudo-translation
// that marks every text and makes it 40 % longer (so that a text that is not looked up, or a label
// too narrow for a longer language, shows), and the shipped German, on real windows. UI thread.
#include "../UiTestSupport.h"

#include "ui/exports/AnimatedExportSheet.h"
#include "ui/exports/ExportFlows.h"
#include "ui/exports/ExportPreviewSheet.h"
#include "ui/inspector/InspectorView.h"
#include "ui/inspector/LabeledSlider.h"
#include "ui/onboarding/HelpView.h"
#include "ui/onboarding/OnboardingOverlay.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/onboarding/ReduceMotion.h"
#include "ui/settings/SettingsView.h"
#include "ui/widgets/SegmentedControl.h"
#include "ui/window/Translations.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QXmlStreamReader>

#include <cmath>
#include <functional>
#include <map>
#include <set>

using namespace lumara;

namespace {

constexpr char16_t kOpenMark = u'⟦';
constexpr char16_t kCloseMark = u'⟧';

// "Save" -> "⟦Save sa⟧": every text marked and about 40 % longer, padded with its own letters so
// that it keeps about the width of real text. Placeholders, accelerators and markup stay as they are.
class PseudoTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        const QString text = QString::fromUtf8(source);
        // Qt asks its own translation which way the layout runs: a text, but not one to mark.
        if (text.isEmpty() || text == u"QT_LAYOUT_DIRECTION" || qstrcmp(context, "QGuiApplication") == 0) return {};
        QString letters;
        for (QChar c : text)
            if (c.isLetter()) letters += c.toLower();
        if (letters.isEmpty()) letters = QStringLiteral("x");
        QString pad;
        const auto wanted = qsizetype(std::ceil(text.size() * 0.4));
        while (pad.size() < wanted) pad += letters.at(pad.size() % letters.size());
        return QChar(kOpenMark) + text + QLatin1Char(' ') + pad + QChar(kCloseMark);
    }
};

// The shipped German, noting every editor text it has no translation for.
class RecordingTranslator : public QTranslator {
public:
    bool loadGerman() { return m_german.load(QStringLiteral(":/i18n/lumara_de.qm")); }
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        QString text = m_german.translate(context, source, disambiguation, n);
        if (text.isEmpty() && QByteArray(context).startsWith("lumara::"))
            missing.insert(QStringLiteral("%1: %2").arg(QString::fromUtf8(context), QString::fromUtf8(source)));
        return text;
    }
    mutable std::set<QString> missing;

private:
    QTranslator m_german;
};

// The English texts of a translation file whose translation differs: shown under that language,
// such a text is one that was not looked up.
std::set<QString> untranslatedEnglish(const QString& tsFile)
{
    std::set<QString> english;
    QFile file(tsFile);
    if (!file.open(QIODevice::ReadOnly)) return english;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.name() == u"translation") {
            const QString translation = xml.readElementText();
            if (!translation.isEmpty() && translation != source) english.insert(source);
        }
    }
    return english;
}

// Values rather than texts: numbers with their units, the product's name.
bool isValueText(const QString& text)
{
    static const QRegularExpression value(QStringLiteral(R"(^[\d\s.,:;%°×·+\-−–/()@]*(px|s|fps|x)?[\d\s.,%·×]*$)"));
    return text == u"Lumara" || value.match(text).hasMatch();
}

enum class Language { pseudo, german };

// What a person would find wrong in a window: unmarked (untranslated) texts, cut-off labels and
// buttons, accelerators used twice in one menu.
class Review {
public:
    explicit Review(Language language) : m_language(language)
    {
        if (language == Language::german) m_english = untranslatedEnglish(QStringLiteral(LUMARA_TRANSLATIONS_DIR "/lumara_de.ts"));
    }

    void text(const QString& where, const QString& text)
    {
        if (text.isEmpty() || isValueText(text)) return;
        if (m_language == Language::pseudo) {
            if (!text.contains(QChar(kOpenMark)) || !text.contains(QChar(kCloseMark))) problem(where, text, "is not looked up");
        } else if (text.contains(QChar(kOpenMark))) {
            problem(where, text, "still carries a pseudo mark");
        } else if (m_english.count(text)) {
            problem(where, text, "is still English");
        }
    }

    void widgets(const QString& scene, QWidget* root)
    {
        ASSERT_TRUE(root);
        ASSERT_TRUE(root->isVisible()) << scene.toStdString();
        QList<QWidget*> all = root->findChildren<QWidget*>();
        all.prepend(root);
        for (QWidget* widget : all) {
            if (widget != root && !widget->isVisibleTo(root)) continue;
            const QString where = scene + QLatin1Char('/') + QString::fromLatin1(widget->metaObject()->className());
            text(where + QStringLiteral(" tooltip"), widget->toolTip());
            text(where + QStringLiteral(" accessible name"), widget->accessibleName());
            if (widget->isWindow()) text(where + QStringLiteral(" title"), widget->windowTitle());
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (label->text().isEmpty()) continue;
                text(where, label->text());
                fits(where, label->text(), label,
                     label->wordWrap() ? QSize(label->width(), label->heightForWidth(label->width())) : label->sizeHint());
            } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                text(where, button->text());
                const auto* tool = qobject_cast<QToolButton*>(button);
                const bool showsText = !button->text().isEmpty() && (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly);
                if (showsText) fits(where, button->text(), button, button->sizeHint());
            } else if (auto* picker = qobject_cast<QComboBox*>(widget)) {
                for (int i = 0; i < picker->count(); ++i) text(where + QStringLiteral(" item"), picker->itemText(i));
                fits(where, picker->currentText(), picker, picker->sizeHint());
            } else if (auto* slider = qobject_cast<ui::LabeledSlider*>(widget)) {
                text(where, slider->label());
                fits(where, slider->label(), slider, slider->minimumSizeHint());
            } else if (auto* segments = qobject_cast<ui::SegmentedControl*>(widget)) {
                fits(where, segments->accessibleName(), segments, segments->minimumSizeHint());
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                text(where, group->title());
            }
        }
    }

    // Every entry of the menu bar and its menus, with their accelerators unique within each menu.
    void menus(const QString& scene, QMenuBar* bar)
    {
        accelerators(scene + QStringLiteral(" menu bar"), bar->actions());
        for (QAction* top : bar->actions()) {
            text(scene + QStringLiteral(" menu"), top->text());
            if (top->menu()) menu(scene + QLatin1Char('/') + top->text(), top->menu());
        }
    }

    void menu(const QString& where, QMenu* menu)
    {
        accelerators(where, menu->actions());
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            text(where, action->text());
            text(where + QStringLiteral(" tooltip"), action->toolTip());
            if (action->menu()) this->menu(where + QLatin1Char('/') + action->text(), action->menu());
        }
    }

    const QStringList& problems() const { return m_problems; }

private:
    // A text fits when its widget is as large as the text needs and lies inside every parent
    // across (a parent clips it; a scroll area scrolls only down), and inside its window.
    void fits(const QString& where, const QString& text, QWidget* widget, QSize needed)
    {
        const QSize size = widget->size();
        if (size.width() + 1 < needed.width() || size.height() + 1 < needed.height()) {
            problem(where, text,
                    QStringLiteral("is cut off: %1×%2 shown, %3×%4 needed")
                        .arg(size.width()).arg(size.height()).arg(needed.width()).arg(needed.height()).toUtf8().constData());
            return;
        }
        bool scrolls = false; // inside a scroll area, which shows what lies further down
        for (QWidget* parent = widget->parentWidget(); parent; parent = parent->parentWidget()) {
            const QRect inParent(widget->mapTo(parent, QPoint(0, 0)), size);
            const auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
            if (area && area->viewport() == parent) scrolls = true;
            const bool across = inParent.left() >= -1 && inParent.right() <= parent->width();
            const bool down = scrolls || !parent->isWindow() || (inParent.top() >= -1 && inParent.bottom() <= parent->height());
            if (!across || !down) {
                problem(where, text,
                        QStringLiteral("reaches out of its %1").arg(QString::fromLatin1(parent->metaObject()->className())).toUtf8().constData());
                return;
            }
            if (parent->isWindow()) break;
        }
    }

    void accelerators(const QString& where, const QList<QAction*>& actions)
    {
        std::map<QChar, QStringList> byKey;
        for (QAction* action : actions) {
            const QString text = action->text();
            for (qsizetype i = 0; i + 1 < text.size(); ++i) {
                if (text[i] != u'&') continue;
                if (text[i + 1] == u'&') {
                    ++i;
                    continue;
                }
                byKey[text[i + 1].toLower()] << text;
                break;
            }
        }
        for (const auto& [key, texts] : byKey)
            if (texts.size() > 1) problem(where, texts.join(QStringLiteral(" | ")), "share an accelerator");
    }

    void problem(const QString& where, const QString& text, const char* what)
    {
        m_problems << QStringLiteral("%1: \"%2\" %3").arg(where, text, QString::fromUtf8(what));
    }

    Language m_language;
    std::set<QString> m_english;
    QStringList m_problems;
};

QString languageName(Language language) { return language == Language::pseudo ? QStringLiteral("pseudo") : QStringLiteral("de"); }

// With LUMARA_SCREENSHOT_DIR set, saves a window (as the screen shows it) or one pane of it.
void shot(QWidget* widget, Language language, const char* name)
{
    if (qEnvironmentVariableIsEmpty("LUMARA_SCREENSHOT_DIR")) return;
    const QByteArray file = (languageName(language) + QLatin1Char('-') + QString::fromUtf8(name)).toUtf8();
    if (widget->isWindow()) {
        test::screenshot(widget, file.constData());
    } else {
        QTest::qWait(300);
        widget->grab().save(qEnvironmentVariable("LUMARA_SCREENSHOT_DIR") + QLatin1Char('/') + QString::fromUtf8(file) +
                            QStringLiteral(".png"));
    }
}

// A first start of the editor under one translation, with motion reduced so that pages and sheets
// appear at once. The translator is installed before the window is built, as the editor does.
class TranslatedEditor : public test::EditorFixture, public ::testing::WithParamInterface<Language> {
protected:
    void SetUp() override
    {
        test::testApplication();
        qputenv(ui::kReduceMotionVariable, "1");
        if (GetParam() == Language::pseudo) {
            m_translator = std::make_unique<PseudoTranslator>();
        } else {
            auto german = std::make_unique<RecordingTranslator>();
            ASSERT_TRUE(german->loadGerman()) << "the German translation is compiled into the editor";
            m_german = german.get();
            m_translator = std::move(german);
            // Qt's own German, as the editor loads it: the standard buttons, "Strg" for Ctrl.
            m_qt = std::make_unique<QTranslator>();
            ASSERT_TRUE(m_qt->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
            QCoreApplication::installTranslator(m_qt.get());
        }
        QCoreApplication::installTranslator(m_translator.get());
        firstStart = true;
        EditorFixture::SetUp();
    }
    void TearDown() override
    {
        EditorFixture::TearDown();
        QCoreApplication::removeTranslator(m_translator.get());
        if (m_qt) QCoreApplication::removeTranslator(m_qt.get());
        qunsetenv(ui::kReduceMotionVariable);
    }

    // Runs `look` on the modal window `open` brings up, then closes it.
    void reviewModal(const std::function<void()>& open, const std::function<void(QWidget*)>& look)
    {
        bool seen = false;
        QTimer::singleShot(200, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            seen = true;
            look(modal);
            modal->close();
        });
        open();
        QTest::qWait(400);
        EXPECT_TRUE(seen);
        if (QWidget* left = QApplication::activeModalWidget()) left->close();
    }

    RecordingTranslator* m_german = nullptr;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qt;
};

} // namespace

TEST_P(TranslatedEditor, EveryWindowAndSheetShowsItsTextsTranslatedAndUncut)
{
    const Language language = GetParam();
    Review review(language);
    window()->resize(1280, 800);
    QTest::qWait(100);

    // The first-run pages, each of the three.
    ui::OnboardingOverlay* overlay = window()->onboarding();
    ASSERT_TRUE(overlay);
    ui::OnboardingView* pages = overlay->view();
    for (int page = 0; page < 3; ++page) {
        QTest::qWait(100);
        review.widgets(QStringLiteral("first-run page %1").arg(page + 1), overlay);
        shot(window(), language, QStringLiteral("first-run-%1").arg(page + 1).toUtf8().constData());
        QTest::mouseClick(pages->mainButton(), Qt::LeftButton);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(window()->onboarding(), nullptr);

    // The main window: menus, sidebar, state strip (two states), canvas and inspector.
    document()->addState();
    QTest::qWait(100);
    review.widgets(QStringLiteral("main window"), window());
    review.menus(QStringLiteral("main window"), window()->menuBar());
    shot(window(), language, "main-window");
    if (!qEnvironmentVariableIsEmpty("LUMARA_SCREENSHOT_DIR")) {
        for (QAction* top : window()->menuBar()->actions()) {
            QMenu* menu = top->menu();
            menu->popup(window()->mapToGlobal(window()->menuBar()->actionGeometry(top).bottomLeft()));
            QTest::qWait(200);
            QString title = top->text().remove(u'&').toLower().section(u' ', 0, 0);
            title.removeIf([](QChar c) { return !c.isLetter(); }); // the pseudo-translation's marks
            shot(menu, language, ("menu-" + title.toStdString()).c_str());
            menu->hide();
        }
    }
    shot(window()->inspector(), language, "inspector");
    if (auto* inspector = window()->findChild<ui::InspectorView*>(); inspector && !qEnvironmentVariableIsEmpty("LUMARA_SCREENSHOT_DIR")) {
        inspector->verticalScrollBar()->setValue(inspector->verticalScrollBar()->maximum());
        shot(window()->inspector(), language, "inspector-effects");
        inspector->verticalScrollBar()->setValue(0);
    }

    // The error banner, for a file that is no project.
    {
        QFile broken(path("broken.lumara"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a project");
    }
    EXPECT_FALSE(window()->openFile(path("broken.lumara")));
    QTest::qWait(100);
    ASSERT_FALSE(window()->errorMessage().isEmpty());
    review.widgets(QStringLiteral("error banner"), window());
    shot(window(), language, "error-banner");

    // The animated export sheet, with the MP4 background row and the playback loop offered.
    window()->action("exportAnimationAction")->trigger();
    QTest::qWait(300);
    ui::AnimatedExportSheet* sheet = window()->exportFlows()->animatedExportSheet();
    ASSERT_TRUE(sheet);
    for (auto format : {exporting::AnimatedExportFormat::mp4, exporting::AnimatedExportFormat::apng}) {
        sheet->setFormat(format);
        QTest::qWait(100);
        review.widgets(QStringLiteral("animated export sheet"), sheet);
    }
    sheet->playbackLoopSwitch()->setChecked(true);
    QTest::qWait(100);
    review.widgets(QStringLiteral("animated export sheet, playback loop"), sheet);
    sheet->playbackLoopSwitch()->setChecked(false);
    sheet->setFormat(exporting::AnimatedExportFormat::mp4);
    QTest::qWait(100);
    shot(window(), language, "animated-export-sheet");
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    QTest::qWait(300);

    // The export preview of the SwiftUI code.
    window()->requestExportPreview(exporting::ExportFormat::swiftUI);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window()->exportFlows()->previewSheet() != nullptr; }, 20000));
    QTest::qWait(300);
    review.widgets(QStringLiteral("export preview"), window()->exportFlows()->previewSheet());
    shot(window(), language, "export-preview");
    QTest::mouseClick(window()->exportFlows()->previewSheet()->doneButton(), Qt::LeftButton);
    QTest::qWait(300);

    // The web package: a folder, then the outcome at the bottom of the window.
    dialogs->answers.push_back(path("web"));
    window()->exportWebPackage();
    QTest::qWait(100);
    ASSERT_TRUE(window()->exportFlows()->exportStatus());
    review.widgets(QStringLiteral("web package status"), window()->exportFlows()->exportStatus());

    // The help sheet and the preferences.
    app->setShowHelp(true);
    QTest::qWait(200);
    review.widgets(QStringLiteral("help sheet"), app->helpView());
    shot(app->helpView(), language, "help-sheet");
    app->setShowHelp(false);
    app->showSettings();
    QTest::qWait(200);
    review.widgets(QStringLiteral("preferences"), app->settingsWindow());
    shot(app->settingsWindow(), language, "preferences");
    app->settingsWindow()->close();

    // The modal windows: About and Randomize with Seed.
    reviewModal([&] { window()->action("aboutAction")->trigger(); },
                [&](QWidget* about) { review.widgets(QStringLiteral("about"), about); });
    reviewModal(
        [&] {
            window()->action("randomizeWithSeedAction")->trigger();
            QTest::qWait(300);
        },
        [&](QWidget* seed) { review.widgets(QStringLiteral("randomize with seed"), seed); });

    EXPECT_TRUE(review.problems().isEmpty()) << review.problems().join(QLatin1Char('\n')).toStdString();
    if (m_german) {
        QStringList missing;
        for (const QString& text : m_german->missing) missing << text;
        EXPECT_TRUE(missing.isEmpty()) << "not translated into German:\n" << missing.join(QLatin1Char('\n')).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedEditor, ::testing::Values(Language::pseudo, Language::german),
                         [](const ::testing::TestParamInfo<Language>& info) { return languageName(info.param).toStdString(); });

TEST(Translations, PreferredLanguagesFollowTheEnvironmentAsGettextReadsIt)
{
    struct Case {
        std::map<QString, QString> environment;
        QStringList languages;
    };
    const Case cases[] = {
        {{}, {}},
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE", "de"}},
        {{{"LANG", "de_AT.UTF-8@euro"}}, {"de_AT", "de"}},
        {{{"LANGUAGE", "fr:de"}, {"LANG", "en_GB.UTF-8"}}, {"fr", "de", "en_GB", "en"}},
        {{{"LC_ALL", "de_CH.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "it_IT.UTF-8"}}, {"de_CH", "de"}},
        {{{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "it_IT.UTF-8"}}, {"fr_FR", "fr"}},
        {{{"LANGUAGE", "de::de_DE"}}, {"de", "de_DE"}},
        {{{"LANGUAGE", "C"}, {"LANG", "de_DE.UTF-8"}}, {}},
        {{{"LANG", "C.UTF-8"}}, {}},
        {{{"LANGUAGE", "de"}, {"LC_ALL", "POSIX"}}, {"de"}},
    };
    for (const Case& c : cases) {
        QProcessEnvironment environment;
        QStringList shown;
        for (const auto& [name, value] : c.environment) {
            environment.insert(name, value);
            shown << name + QLatin1Char('=') + value;
        }
        EXPECT_EQ(ui::preferredLanguages(environment), c.languages) << shown.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(Translations, TheFirstShippedLanguageWinsAndEnglishEndsTheSearch)
{
    test::testApplication();
    const struct {
        QStringList languages;
        QString chosen;
    } cases[] = {
        {{"de_DE", "de"}, "de"},
        {{"fr", "de"}, "de"},
        {{"en_GB", "en", "de"}, ""},
        {{"xx"}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ui::translationLanguage(c.languages), c.chosen) << c.languages.join(u':').toStdString();
}

TEST(Translations, InstallingGermanTranslatesTheEditorAndQtsOwnTexts)
{
    QApplication& application = test::testApplication();
    ASSERT_EQ(ui::installTranslations(&application, {"de_DE", "de"}), QStringLiteral("de"));
    EXPECT_EQ(QCoreApplication::translate("lumara::ui::MainWindow", "&File"), QStringLiteral("&Datei"));
    // Qt's own translation, which Debian ships in qt6-translations-l10n, names the standard buttons.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    for (QTranslator* translator : application.findChildren<QTranslator*>()) QCoreApplication::removeTranslator(translator);
    qDeleteAll(application.findChildren<QTranslator*>());
    EXPECT_EQ(QCoreApplication::translate("lumara::ui::MainWindow", "&File"), QStringLiteral("&File"));
    EXPECT_EQ(ui::installTranslations(&application, {"en_US", "de"}), QString()) << "English is built in";
}
