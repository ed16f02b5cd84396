#include "shell/OutputBar.h"

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoTable.h"

COutputBar::COutputBar(QWidget* parent)
    : QDockWidget(AfxString(IDS_OUTPUT_TITLE), parent), m_table(new CInfoTable(this)) {
  setObjectName(QStringLiteral("OutputBar"));
  setWidget(m_table);
}
