#include "framework/FrameWnd.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShortcutEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include "framework/DocView.h"
#include "framework/QueuedEvent.h"
#include "framework/ResourceModule.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CObject)

namespace {

// How often the idle update pass runs.
constexpr int kIdleUpdateMs = 100;

QString CommandName(uint32_t id) {
  switch (id) {
#define VUDEZE_NAME_CASE(name, value) \
  case value:                         \
    return QStringLiteral(#name);
    VUDEZE_COMMANDS(VUDEZE_NAME_CASE)
#undef VUDEZE_NAME_CASE
    default:
      return QStringLiteral("ID_%1").arg(id);
  }
}

// A queued command for the frame.
class CPostedCommand : public QEvent {
 public:
  static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 401);
  explicit CPostedCommand(uint32_t id) : QEvent(kType), m_nID(id) {}
  uint32_t m_nID;
};

// The text of a menu item without its keys.
QString WithoutKeys(const QString& text) {
  return text.section(QLatin1Char('\t'), 0, 0);
}

QIcon IconFromStrips(const QImage& normal, const QImage& hot, const QImage& disabled, int index,
                     int w, int h) {
  QIcon icon;
  auto slice = [&](const QImage& strip) {
    return QPixmap::fromImage(strip.copy(index * w, 0, w, h));
  };
  if (!normal.isNull()) icon.addPixmap(slice(normal), QIcon::Normal);
  if (!hot.isNull()) icon.addPixmap(slice(hot), QIcon::Active);
  if (!disabled.isNull()) icon.addPixmap(slice(disabled), QIcon::Disabled);
  return icon;
}

}  // namespace

// ---- CCommandAction

CCommandAction::CCommandAction(uint32_t id, QObject* parent) : QAction(parent), m_nID(id) {
  setObjectName(CommandName(id));
}

bool CCommandAction::event(QEvent* e) {
  if (e->type() == QEvent::Shortcut) {
    // A key: the frame decides, knowing it came from an accelerator.
    auto* frame = qobject_cast<CFrameWnd*>(parent());
    if (frame != nullptr) {
      frame->OnCommand(m_nID, true);
      return true;
    }
  }
  return QAction::event(e);
}

// ---- CFrameWnd

CFrameWnd::CFrameWnd() {
  setAttribute(Qt::WA_DeleteOnClose, false);
  m_pMessagePane = new QLabel(this);
  m_pMessagePane->setObjectName(QStringLiteral("MessagePane"));
  m_pIdleTimer = new QTimer(this);
  m_pIdleTimer->setInterval(kIdleUpdateMs);
  connect(m_pIdleTimer, &QTimer::timeout, this, &CFrameWnd::UpdateCommandUI);
  // A key is matched against the actions' enabled state: refresh it first,
  // so a command that became possible a moment ago answers its key at once.
  qApp->installEventFilter(this);
}

CFrameWnd::~CFrameWnd() {
  if (!m_bDestroying && m_pTemplate != nullptr) m_pTemplate->OnFrameDestroyed(this);
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this)
    app->m_pMainWnd = nullptr;
}

bool CFrameWnd::LoadFrame(uint32_t resourceId, CView* view) {
  m_nIDResource = resourceId;
  m_pViewActive = view;
  if (view != nullptr) setCentralWidget(view->GetWidget());
  if (!OnCreate()) return false;
  SetMessageText(QString());
  UpdateCommandUI();
  m_pIdleTimer->start();
  return true;
}

CDocument* CFrameWnd::GetActiveDocument() const {
  return m_pViewActive != nullptr ? m_pViewActive->GetDocument() : nullptr;
}

bool CFrameWnd::OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui) {
  if (m_pViewActive != nullptr && m_pViewActive->OnCmdMsg(id, mode, ui)) return true;
  if (DispatchOwn(id, mode, ui)) return true;
  CWinApp* app = AfxGetApp();
  return app != nullptr && app->OnCmdMsg(id, mode, ui);
}

bool CFrameWnd::OnCommand(uint32_t id, bool /*fromAccelerator*/) {
  if (m_bDestroying) return false;
  const bool ran = ExecuteCommand(id);
  // The command may have destroyed this frame; its deletion is deferred, so
  // the update pass still finds it whole.
  if (!m_bDestroying) UpdateCommandUI();
  return ran;
}

void CFrameWnd::PostCommand(uint32_t id) {
  PostQueuedEvent(this, new CPostedCommand(id));
}

CCommandAction* CFrameWnd::CommandAction(uint32_t id) {
  auto it = m_actions.find(id);
  if (it != m_actions.end()) return it->second;
  auto* action = new CCommandAction(id, this);
  action->setStatusTip(AfxCommandPrompt(id));
  const QString tip = AfxCommandTip(id);
  action->setToolTip(tip);
  action->setIconText(tip);
  if (action->text().isEmpty()) action->setText(tip);
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id, false); });
  addAction(action);  // keys work while the menu bar is hidden
  m_actions[id] = action;
  return action;
}

bool CFrameWnd::IsAccelerator(const QKeySequence& key) const {
  for (const auto& a : m_accelerators)
    if (a.second.matches(key) == QKeySequence::ExactMatch) return true;
  return false;
}

void CFrameWnd::UpdateCommandUI() {
  if (m_bDestroying) return;
  for (auto& [id, action] : m_actions) {
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) continue;
    CCmdUI ui(id);
    const bool ruled = OnCmdMsg(id, Mode::kUpdate, &ui);
    const bool enabled =
        ruled && ui.m_bEnableSet ? ui.m_bEnabled : OnCmdMsg(id, Mode::kProbe, nullptr);
    if (action->isEnabled() != enabled) action->setEnabled(enabled);
    if (ui.m_bCheckSet) {
      if (ui.m_bRadio && action->actionGroup() == nullptr) ShowAsRadio(action);
      if (!action->isCheckable()) action->setCheckable(true);
      if (action->isChecked() != (ui.m_nCheck != 0)) action->setChecked(ui.m_nCheck != 0);
    }
    if (ui.m_bTextSet && action->text() != ui.m_strText) action->setText(ui.m_strText);
  }
}

void CFrameWnd::ShowAsRadio(QAction* action) {
  // The radio items of one menu form one group, so the menu draws radio
  // marks; which one is checked stays the update rules' decision.
  QMenu* menu = nullptr;
  for (QObject* o : action->associatedObjects())
    if ((menu = qobject_cast<QMenu*>(o)) != nullptr) break;
  QActionGroup*& group = m_radioGroups[menu];
  if (group == nullptr) {
    group = new QActionGroup(this);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  }
  group->addAction(action);
}

void CFrameWnd::OnUpdateFrameTitle(bool addToTitle) {
  QString title = AfxString(AFX_IDS_APP_TITLE);
  CDocument* doc = GetActiveDocument();
  if (addToTitle && doc != nullptr) {
    title += QStringLiteral(" - ") + doc->GetTitle();
    if (doc->IsModified()) title += QLatin1Char('*');
  }
  setWindowTitle(title);
}

void CFrameWnd::SetMessageText(const QString& text) {
  m_pMessagePane->setText(text.isEmpty() ? AfxString(AFX_IDS_IDLEMESSAGE) : text);
}

QString CFrameWnd::GetMessageText() const {
  return m_pMessagePane->text();
}

bool CFrameWnd::OnClose() {
  CDocument* doc = GetActiveDocument();
  if (doc != nullptr && !doc->SaveModified()) return false;
  CWinApp* app = AfxGetApp();
  const bool wasMain = app != nullptr && app->m_pMainWnd == this;
  DestroyFrame();
  if (wasMain) app->OnMainWindowClosed();
  return true;
}

void CFrameWnd::DestroyFrame() {
  if (m_bDestroying) return;
  OnDestroy();
  m_bDestroying = true;
  m_pIdleTimer->stop();
  hide();
  if (m_pTemplate != nullptr) m_pTemplate->OnFrameDestroyed(this);
  m_pViewActive = nullptr;
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == this)
    app->m_pMainWnd = nullptr;
  deleteLater();
}

void CFrameWnd::LoadMenuBar(uint32_t menuId) {
  const CMenuResource* menu = AfxGetResourceHandle()->Menu(menuId);
  QMenuBar* bar = menuBar();
  bar->clear();
  if (menu == nullptr) return;
  for (const CMenuResource& popup : menu->items) {
    if (popup.kind != CMenuResource::kPopup) continue;
    bar->addMenu(BuildMenu(popup, bar));
  }
}

QMenu* CFrameWnd::BuildMenu(const CMenuResource& popup, QWidget* parent) {
  auto* menu = new QMenu(popup.text, parent);
  menu->setObjectName(WithoutKeys(popup.text).remove(QLatin1Char('&')));
  QAction* recent = nullptr;
  for (const CMenuResource& item : popup.items) {
    switch (item.kind) {
      case CMenuResource::kSeparator:
        menu->addSeparator();
        break;
      case CMenuResource::kPopup:
        menu->addMenu(BuildMenu(item, menu));
        break;
      case CMenuResource::kItem: {
        CCommandAction* action = CommandAction(item.id);
        action->setText(item.text);
        menu->addAction(action);
        if (item.id == ID_FILE_MRU_FILE1) {
          recent = action;
          action->setData(item.text);
          for (uint32_t i = 1; i < kRecentFileCount; ++i)
            menu->addAction(CommandAction(ID_FILE_MRU_FILE1 + i));
        }
        break;
      }
    }
  }
  connect(menu, &QMenu::aboutToShow, this, [this, menu, recent] {
    UpdateCommandUI();
    if (recent != nullptr) ShowRecentFiles(menu, recent);
  });
  return menu;
}

void CFrameWnd::ShowRecentFiles(QMenu*, QAction* placeholder) {
  CWinApp* app = AfxGetApp();
  const QStringList files = app && app->RecentFiles() ? app->RecentFiles()->Files() : QStringList();
  for (uint32_t i = 0; i < kRecentFileCount; ++i) {
    CCommandAction* action = CommandAction(ID_FILE_MRU_FILE1 + i);
    if (i < static_cast<uint32_t>(files.size())) {
      // "&1 path", with "&" in the path doubled so it is no mnemonic.
      QString shown = QDir::toNativeSeparators(files[int(i)]);
      shown.replace(QLatin1Char('&'), QLatin1String("&&"));
      action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
      action->setVisible(true);
      action->setEnabled(true);
    } else if (i == 0) {
      action->setText(placeholder->data().toString());
      action->setVisible(true);
      action->setEnabled(false);
    } else {
      action->setVisible(false);
    }
  }
}

void CFrameWnd::LoadAccelTable(uint32_t accelId) {
  m_accelerators.clear();
  std::map<uint32_t, QList<QKeySequence>> keys;
  for (const CAccelerator& a : AfxGetResourceHandle()->Accelerators(accelId)) {
    keys[a.command].append(a.keys);
    m_accelerators.emplace_back(a.command, a.keys);
  }
  for (auto& [id, list] : keys) {
    CCommandAction* action = CommandAction(id);
    action->setShortcuts(list);
    action->setShortcutContext(Qt::WindowShortcut);
  }
}

void CFrameWnd::SetToolbarImages(uint32_t toolbarId, uint32_t normal, uint32_t hot,
                                 uint32_t disabled) {
  const CToolbarResource* bar = AfxGetResourceHandle()->Toolbar(toolbarId);
  if (bar == nullptr) return;
  CResourceModule* res = AfxGetResourceHandle();
  const QImage n = res->Bitmap(normal), h = res->Bitmap(hot), d = res->Bitmap(disabled);
  int image = 0;
  for (uint32_t id : bar->buttons) {
    if (id == 0) continue;
    CommandAction(id)->setIcon(IconFromStrips(n, h, d, image++, bar->imageWidth, bar->imageHeight));
  }
}

void CFrameWnd::FillToolBar(QToolBar* toolbar, uint32_t toolbarId) {
  const CToolbarResource* bar = AfxGetResourceHandle()->Toolbar(toolbarId);
  if (bar == nullptr) return;
  toolbar->setIconSize(QSize(bar->imageWidth, bar->imageHeight));
  for (uint32_t id : bar->buttons) {
    if (id == 0)
      toolbar->addSeparator();
    else
      toolbar->addAction(CommandAction(id));
  }
}

bool CFrameWnd::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride && !m_bDestroying && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this)
    UpdateCommandUI();
  return QMainWindow::eventFilter(watched, e);
}

bool CFrameWnd::event(QEvent* e) {
  AcceptQueuedEvent(e);
  if (e->type() == CPostedCommand::kType) {
    OnCommand(static_cast<CPostedCommand*>(e)->m_nID, false);
    return true;
  }
  if (e->type() == QEvent::StatusTip) {
    SetMessageText(static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void CFrameWnd::closeEvent(QCloseEvent* e) {
  // The frame destroys itself (later) when it agrees to close.
  e->ignore();
  if (!m_bDestroying) OnClose();
}
