// The window in one language at a time: every screen is walked under a
// Chinese and an English table, with data that mixes both scripts.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "testing/manual_dispatcher.h"
#include "ui/main_window.h"
#include "ui/header_view.h"
#include "ui/idle_view.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/string_tables.h"
#include "ui/support_address.h"

using namespace quillmere;
using namespace quillmere::ui;

namespace {

// Sees every lookup of the window's own texts before the installed table
// answers it, and notes the ones that table has no entry for.
class LookupRecorder : public QTranslator {
public:
  explicit LookupRecorder(const QString& table) { loaded = table_.load(table); }
  bool loaded = false;
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    if (QByteArray(context).startsWith("quillmere::")) {
      ++lookups;
      if (table_.translate(context, source, disambiguation, n).isEmpty())
        missing << QString::fromUtf8(context) + QStringLiteral(": ") + QString::fromUtf8(source);
    }
    return {};
  }
  mutable int lookups = 0;
  mutable QStringList missing;

private:
  QTranslator table_;
};

// What a reader sees: the texts of every visible widget under `root`.
QStringList visibleTexts(QWidget* root) {
  QStringList texts;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (w != root && !w->isVisibleTo(root)) continue;
    if (w->isWindow()) texts << w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* text = qobject_cast<WrappedText*>(w)) texts << text->text();
    if (auto* idle = qobject_cast<IdleView*>(w)) texts << idle->title() << idle->caption();
    if (auto* log = qobject_cast<QPlainTextEdit*>(w)) texts << log->toPlainText().split('\n');
    if (auto* list = qobject_cast<QAbstractItemView*>(w)) {
      for (int row = 0; row < list->model()->rowCount(); ++row)
        texts << list->model()->index(row, 0).data().toString();
    }
  }
  texts.removeAll(QString());
  return texts;
}

const QRegularExpression kHan(QStringLiteral("[\\x{2E80}-\\x{9FFF}\\x{F900}-\\x{FAFF}\\x{FF00}-\\x{FFEF}]"));
const QRegularExpression kLatin(QStringLiteral("[A-Za-z]"));

}  // namespace

class StringTablesTest : public QObject {
  Q_OBJECT

  // Data that comes from the analysis, the removal and the drop intake, in
  // both scripts: it must reach the screen untouched under either table.
  const QStringList data_ = {
      QStringLiteral("备忘录 Notes"),
      QStringLiteral("com.example.notes"),
      QStringLiteral("/Users/ada/Library/Caches/com.example.notes"),
      QStringLiteral("/Users/ada/Library/Preferences/备忘录.plist"),
      QStringLiteral("/Applications/备忘录 Notes.app"),
      QStringLiteral("Deleting: /Applications/备忘录 Notes.app"),
      QStringLiteral("✗ Failed to delete: /Applications/备忘录 Notes.app"),
  };
  // The core's fixed messages, as the window shows them in each language.
  const QMap<QString, QMap<QString, QString>> messages_ = {
      {"zh-CN", {{"drop rejected", "请拖拽 .app 文件"}, {"analysis failed", "应用程序不存在"},
                 {"removal failed", "有 1 个文件删除失败"}}},
      {"en-US", {{"drop rejected", "Please drag an .app file"}, {"analysis failed", "Application does not exist"},
                 {"removal failed", "Failed to delete 1 file"}}},
  };

  SessionServices services() const {
    SessionServices services;
    const QStringList data = data_;
    services.analyze = [data](const std::string& path) -> AnalysisResult {
      if (path == "/Applications/Gone.app") return AnalysisError{"", -1, "Application does not exist"};
      return AppInfo(data[0].toStdString(), path, data[1].toStdString(), nullptr,
                     {data[2].toStdString(), data[3].toStdString(), data[4].toStdString()});
    };
    // The first removal fails, the next one succeeds.
    services.uninstall = [data, runs = std::make_shared<int>(0)](
                             const AppInfo&, const ProgressCallback& progress,
                             const CompletionCallback& completion) {
      const std::string bundle = data[4].toStdString();
      progress({0, bundle, RowOutcome::Started});
      progress({0, bundle, RowOutcome::Failed, FailReason::PasswordRefused});
      if ((*runs)++ == 0) completion(false, "Failed to delete 1 files");
      else completion(true, std::nullopt);
    };
    return services;
  }

  // Every screen of a session, with the dialog and the support alert open in
  // turn: name → what the reader sees.
  QList<QPair<QString, QStringList>> walkEveryScreen() {
    auto dispatcher = std::make_shared<ManualDispatcher>();
    MainWindow view(dispatcher, services());
    view.show();
    SessionController& controller = view.controller();
    QList<QPair<QString, QStringList>> seen;
    auto look = [&](const QString& name, QWidget* root) { seen.append({name, visibleTexts(root)}); };

    look("idle", &view);
    QStringList alert;
    QTimer::singleShot(0, this, [&alert] {
      QWidget* box = QApplication::activeModalWidget();
      if (!box) return;
      alert = visibleTexts(box);
      box->close();
    });
    view.header()->supportLink()->click();
    seen.append({"support alert", alert});

    controller.analyzeApp(data_[4].toStdString());
    look("analyzing", &view);
    dispatcher->runAll();
    look("ready", &view);
    view.findChild<QAbstractButton*>(QStringLiteral("uninstallButton"))->click();
    ConfirmationDialog* dialog = view.confirmationDialog();
    if (dialog) look("dialog", dialog);
    if (dialog) dialog->confirmButton()->click();
    dispatcher->runAll();  // the removal fails
    look("removal failed", &view);

    // The uninstalling screen, with the log as it arrives.
    controller.performUninstall(*controller.currentApp());
    dispatcher->runBackground();
    dispatcher->runNextMain();
    dispatcher->runNextMain();  // the two lines, not the completion
    // The log shows what arrived once per frame.
    auto* log = view.currentScreen()->findChild<QPlainTextEdit*>();
    (void)QTest::qWaitFor([log] { return log && log->blockCount() == 2; }, 10000);  // else the walk tells
    look("uninstalling", &view);
    dispatcher->runAll();
    look("completed", &view);

    controller.resetState();
    controller.handleDrop({DroppedItem{std::string("file:///tmp/notes.txt")}});
    dispatcher->runAll();
    look("drop rejected", &view);

    controller.resetState();
    controller.analyzeApp("/Applications/Gone.app");
    dispatcher->runAll();
    look("analysis failed", &view);
    return seen;
  }

private slots:
  void initTestCase() { QApplication::setApplicationName(QStringLiteral("Quillmere")); }

  void tableFollowsTheUiLanguages_data() {
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<bool>("chinese");
    QTest::newRow("mainland") << QStringList{"zh-CN", "zh-Hans-CN", "zh"} << true;
    QTest::newRow("taiwan") << QStringList{"zh-TW", "zh-Hant-TW"} << true;
    QTest::newRow("posix spelling") << QStringList{"zh_HK.UTF-8"} << true;
    QTest::newRow("english") << QStringList{"en-US", "en"} << false;
    QTest::newRow("french only") << QStringList{"fr-FR", "fr"} << false;
    QTest::newRow("C locale") << QStringList{"C"} << false;
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("french, else chinese") << QStringList{"fr", "fr-FR", "zh-CN"} << true;
    QTest::newRow("english, else chinese") << QStringList{"en-GB", "zh-CN"} << false;
    QTest::newRow("not a language called zhx") << QStringList{"zhx"} << false;
  }
  void tableFollowsTheUiLanguages() {
    QFETCH(QStringList, languages);
    QFETCH(bool, chinese);
    const QString table = stringTableFor(languages);
    QCOMPARE(table.contains(QStringLiteral("zh")), chinese);
    QTranslator translator;
    QVERIFY2(translator.load(table), qPrintable(table));  // compiled in, not beside the binary
  }

  void everyScreenSpeaksOneLanguage() {
    QMap<QString, QList<QPair<QString, QStringList>>> walks;
    for (const QString& language : {QStringLiteral("zh-CN"), QStringLiteral("en-US")}) {
      const bool chinese = language.startsWith(QStringLiteral("zh"));
      QVERIFY(installStringTable({language}));
      LookupRecorder recorder(stringTableFor({language}));
      QVERIFY(recorder.loaded);
      QCoreApplication::installTranslator(&recorder);  // asked first, answers nothing
      walks[language] = walkEveryScreen();
      QCoreApplication::removeTranslator(&recorder);
      for (QTranslator* table : QCoreApplication::instance()->findChildren<QTranslator*>())
        QCoreApplication::removeTranslator(table), delete table;

      // Each fixed text has an entry in this table, none is left to the code's own.
      QVERIFY(recorder.lookups >= 20);
      QVERIFY2(recorder.missing.isEmpty(), qPrintable(recorder.missing.join('\n')));

      // Outside the data, nothing of the other language shows.
      QStringList allowed = data_;
      allowed << QString::fromUtf8(kSupportAddress) << QStringLiteral(".app")
              << QStringLiteral("Quillmere");
      std::sort(allowed.begin(), allowed.end(),
                [](const QString& a, const QString& b) { return a.size() > b.size(); });
      for (const auto& [screen, texts] : walks[language]) {
        QVERIFY2(!texts.isEmpty(), qPrintable(screen));
        for (QString text : texts) {
          const QString shown = text;
          for (const QString& piece : allowed) text.remove(piece);
          const bool mixed = chinese ? text.contains(kLatin) : text.contains(kHan);
          QVERIFY2(!mixed, qPrintable(language + " / " + screen + ": " + shown));
        }
        if (messages_[language].contains(screen))
          QVERIFY2(texts.contains(messages_[language][screen]), qPrintable(language + " / " + screen));
      }
    }

    // Data shows as given, in the same places, under both tables.
    const auto& zh = walks["zh-CN"];
    const auto& en = walks["en-US"];
    QCOMPARE(zh.size(), en.size());
    for (qsizetype i = 0; i < zh.size(); ++i) {
      auto dataOnly = [this](QStringList texts) {
        texts.removeIf([this](const QString& t) { return !data_.contains(t); });
        return texts;
      };
      QCOMPARE(dataOnly(zh[i].second), dataOnly(en[i].second));
    }
    QStringList everything;
    for (const auto& [screen, texts] : en) everything << texts;
    for (const QString& piece : data_)
      QVERIFY2(!everything.filter(piece).isEmpty(), qPrintable(piece));
  }

  // English counts "1 related file" and "2 related files"; Chinese has one form.
  void countsTakeTheLanguagesPluralForms() {
    for (const QString& language : {QStringLiteral("zh-CN"), QStringLiteral("en-US")}) {
      QVERIFY(installStringTable({language}));
      auto sentence = [](int files) {
        AppInfo app("Notes", "/Applications/Notes.app", std::nullopt, nullptr,
                    std::vector<std::string>(static_cast<size_t>(files), "/Applications/Notes.app"));
        ReadyView ready;
        ready.setApp(app);
        ConfirmationDialog dialog(app);
        return QStringList{ready.findChild<QLabel*>(QStringLiteral("heading"))->text(),
                           dialog.message()}
            .join('|')
            .replace(QString::number(files), QStringLiteral("#"));
      };
      const bool oneForm = sentence(1) == sentence(2);
      QCOMPARE(oneForm, language.startsWith(QStringLiteral("zh")));
      QCOMPARE(sentence(2), sentence(5));
      for (QTranslator* table : QCoreApplication::instance()->findChildren<QTranslator*>())
        QCoreApplication::removeTranslator(table), delete table;
    }
  }
};

QTEST_MAIN(StringTablesTest)
#include "string_tables_test.moc"
