#include "ui/string_tables.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quillmere::ui {

namespace {
const QString kChinese = QStringLiteral(":/i18n/quillmere_zh_CN.qm");
const QString kEnglish = QStringLiteral(":/i18n/quillmere_en.qm");

// "zh", "zh-Hant-TW", "zh_CN.UTF-8": the language is what comes before the
// first separator.
QString languageOf(const QString& tag) {
  qsizetype end = 0;
  while (end < tag.size() && tag[end].isLetter()) ++end;
  return tag.left(end).toLower();
}
}  // namespace

QString stringTableFor(const QStringList& uiLanguages) {
  // A list is a fallback order (LANGUAGE=fr:zh_CN reads "French, else
  // Chinese"): languages we have no table for are passed over.
  for (const QString& tag : uiLanguages) {
    const QString language = languageOf(tag);
    if (language == QLatin1String("zh")) return kChinese;
    if (language == QLatin1String("en")) return kEnglish;
  }
  return kEnglish;
}

QStringList systemUiLanguages() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
  QByteArray messages = qgetenv("LC_ALL");
  if (messages.isEmpty()) messages = qgetenv("LC_MESSAGES");
  if (messages.isEmpty()) messages = qgetenv("LANG");
  if (messages.isEmpty() || messages == "C" || messages.startsWith("C.") || messages == "POSIX")
    return {QStringLiteral("C")};
#endif
  return QLocale::system().uiLanguages();
}

bool installStringTable(const QStringList& uiLanguages) {
  const QString ours = stringTableFor(uiLanguages);
  const auto install = [](const QString& file, const QString& folder) {
    auto* table = new QTranslator(QCoreApplication::instance());
    if (table->load(file, folder)) return QCoreApplication::installTranslator(table);
    delete table;
    return false;
  };
  // Qt's own texts (the file dialog's buttons and labels) in the same
  // language, where the system has Qt's tables; without them they stay English.
  install(ours == kChinese ? QStringLiteral("qtbase_zh_CN") : QStringLiteral("qtbase_en"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return install(ours, QString());
}

}  // namespace quillmere::ui
