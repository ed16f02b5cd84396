// Drives the scriptable test engine from a test: the test loads the same
// library file the adapter loads, so both share its state, and configures
// it, reads its call log and counts its calls through its own exports.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <ostream>

#include "platform/DynLib.h"
#include "tests/support/TestSupport.h"

class ScriptedEngine {
 public:
  // library: the file name in the build's bin folder ("libtestengine.so").
  explicit ScriptedEngine(const QString& library = QStringLiteral("libtestengine.so"))
      : m_path(BinPath(library)) {
    m_module = LoadLibraryPath(m_path);
    if (m_module == nullptr) return;
    m_configure =
        reinterpret_cast<void (*)(const char*)>(GetProcAddress(m_module, "TestEngine_Configure"));
    m_log = reinterpret_cast<const char* (*)()>(GetProcAddress(m_module, "TestEngine_CallLog"));
    m_clear = reinterpret_cast<void (*)()>(GetProcAddress(m_module, "TestEngine_ClearLog"));
    m_count = reinterpret_cast<uint32_t (*)(const char*)>(
        GetProcAddress(m_module, "TestEngine_CallCount"));
    m_error =
        reinterpret_cast<const char* (*)()>(GetProcAddress(m_module, "TestEngine_ScriptError"));
    m_instances =
        reinterpret_cast<uint32_t (*)()>(GetProcAddress(m_module, "TestEngine_InstanceCount"));
    m_lose = reinterpret_cast<void (*)()>(GetProcAddress(m_module, "TestEngine_Lose"));
    m_param =
        reinterpret_cast<uint32_t (*)(uint32_t)>(GetProcAddress(m_module, "TestEngine_Param"));
  }
  ~ScriptedEngine() {
    if (m_module != nullptr) FreeLibrary(m_module);
  }
  ScriptedEngine(const ScriptedEngine&) = delete;
  ScriptedEngine& operator=(const ScriptedEngine&) = delete;

  bool IsValid() const { return m_configure && m_log && m_clear && m_count && m_error; }
  const QString& Path() const { return m_path; }

  // Replaces the engine's whole state; returns the script error, empty when accepted.
  QString Configure(const char* script) {
    m_configure(script);
    return QString::fromUtf8(m_error());
  }
  QStringList Log() const {
    const QString text = QString::fromUtf8(m_log());
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
  }
  void ClearLog() { m_clear(); }
  uint32_t Count(const char* entry) const { return m_count(entry); }
  uint32_t Instances() const { return m_instances(); }
  // The engine stops answering parameter calls until it is connected again.
  void Lose() { m_lose(); }
  // The engine's current value of a parameter.
  uint32_t Param(uint32_t id) const { return m_param(id); }

 private:
  QString m_path;
  HMODULE m_module = nullptr;
  void (*m_configure)(const char*) = nullptr;
  const char* (*m_log)() = nullptr;
  void (*m_clear)() = nullptr;
  uint32_t (*m_count)(const char*) = nullptr;
  const char* (*m_error)() = nullptr;
  uint32_t (*m_instances)() = nullptr;
  void (*m_lose)() = nullptr;
  uint32_t (*m_param)(uint32_t) = nullptr;
};
