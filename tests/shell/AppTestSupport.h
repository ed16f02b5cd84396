// Running the real application object in a test: a clean profile, answers
// for message boxes and modal dialogs, a finger for the splash when it waits
// for the user, and the test engine scripted through a file.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/Settings.h"
#include "shell/SplashWnd.h"
#include "shell/TTSDemoApp.h"
#include "tests/support/TestSupport.h"

class AppFixture {
 public:
  AppFixture() {
    QSettings("Varenco", "VUDEZE 5.0").clear();
    SetSettingsDefaults(QString());
    unsetenv("TESTENGINE_SCRIPT");
    // A user of Simplified Chinese, unless a test says otherwise.
    setenv("LANG", "zh_CN.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    SetMessageBoxHook([this](const QString& text, uint32_t type) {
      messages << text;
      return (type & 0x0F) == MB_YESNO || (type & 0x0F) == MB_YESNOCANCEL ? IDYES : IDOK;
    });
    SetModalHook([this](QDialog* dialog) {
      dialogs << QString::fromLatin1(dialog->metaObject()->className());
      return int(QDialog::Rejected);
    });
    // Whenever the splash waits for the user, note its text and click it.
    QObject::connect(&m_finger, &QTimer::timeout, [this] {
      if (g_pSplashWnd != nullptr && g_pSplashWnd->IsWaiting()) {
        splashTexts << g_pSplashWnd->Text();
        QTest::mouseClick(g_pSplashWnd, Qt::LeftButton);
      }
    });
    m_finger.start(10);
  }
  ~AppFixture() {
    Exit();
    SetMessageBoxHook({});
    SetModalHook({});
    SetSettingsDefaults(QString());
    QSettings("Varenco", "VUDEZE 5.0").clear();
  }

  // A new application object with these arguments, not started yet.
  CTTSDemoApp& Make(const QStringList& args = {}) {
    app = std::make_unique<CTTSDemoApp>();
    app->m_bManageConsole = false;
    app->m_arguments = args;
    return *app;
  }
  bool Start(const QStringList& args = {}) {
    Make(args);
    const bool ok = app->InitInstance();
    started = true;
    QApplication::processEvents();
    if (app->m_pMainWnd != nullptr) {
      QApplication::setActiveWindow(app->m_pMainWnd);
      (void)QTest::qWaitForWindowActive(app->m_pMainWnd);
    }
    return ok;
  }
  void Exit() {
    if (app && started) app->ExitInstance();
    started = false;
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // Scripts the test engine for the next load.
  void Script(const QByteArray& text) {
    QFile f(m_dir.filePath("engine.script"));
    f.open(QIODevice::WriteOnly);
    f.write(text);
    f.close();
    setenv("TESTENGINE_SCRIPT", QFile::encodeName(f.fileName()).constData(), 1);
  }
  static void StoreEngine(const QString& library, const QString& name, const QString& address) {
    CRegKey key;
    key.Create(CRegKey::Root(), "Adapter");
    key.SetString("SvcModule", library);
    key.SetString("EngineName", name);
    key.SetString("ServerIP", address);
    key.SetDword("AssignIP", 0);
  }
  QString TempPath(const QString& name) const { return m_dir.filePath(name); }

  std::unique_ptr<CTTSDemoApp> app;
  bool started = false;
  QStringList messages;
  QStringList dialogs;
  QStringList splashTexts;

 private:
  QTemporaryDir m_dir;
  QTimer m_finger;
};
