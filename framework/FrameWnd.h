// CFrameWnd: a main window whose menus, toolbars and accelerators all refer
// to command ids. Each command id has exactly one action (its objectName is
// the command's name, "ID_FILE_NEW"); the menu item, the toolbar button and
// every key of a command trigger that action, and the action runs the
// command through the frame's route (active view, its document, the frame,
// the application) only when the command's update rule enables it.
//
// Enabled and checked states are refreshed by one update pass
// (UpdateCommandUI): before a menu opens, after every command, and on a short
// timer while the program is idle, as state may change on other threads.
//
// The status bar's message pane is a label (so that accessibility tools read
// it): the idle text, or the prompt of the command under the mouse.
//
// Threads: the user-interface thread only, except PostCommand.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "framework/CmdTarget.h"
#include "framework/Object.h"

class CDocument;
struct CMenuResource;
class CSingleDocTemplate;
class CView;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

// The one action of a command; it notes whether a key triggered it.
class CCommandAction : public QAction {
  Q_OBJECT

 public:
  CCommandAction(uint32_t id, QObject* parent);
  uint32_t Id() const { return m_nID; }

 protected:
  bool event(QEvent* e) override;

 private:
  uint32_t m_nID;
};

class CFrameWnd : public QMainWindow, public CCmdTarget, public CObject {
  Q_OBJECT
  DECLARE_DYNAMIC(CFrameWnd)

 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Builds the window: the view becomes the central widget, then OnCreate
  // adds the bars. False when OnCreate fails.
  virtual bool LoadFrame(uint32_t resourceId, CView* view);

  CView* GetActiveView() const { return m_pViewActive; }
  CDocument* GetActiveDocument() const;

  bool OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui) override;
  // How a command arrives: menus, toolbars and posted commands run it;
  // fromAccelerator tells a key from the rest. Returns whether it ran.
  virtual bool OnCommand(uint32_t id, bool fromAccelerator);
  // Runs the command after the current one has returned. Any thread.
  void PostCommand(uint32_t id);

  // The action of a command id (created on first use, owned by the frame).
  CCommandAction* CommandAction(uint32_t id);
  // Whether a key press is one of the frame's accelerators.
  bool IsAccelerator(const QKeySequence& key) const;
  // Refreshes every action's enabled and checked state.
  void UpdateCommandUI();

  // The title: the program's name, then (when asked and a document exists)
  // the document's.
  virtual void OnUpdateFrameTitle(bool addToTitle);
  // The message pane's text; an empty text shows the idle text.
  void SetMessageText(const QString& text);
  QString GetMessageText() const;

  // Closes the frame as the user's close does: asks to save, then destroys.
  // The frame may refuse (returns false).
  virtual bool OnClose();
  // Destroys frame, view and document without asking; the frame deletes
  // itself once control returns to the event loop.
  void DestroyFrame();
  bool IsDestroying() const { return m_bDestroying; }

 protected:
  // Adds the bars; false fails the window's creation.
  virtual bool OnCreate() { return true; }
  // The frame is about to be destroyed (its bars and view still exist).
  virtual void OnDestroy() {}
  // The menu bar from a menu resource of the current resource module.
  void LoadMenuBar(uint32_t menuId);
  // A menu from a popup of a menu resource (commands as actions).
  QMenu* BuildMenu(const CMenuResource& popup, QWidget* parent);
  // The keys of an accelerator table of the current resource module.
  void LoadAccelTable(uint32_t accelId);
  // Gives each command of a toolbar resource its image from the strips.
  void SetToolbarImages(uint32_t toolbarId, uint32_t normal, uint32_t hot, uint32_t disabled);
  // Fills a toolbar with the commands of a toolbar resource.
  void FillToolBar(QToolBar* bar, uint32_t toolbarId);
  // The message pane; created by the frame, placed by OnCreate's status bar.
  QLabel* MessagePane() const { return m_pMessagePane; }

  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

  uint32_t m_nIDResource = 0;

 private:
  friend class CSingleDocTemplate;
  void ShowRecentFiles(QMenu* menu, QAction* placeholder);
  void ShowAsRadio(QAction* action);

  CView* m_pViewActive = nullptr;
  CSingleDocTemplate* m_pTemplate = nullptr;
  std::map<uint32_t, CCommandAction*> m_actions;
  std::map<QMenu*, QActionGroup*> m_radioGroups;
  std::vector<std::pair<uint32_t, QKeySequence>> m_accelerators;
  QTimer* m_pIdleTimer = nullptr;
  QLabel* m_pMessagePane = nullptr;
  bool m_bDestroying = false;
  bool m_bInCommand = false;
};
