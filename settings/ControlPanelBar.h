// CControlPanelBar: the docking bar on the left of the main window that
// holds the control panel (speech rate, pitch, volume, voices and reading
// options). It starts 250 pixels wide and docks on the left side only. The
// panel may be taller than the bar: the bar shows the part of it that its
// scroll buttons have moved into view.
//
// Threads: the user-interface thread.
#pragma once

#include <QDockWidget>

class CControlPanel;

class CControlPanelBar : public QDockWidget {
  Q_OBJECT

 public:
  explicit CControlPanelBar(QWidget* parent);
  CControlPanel* Panel() const { return m_pPanel; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  CControlPanel* m_pPanel = nullptr;
};
