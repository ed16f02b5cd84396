// `vudeze-cli engines` lists the engines a library offers as the engine
// configuration dialog does, one line "%02d. tts://ADDRESS/NAME" each;
// `vudeze-cli voices` selects an engine and prints the voice report of each
// of its voices, separated by a blank line.
//
// Threads: main thread only.
#include <QString>
#include <cstdio>

#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "settings/VoiceInfo.h"
#include "tools/vudeze-cli/Cli.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

void Print(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

// The line is built as multibyte text and converted with the ANSI code page,
// as the dialog builds its list.
QString EngineLine(int position, const TTSEngineInfo& record) {
  char head[32];
  std::snprintf(head, sizeof head, "%02d. tts://", position);
  QByteArray line(head);
  line += VUDEZE_RECORD_TEXT(record, serverAddress);
  line += '/';
  line += VUDEZE_RECORD_TEXT(record, name);
  return MultiByteToWide(GetACP(), line);
}

int RunEngines(const CliOptions& options) {
  QString step;
  const uint32_t rc = LoadAndEnumerate(options, &step);
  if (rc != 0) {
    PrintFailure(step, rc);
    return kExitFailed;
  }
  const CTtsAdapter& adapter = TheAdapter();
  QString text;
  for (uint32_t i = 0; i < adapter.EngineCount(); ++i)
    text += EngineLine(static_cast<int>(i) + 1, *adapter.EngineRecord(static_cast<int>(i))) +
            QLatin1Char('\n');
  Print(text);
  return kExitOk;
}

int RunVoices(const CliOptions& options) {
  QString step;
  const uint32_t rc = BringUpEngine(options, &step);
  if (rc != 0) {
    PrintFailure(step, rc);
    return kExitFailed;
  }
  const CTtsAdapter& adapter = TheAdapter();
  QString text;
  for (uint32_t i = 0; i < adapter.VoiceCount(); ++i) {
    if (i > 0) text += QLatin1Char('\n');
    text += VoiceInfoText(*adapter.VoiceRecord(i)) + QLatin1Char('\n');
  }
  Print(text);
  return kExitOk;
}

const CliCommand s_enginesCommand(
    "engines", "",
    "List the engines an engine library offers, as the engine configuration dialog does: one "
    "line \"NN. tts://ADDRESS/NAME\" each.",
    {{"s"}, {"server", "ADDR", "list only the engines at this address"}}, &RunEngines);
const CliCommand s_voicesCommand(
    "voices", "",
    "Select an engine and print the voice report of each of its voices, separated by a blank "
    "line.",
    {{"s"}, {"server"}, {"engine"}}, &RunVoices);

}  // namespace
