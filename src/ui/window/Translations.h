// The editor in the user's language: which translation the environment asks for, and installing it
// together with Qt's own translation of its standard dialogs. UI thread only; install before any
// window is built, since widgets look their texts up when they are made.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class QCoreApplication;

namespace lumara::ui {

// The languages the user asks for, most wanted first, as gettext names them: each entry of
// LANGUAGE (a colon-separated list), then the first set one of LC_ALL, LC_MESSAGES and LANG. Each
// locale name gives its full form and then its language ("de_AT.UTF-8@euro" gives "de_AT", "de").
// "C" and "POSIX" mean the built-in English and end the list there. Duplicates are dropped.
[[nodiscard]] QStringList preferredLanguages(const QProcessEnvironment& environment);

// The language whose editor translation is shipped (":/i18n/lumara_<language>.qm"), the first of
// `languages` that has one; empty for English (English is built in, so an English entry ends the
// search, and so does the end of the list).
[[nodiscard]] QString translationLanguage(const QStringList& languages);

// Installs the editor's translation for `languages` and, where Qt ships one for that language,
// Qt's own (qtbase_<language>.qm from Qt's translations folder), both owned by `application`.
// Returns the language installed, empty when the editor stays in English.
QString installTranslations(QCoreApplication* application, const QStringList& languages);

} // namespace lumara::ui
