// Batch synthesis of a folder, and the timing report every synthesis ends
// with. The widget-free parts (collecting the files, the figures of a batch,
// the texts of the reports) are shared by the program and by `vudeze-cli
// batch`; the program's commands (the Open command with the left Shift key,
// the batch step ID_BATCH_NEXT) are members of CTTSDemoApp defined in
// Batch.cpp.
//
// The program's batch is a chain of posted commands: the Open command with
// the left Shift key chooses a folder and queues its files
// (CTTSDemoApp::m_batchFiles); each batch step opens the next file as the
// document and runs the export command, which skips its dialog and keeps
// no audio while m_bBatch is set; the document's Stop command, when the
// synthesis has ended by itself with result 0, is followed by the next step
// (the document posts it). An error halts the batch with the queue kept (the
// next Open with the left Shift key resumes it); a user's stop ends it.
//
// Threads: the user-interface thread, except where a function says otherwise.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "audio/SynthTiming.h"

// Appends every file under folder to files, depth first: the entries of a
// folder in name order, a subfolder's files at the place where the
// subfolder is met. Every entry that is not a folder is taken, whatever its
// name or kind (hidden files too); "." and ".." are not. A folder reached
// again through a link (a loop) is not searched twice. A folder that cannot
// be read adds nothing. Returns the number of files added.
int CollectBatchFiles(const QString& folder, QStringList* files);

// Whether the batch should try to open path as a text: a regular file (or a
// link to one). A FIFO or a device would block the open or never end.
bool IsBatchReadable(const QString& path);

// True while a batch step opens its file: the document then reports a file
// that cannot be opened in the information table instead of a message box,
// so that a batch never waits for the user.
bool IsBatchOpening();

// The figures of one batch: what the summary line reports.
struct BatchTally {
  QString folder;    // the chosen folder; files are named relative to it
  int files = 0;     // files taken from the queue
  int failures = 0;  // files skipped, and syntheses that failed or were stopped
  double audioMs = 0;
  double synthesisMs = 0;

  // One synthesis that has ended.
  void AddSynthesis(const SynthTiming& timing, bool failed);
  double RealTimeFactor() const { return audioMs <= 0 ? 0.0 : synthesisMs / audioMs; }
};

// The timing report's action and details, from the current resource module.
QString TimingReportAction();
QString TimingReportDetails(const SynthTiming& timing);
// Posts the timing report (result 0). Any thread.
void PostTimingReport(const SynthTiming& timing);

// The batch reports' action and the summary's details.
QString BatchReportAction();
QString BatchSummaryDetails(const BatchTally& tally);
