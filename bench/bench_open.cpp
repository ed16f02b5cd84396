// Cost of opening a large GBK text file as the document, on the offscreen
// platform: a small program that prints its figures.
//
// The file: 2,000,000 bytes of GBK text in lines of about 40 characters
// (just below the size limit). Each round opens it through the document
// manager, as File Open and the recent-file list do (template, document,
// the view's reading with detection, the edit view taking the text, the
// first update), once letting the detection find GBK on a UTF-8 system and
// once with GBK chosen explicitly; then reads and converts the same file
// with ICU alone (read the bytes, convert them to UTF-16). The document's
// times are printed as a ratio to ICU's, measured in the same run. Five
// rounds, alternating; the median is printed. The opens alternate between
// two copies of the file, since opening the open file again in the same code
// page only brings its window forward. For comparison, the time the edit view
// takes to receive a text of that size is printed as well.
//
// The program runs with a private HOME and XDG_CONFIG_HOME (the main window
// stores its bar layout).
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "document/CodePageList.h"
#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TxtDocManager.h"
#include "framework/MessageBox.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "shell/MainFrame.h"

namespace {

constexpr qsizetype kFileBytes = 2000000;
constexpr int kRounds = 5;

QByteArray GbkText() {
  const QString line = QString::fromUtf8(
      "语音合成系统演示程序朗读中文文本，今天天气很好，我们一起去公园散步吧。\r\n");
  const QByteArray lineBytes = WideToMultiByte(936, line);
  QByteArray bytes;
  while (bytes.size() + lineBytes.size() <= kFileBytes) bytes += lineBytes;
  bytes += QByteArray(kFileBytes - bytes.size(), 'a');
  return bytes;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  BuildCodePageList();
  int messages = 0;
  SetMessageBoxHook([&](const QString& text, uint32_t) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    ++messages;
    return IDOK;
  });

  const QByteArray bytes = GbkText();
  const QString files[2] = {home.filePath("a.txt"), home.filePath("b.txt")};
  for (const QString& path : files) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 2;
  }

  CTxtDocManager manager;
  manager.AddDocTemplate(new CSingleDocTemplate(
      IDR_MAINFRAME, [] { return new CTTSDemoDoc; }, [] { return new CMainFrame; },
      [] { return new CTTSDemoView; }));
  manager.OnFileNew();
  QApplication::processEvents();

  std::vector<double> detected, chosen, icu, view;
  qsizetype characters = 0;
  uint32_t detectedCodePage = 0;
  int next = 0;
  auto open = [&](bool explicitGbk) {
    if (explicitGbk) {
      SetTextCodePage(936);
      g_bExplicitCodePage = true;
    }
    QElapsedTimer timer;
    timer.start();
    CDocument* doc = manager.OpenDocumentFile(files[next++ % 2]);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (doc == nullptr) return -1.0;
    characters = static_cast<CTTSDemoDoc*>(doc)->GetView()->GetText().size();
    detectedCodePage = GetTextCodePage();
    QApplication::processEvents();
    return ms;
  };
  for (int round = 0; round < kRounds; ++round) {
    detected.push_back(open(false));
    const uint32_t found = detectedCodePage;
    chosen.push_back(open(true));
    detectedCodePage = found;
    QElapsedTimer timer;
    timer.start();
    QFile f(files[0]);
    if (!f.open(QIODevice::ReadOnly)) return 2;
    const QString text = MultiByteToWide(936, f.readAll());
    icu.push_back(timer.nsecsElapsed() / 1e6);
    // The edit view taking a text of that size, on its own.
    auto* doc = static_cast<CTTSDemoDoc*>(manager.GetTemplate()->GetDocument());
    timer.restart();
    doc->GetView()->SetText(text);
    view.push_back(timer.nsecsElapsed() / 1e6);
    doc->SetModifiedFlag(false);
    // The edit view keeps "\r\n" as one line break.
    if (text.size() - text.count(QLatin1Char('\r')) != characters)
      std::fprintf(stderr, "character counts differ\n");
  }
  if (messages != 0 || Median(detected) < 0 || Median(chosen) < 0) return 1;

  std::printf("open of a %lld-byte GBK file (%lld characters), median of %d rounds\n",
              static_cast<long long>(kFileBytes), static_cast<long long>(characters), kRounds);
  std::printf("  system code page %u, detected code page %u\n", GetACP(), detectedCodePage);
  std::printf("  ICU alone (read + convert):         %8.2f ms\n", Median(icu));
  std::printf("  document, code page detected:       %8.2f ms  (%.1f x ICU)\n", Median(detected),
              Median(detected) / Median(icu));
  std::printf("  document, GBK chosen in the dialog: %8.2f ms  (%.1f x ICU)\n", Median(chosen),
              Median(chosen) / Median(icu));
  std::printf("  of which the edit view taking the text: %8.2f ms\n", Median(view));
  if (CSingleDocTemplate* t = manager.GetTemplate()) t->CloseAllDocuments();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SetMessageBoxHook({});
  return 0;
}
