// Choosing and installing the editor's translation. UI thread only.
#include "ui/window/Translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

namespace lumara::ui {

namespace {

QString editorTranslationFile(const QString& language) { return QStringLiteral(":/i18n/lumara_%1.qm").arg(language); }

bool isEnglish(const QString& language) { return language == u"en" || language.startsWith(u"en_"); }

} // namespace

QStringList preferredLanguages(const QProcessEnvironment& environment)
{
    QStringList names = environment.value(QStringLiteral("LANGUAGE")).split(u':', Qt::SkipEmptyParts);
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = environment.value(QString::fromLatin1(variable));
        if (!value.isEmpty()) {
            names << value;
            break;
        }
    }
    QStringList languages;
    for (QString name : names) {
        // "de_AT.UTF-8@euro": the codeset and the modifier say nothing of the language.
        name = name.section(u'@', 0, 0).section(u'.', 0, 0).trimmed();
        if (name.isEmpty()) continue;
        if (name == u"C" || name == u"POSIX") break;
        for (const QString& candidate : {name, name.section(u'_', 0, 0)})
            if (!languages.contains(candidate)) languages << candidate;
    }
    return languages;
}

QString translationLanguage(const QStringList& languages)
{
    for (const QString& language : languages) {
        if (isEnglish(language)) return {};
        if (QFile::exists(editorTranslationFile(language))) return language;
    }
    return {};
}

QString installTranslations(QCoreApplication* application, const QStringList& languages)
{
    const QString language = translationLanguage(languages);
    if (language.isEmpty()) return {};
    auto* editor = new QTranslator(application);
    if (!editor->load(editorTranslationFile(language))) {
        delete editor;
        return {};
    }
    QCoreApplication::installTranslator(editor);
    // The standard dialogs' buttons and the shortcut names (Ctrl, Shift) in the same language.
    auto* qt = new QTranslator(application);
    if (qt->load(QStringLiteral("qtbase_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return language;
}

} // namespace lumara::ui
