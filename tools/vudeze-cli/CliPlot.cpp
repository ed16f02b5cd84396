#include "tools/vudeze-cli/CliPlot.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstring>

#include "engine/SpeechTimings.h"
#include "framework/ResourceModule.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "speechview/SpeechPicture.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliSynth.h"

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv) {
  bool plot = false;
  for (int i = 1; i < argc; ++i)
    plot |= std::strcmp(argv[i], "--plot") == 0 || std::strncmp(argv[i], "--plot=", 7) == 0;
  if (!plot) return std::make_unique<QCoreApplication>(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QGuiApplication>(argc, argv);
}

int CCliPlot::Write(const QString& path, int width) {
  const QString what = QStringLiteral("Drawing the picture %1").arg(path);
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
    PrintFailureMessage(what, ERROR_INVALID_PARAMETER,
                        QStringLiteral("The front end was started without a display platform."));
    return kCliExitFailed;
  }
  m_feed.Finish();
  m_recording.AnalyzeAll();
  {
    CSpeechRecording::Reader r(m_recording);
    if (!r.IsValid()) {
      PrintFailureMessage(
          what, ERROR_INVALID_DATA,
          QStringLiteral("The audio format %1 cannot be drawn.").arg(r.FormatCode()));
      return kCliExitFailed;
    }
  }
  const QImage image =
      DrawWholeSpeech(m_recording, QSize(width, kPlotHeight), AfxString(IDS_SPEECHVIEW_SECONDS));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (image.isNull() || !image.save(&buffer, "PNG")) {
    PrintFailure(what, ERROR_NOT_ENOUGH_MEMORY);
    return kCliExitFailed;
  }
  if (const uint32_t r = WriteFileAtomically(path, png); r != 0) {
    PrintFailure(QStringLiteral("Writing the picture to %1").arg(path), r);
    return kCliExitFailed;
  }
  return kCliExitOk;
}
