// Connects the process's adapter to the scriptable test engine with a script
// of the test's own, and collects the information reports made meanwhile.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <vector>

#include "engine/TtsAdapter.h"
#include "framework/QueuedEvent.h"
#include "shell/InfoReport.h"
#include "tests/support/ReportCollector.h"
#include "tests/support/TestSupport.h"

// Loads libtestengine.so into the adapter with a fresh script (engine "E1"
// at 127.0.0.1 plus the given lines) and connects it.
class ScriptedEngine {
 public:
  static QString LibraryPath() { return BinPath(QStringLiteral("libtestengine.so")); }

  // Returns the adapter's code of the first failing step.
  uint32_t Connect(const QString& lines) {
    CTtsAdapter& adapter = TheAdapter();
    adapter.UnloadModule();
    // A new file name each time makes the engine read the script again.
    const QString path = m_dir.filePath(QStringLiteral("script%1.txt").arg(s_count++));
    WriteAll(path, ("engine E1 127.0.0.1\n" + lines + "\n").toUtf8());
    setenv("TESTENGINE_SCRIPT", path.toLocal8Bit().constData(), 1);
    const QString library = LibraryPath();
    uint32_t r = adapter.LoadModule(&library);
    if (r != 0) return r;
    uint32_t count = 0;
    r = adapter.EnumEngines(&count, nullptr);
    if (r != 0) return r;
    const QString address = QStringLiteral("127.0.0.1");
    const QString name = QStringLiteral("E1");
    return adapter.SelectEngine(&address, &name);
  }

  // How often the engine's entry point was called since the script was read.
  static uint32_t CallCount(const char* entry) {
    void* handle = dlopen(LibraryPath().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return 0;
    auto fn = reinterpret_cast<uint32_t (*)(const char*)>(dlsym(handle, "TestEngine_CallCount"));
    const uint32_t n = fn != nullptr ? fn(entry) : 0;
    dlclose(handle);
    return n;
  }

  ~ScriptedEngine() {
    TheAdapter().UnloadModule();
    unsetenv("TESTENGINE_SCRIPT");
  }

 private:
  QTemporaryDir m_dir;
  static inline int s_count = 0;
};
