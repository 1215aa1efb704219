#pragma once
// The window speaks one language at a time. Its fixed texts are written in
// the code in English; two string tables, compiled into the program, turn
// them into one language: Simplified Chinese for a reader of any Chinese,
// English for everyone else. Data (names, paths, log lines) never goes through
// a table; the core's few fixed messages are put into the window's language
// where the error screen shows them.

#include <QString>
#include <QStringList>

namespace quillmere::ui {

// The resource path of the table for these UI languages, most preferred
// first (BCP 47 or POSIX spelling): the first Chinese or English entry
// decides; a list without either gets English.
QString stringTableFor(const QStringList& uiLanguages);

// The user's UI languages, most preferred first. QLocale::system() on Linux,
// except that LANGUAGE counts for nothing under the C locale, as for every
// gettext program: LC_ALL=C asks for the program's untranslated texts.
QStringList systemUiLanguages();

// Loads that table and installs it for the whole application; call after the
// QApplication exists and before any window is built. Returns false when the
// table could not be loaded (the code's own texts are shown then).
bool installStringTable(const QStringList& uiLanguages);

}  // namespace quillmere::ui
