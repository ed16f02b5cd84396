// COutputBar: the docking bar at the bottom of the main window that hosts
// the information output table (CInfoTable), titled "信息输出". The main
// frame creates it with itself as the parent and docks it; the table fills
// the bar, and the bar starts about 150 pixels high.
//
// Threads: the user-interface thread only.
#pragma once

#include <QDockWidget>

class CInfoTable;

class COutputBar : public QDockWidget {
  Q_OBJECT

 public:
  explicit COutputBar(QWidget* parent = nullptr);

  CInfoTable* InfoTable() const { return m_table; }

 private:
  CInfoTable* m_table;
};
