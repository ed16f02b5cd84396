// CTTSDemoDoc: the text document. Its text lives in the view (the editor);
// the document reads and writes files in the current text code page and
// owns the synthesis commands. The Stop command ends a running play or
// export and writes the end report to the information table.
//
// Threads: the user-interface thread.
#pragma once

#include <cstdint>

#include "framework/DocView.h"

class CTTSDemoView;

class CTTSDemoDoc : public CDocument {
  DECLARE_DYNAMIC(CTTSDemoDoc)

 public:
  CTTSDemoDoc();

  CTTSDemoView* GetView() const;
  void DeleteContents() override;

  // The Stop command: stops a running synthesis, frees the endpoints'
  // parameters and reports how it ended. Nothing when the pipeline is idle.
  void OnSynthStop();

  // 0 while running, 1 when the pipeline stopped by itself, 2 when the
  // Stop command stopped it.
  int32_t m_nEndReason = 0;

 protected:
  uint32_t ReadFile(const QString& path) override;
  uint32_t WriteFile(const QString& path) override;
};
