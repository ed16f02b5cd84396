// CTTSDemoApp: the application object, one for the whole run. It owns the
// audio pipeline objects that every play and export uses and the language
// packs, chooses the interface language, brings the speech engine up while
// the splash reports progress, creates the single document with its main
// frame and edit view, handles the application's commands (help, about,
// languages, engine configuration, the engine's splash text) and on exit
// shuts everything down in a fixed order, storing what the next run needs.
//
// Windows that other parts call record themselves here when they are made
// (m_pInfoTable, m_pControlPanel, m_pLogoWnd) and clear the record when they
// go, if it still points to them.
//
// Threads: everything runs on the user-interface thread; during start-up the
// engine is brought up on a helper thread while the splash's event loop runs
// (the user-interface thread waits for it and touches nothing of the
// adapter meanwhile).
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/AudioCore.h"
#include "audio/AudioWaveOutput.h"
#include "engine/AudioTtsInput.h"
#include "engine/AudioTtsOutput.h"
#include "framework/WinApp.h"
#include "shell/Batch.h"
#include "shell/CommandLine.h"
#include "speechview/PlayCursor.h"
#include "speechview/SpeechAnalyzer.h"
#include "speechview/SpeechFeed.h"
#include "speechview/SpeechRecording.h"
#include "speechview/SpeechReplay.h"

class CControlPanel;
class CInfoTable;
class CLogoWnd;
class CResourceModule;
class QWidget;

class CTTSDemoApp : public CWinApp {
 public:
  CTTSDemoApp();
  ~CTTSDemoApp() override;

  bool InitInstance() override;
  int ExitInstance() override;

  // Rebuilds the user interface with another resource module; false when
  // the language is already current or the new window cannot be made.
  bool SwitchLanguage(uint32_t newId, CResourceModule* module);
  // Loads the language packs and chooses the start-up language.
  void SelectStartupLanguage();

  // Whether the pipeline is idle (stopped, and the stop acknowledged).
  bool IsPipelineIdle() const { return m_audioCore.IsIdle(); }

  // Where the language packs are looked for (the program's folder), the
  // arguments after the program's name, and whether start-up may send the
  // program's output away when no console is asked for: tests change them
  // before InitInstance.
  QString m_strPackDir;
  QStringList m_arguments;
  bool m_bManageConsole = true;
  // The help file: the program's folder followed by "/../help/index.html".
  QString m_strHelpFilePath;

  CResourceModule* m_hLangPackEnu = nullptr;  // owned (m_packs)
  CResourceModule* m_hLangPackCht = nullptr;
  CInfoTable* m_pInfoTable = nullptr;
  CControlPanel* m_pControlPanel = nullptr;
  CLogoWnd* m_pLogoWnd = nullptr;
  uint32_t m_nLangID;
  QStringList m_batchFiles;
  // Read by the pipeline's worker when a synthesis ends.
  std::atomic<int32_t> m_bBatch{0};
  BatchTally m_batchTally;
  int32_t m_bEngineFromCmdLine = 0;
  // The speech view's recording of the last play or export, where the play
  // stands in it, its analysis thread and the replay of a word or a range
  // (speechview/). They outlive the windows; declared before the pipeline so
  // that they are still there when it goes.
  CSpeechRecording m_speechRecording;
  CPlayCursor m_playCursor;
  CSpeechFeed m_speechFeed{&m_speechRecording, &m_playCursor};
  std::unique_ptr<CSpeechAnalyzer> m_pSpeechAnalyzer =
      std::make_unique<CSpeechAnalyzer>(&m_speechRecording);
  CSpeechReplay m_speechReplay{&m_speechRecording, &m_playCursor};
  CAudioCore m_audioCore;
  CAudioTtsInput m_ttsInput;
  CAudioTtsOutput m_ttsOutput;
  CAudioWaveOutput m_waveOutput;

  // The batch (shell/Batch.cpp): one step (ID_BATCH_NEXT), and what the
  // document's Stop command tells the batch when a synthesis has ended.
  void OnBatchNext();
  void OnBatchSynthesisEnd(uint32_t result, int32_t endReason, const SynthTiming& timing);

  // Start-up options (vudeze.ini and the command line).
  CTtsCommandLineInfo m_cmdInfo;
  CStartupOptions m_options;

 private:
  void RegisterCommands();
  // The Open command (a folder for a batch with the left Shift key) and the
  // batch step (shell/Batch.cpp).
  void RegisterBatchCommands();
  void OnOpen();
  bool m_bBatchFileRunning = false;
  void OnEngineConfig();
  void OnShowEngineText();
  void OnHelp();
  void OnAbout();
  void OnLanguage(uint32_t id);
  // Brings the engine up (start-up step 15); the first non-zero code.
  uint32_t BringUpEngine(const QString& library);
  bool CreateFirstDocument(const CCommandLineInfo& info);

  std::unique_ptr<CResourceModule> m_packEnu;
  std::unique_ptr<CResourceModule> m_packCht;
};

// The application object, or null when none exists.
CTTSDemoApp* TheApp();

// Discards the stored bar layout ("BcxSettings") when the version stored at
// the last exit differs from programVersion; true when they are equal.
bool CheckLayoutVersion(const QString& programVersion);

// The message for a failed engine start-up: the string to show and whether
// the configuration dialog should open by itself afterwards.
QString StartupFailureMessage(uint32_t code, bool* requestConfig);
