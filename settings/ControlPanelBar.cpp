#include "settings/ControlPanelBar.h"

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

// The panel's starting size inside the bar.
class CPanelHost : public QWidget {
 public:
  using QWidget::QWidget;
  QSize sizeHint() const override { return {250, 200}; }
};

}  // namespace

CControlPanelBar::CControlPanelBar(QWidget* parent)
    : QDockWidget(AfxString(IDS_CONTROLPANEL_TITLE), parent) {
  setObjectName(QStringLiteral("ControlPanelBar"));
  setAllowedAreas(Qt::LeftDockWidgetArea);
  auto* panel = new CPanelHost(this);
  panel->setObjectName(QStringLiteral("ControlPanel"));
  panel->setAccessibleName(windowTitle());
  setWidget(panel);
}
