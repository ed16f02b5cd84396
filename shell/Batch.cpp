#include "shell/Batch.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSet>

#include "document/TTSDemoDoc.h"
#include "framework/DocView.h"
#include "framework/FrameWnd.h"
#include "framework/KeyState.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/TTSDemoApp.h"

namespace {

bool g_bBatchOpening = false;

int Collect(const QString& folder, QStringList* files, QSet<QString>* searched) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  if (canonical.isEmpty() || searched->contains(canonical)) return 0;
  searched->insert(canonical);
  const QFileInfoList entries = QDir(folder).entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  int added = 0;
  for (const QFileInfo& entry : entries) {
    if (entry.isDir()) {
      added += Collect(entry.absoluteFilePath(), files, searched);
    } else {
      files->append(entry.absoluteFilePath());
      ++added;
    }
  }
  return added;
}

void PostBatchReport(int32_t result, const QString& details) {
  PostInfo(result, BatchReportAction(), L"%ls", ToWide(details).c_str());
}

}  // namespace

int CollectBatchFiles(const QString& folder, QStringList* files) {
  QSet<QString> searched;
  return Collect(folder, files, &searched);
}

bool IsBatchReadable(const QString& path) {
  return QFileInfo(path).isFile();
}

bool IsBatchOpening() {
  return g_bBatchOpening;
}

void BatchTally::AddSynthesis(const SynthTiming& timing, bool failed) {
  audioMs += timing.AudioMs();
  synthesisMs += static_cast<double>(timing.synthesisUs) / 1000.0;
  if (failed) ++failures;
}

QString TimingReportAction() {
  return AfxString(IDS_TIMING_ACTION);
}

QString TimingReportDetails(const SynthTiming& timing) {
  const double synthesisMs = static_cast<double>(timing.synthesisUs) / 1000.0;
  if (timing.firstAudioUs < 0 || timing.audioBytes == 0 || timing.bytesPerSecond == 0)
    return AfxFormatString(IDS_TIMING_NO_AUDIO, synthesisMs);
  return AfxFormatString(IDS_TIMING_DETAILS, static_cast<double>(timing.firstAudioUs) / 1000.0,
                         timing.AudioMs(), synthesisMs, timing.RealTimeFactor());
}

void PostTimingReport(const SynthTiming& timing) {
  PostInfo(0, TimingReportAction(), L"%ls", ToWide(TimingReportDetails(timing)).c_str());
}

QString BatchReportAction() {
  return AfxString(IDS_BATCH_ACTION);
}

QString BatchSummaryDetails(const BatchTally& tally) {
  return AfxFormatString(IDS_BATCH_SUMMARY, tally.files, tally.failures, tally.audioMs / 1000.0,
                         tally.RealTimeFactor());
}

// ---- The program's batch commands

void CTTSDemoApp::RegisterBatchCommands() {
  MapCommand(ID_FILE_OPEN, [this] { OnOpen(); });
  MapCommand(ID_BATCH_NEXT, [this] { OnBatchNext(); });
}

void CTTSDemoApp::OnOpen() {
  if (!IsLeftShiftDown()) {
    OnFileOpen();
    return;
  }
  QFileDialog dialog(m_pMainWnd, AfxString(IDS_BATCH_FOLDER_TITLE), QDir::homePath());
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (AfxRunModal(&dialog) == QDialog::Accepted) {
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty() && QFileInfo(chosen.front()).isDir()) {
      // A synthesis under way (the user's, or a file of an earlier batch)
      // is stopped as the Stop command stops it; that ends an earlier batch.
      if (!IsPipelineIdle() && m_pMainWnd != nullptr) m_pMainWnd->OnCommand(ID_SYNTH_STOP, false);
      m_bBatch = 1;
      m_batchFiles.clear();
      m_bBatchFileRunning = false;
      m_batchTally = BatchTally();
      m_batchTally.folder = QFileInfo(chosen.front()).absoluteFilePath();
      ClearInfo();
      CollectBatchFiles(m_batchTally.folder, &m_batchFiles);
    }
  }
  // Also after a cancelled choice: a halted batch resumes.
  OnBatchNext();
}

void CTTSDemoApp::OnBatchNext() {
  if (m_batchFiles.isEmpty()) {
    if (m_bBatch && m_batchTally.files > 0) PostBatchReport(0, BatchSummaryDetails(m_batchTally));
    m_bBatch = 0;
    m_batchTally.files = 0;
    return;
  }
  // A file is being synthesised: its end takes the next step.
  if (!m_bBatch || !IsPipelineIdle() || m_pMainWnd == nullptr) return;

  const QString path = m_batchFiles.takeFirst();
  const int number = ++m_batchTally.files;
  const QString shown =
      m_batchTally.folder.isEmpty() ? path : QDir(m_batchTally.folder).relativeFilePath(path);
  PostBatchReport(
      0, AfxFormatString(IDS_BATCH_FILE, number, number + static_cast<int>(m_batchFiles.size()),
                         shown.toUtf8().constData()));
  auto skip = [&](uint32_t reason) {
    if (reason != 0) PostBatchReport(0, AfxFormatString(reason, shown.toUtf8().constData()));
    ++m_batchTally.failures;
    m_pMainWnd->PostCommand(ID_BATCH_NEXT);
  };
  // A FIFO or a device would block the open or never end.
  if (QFileInfo::exists(path) && !IsBatchReadable(path)) return skip(IDS_BATCH_NOT_REGULAR);

  // A modified document is offered for saving once; cancelling halts the
  // batch with this file still queued.
  CDocManager* manager = GetDocManager();
  CSingleDocTemplate* docTemplate = manager != nullptr ? manager->GetTemplate() : nullptr;
  CDocument* current = docTemplate != nullptr ? docTemplate->GetDocument() : nullptr;
  if (current != nullptr && current->IsModified()) {
    if (!current->SaveModified()) {
      m_batchFiles.prepend(path);
      --m_batchTally.files;
      PostBatchReport(0, AfxFormatString(IDS_BATCH_HALTED, static_cast<int>(m_batchFiles.size())));
      return;
    }
    current->SetModifiedFlag(false);
  }

  g_bBatchOpening = true;
  CDocument* doc = OpenDocumentFile(path);
  g_bBatchOpening = false;
  if (doc == nullptr) {
    // The document has said why. A failed open leaves the previous file's
    // name on an emptied document marked modified: the next file would offer
    // to save that empty text over it. A new, empty document instead.
    if (docTemplate != nullptr && docTemplate->GetDocument() != nullptr) {
      docTemplate->GetDocument()->SetModifiedFlag(false);
      OnFileNew();
    }
    if (m_pMainWnd == nullptr) return;
    return skip(0);
  }
  if (m_pMainWnd == nullptr) return;

  // The export command skips its dialog while the batch runs. It is refused
  // for a file without text.
  m_bBatchFileRunning = true;
  if (!m_pMainWnd->OnCommand(ID_EXPORT, false)) {
    m_bBatchFileRunning = false;
    return skip(IDS_BATCH_NO_TEXT);
  }
  if (IsPipelineIdle()) {
    // The start failed (the speech source has reported why): the batch
    // halts as after a failed synthesis.
    m_bBatchFileRunning = false;
    ++m_batchTally.failures;
    PostBatchReport(0, AfxFormatString(IDS_BATCH_HALTED, static_cast<int>(m_batchFiles.size())));
  }
}

void CTTSDemoApp::OnBatchSynthesisEnd(uint32_t result, int32_t endReason,
                                      const SynthTiming& timing) {
  const bool batchFile = m_bBatchFileRunning;
  m_bBatchFileRunning = false;
  if (!m_bBatch) return;
  if (batchFile) m_batchTally.AddSynthesis(timing, result != 0 || endReason == 2);
  if (endReason == 2) {
    // The user's stop ends the batch.
    const int left = static_cast<int>(m_batchFiles.size());
    m_batchFiles.clear();
    m_bBatch = 0;
    PostBatchReport(0, AfxFormatString(IDS_BATCH_USER_STOP, left));
    if (m_batchTally.files > 0) PostBatchReport(0, BatchSummaryDetails(m_batchTally));
    m_batchTally.files = 0;
    return;
  }
  if (result != 0 && batchFile)
    PostBatchReport(static_cast<int32_t>(result),
                    AfxFormatString(IDS_BATCH_HALTED, static_cast<int>(m_batchFiles.size())));
}
