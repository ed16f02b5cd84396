// CControlPanelBar: the docking bar on the left of the main window that
// holds the control panel (speech rate, pitch, volume, voices and reading
// options). It starts 250 pixels wide and docks on the left side only.
//
// Threads: the user-interface thread.
#pragma once

#include <QDockWidget>

class CControlPanelBar : public QDockWidget {
  Q_OBJECT

 public:
  explicit CControlPanelBar(QWidget* parent);
  // The panel inside the bar.
  QWidget* Panel() const { return widget(); }
};
