// CMainFrame: the program's one main window. Around the edit view it
// carries the menu bar, the main toolbar, the format bar, the status bar
// with its four panes, the control-panel bar (left), the information output
// bar and the speech view bar (bottom), and the small logo window in the
// top-right corner.
// It composes the title, switches full-screen mode, shows and hides the
// bars, offers the bars' context menu, keeps the clipboard keys working in
// the format bar's combo boxes, and stops a running synthesis before it
// closes. The bar layout is saved under "BcxSettings" when the window goes.
//
// Threads: the user-interface thread.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>

#include "framework/FrameWnd.h"

class CControlPanelBar;
class CFormatBar;
class CLogoWnd;
class COutputBar;
class CSpeechViewBar;
class QLabel;
class QTimer;
class QToolBar;
struct TTSEngineInfo;

// The window title: "Tonarel" (or the engine maker's name for some object-
// form engines), the program's title, then "－" and the document's title
// with "*" when it has unsaved changes. docTitle is null without a document.
QString ComposeFrameTitle(bool objectForm, const QString& modulePath, const TTSEngineInfo* record,
                          const QString& suffix, const QString* docTitle, bool modified);

class CMainFrame : public CFrameWnd {
  Q_OBJECT
  DECLARE_DYNAMIC(CMainFrame)

 public:
  CMainFrame();
  ~CMainFrame() override;

  bool OnCommand(uint32_t id, bool fromAccelerator) override;
  void OnUpdateFrameTitle(bool addToTitle) override;
  bool OnClose() override;
  // Enters or leaves full-screen mode.
  void OnFullScreen();
  bool IsFullScreen() const { return m_bFullScreen != 0; }

  // The bars' context menu (menu 103), as a right click on a bar shows it.
  QMenu* createPopupMenu() override;

  // The status bar's encoding pane.
  void SetEncodingPaneText(const QString& text);
  QString EncodingPaneText() const;

  QToolBar* m_wndToolBar = nullptr;
  CFormatBar* m_wndFormatBar = nullptr;
  CControlPanelBar* m_wndControlPanelBar = nullptr;
  COutputBar* m_wndOutputBar = nullptr;
  CSpeechViewBar* m_wndSpeechViewBar = nullptr;
  CLogoWnd* m_wndLogo = nullptr;

 protected:
  bool OnCreate() override;
  void OnDestroy() override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void CreateStatusBar();
  void RegisterCommands();
  void ToggleBar(QWidget* bar);
  void SaveBarState();
  void LoadBarState();
  void UpdateIndicators();
  void PlaceLogo();

  int32_t m_bFullScreen = 0;
  int32_t m_bWasZoomed = 0;
  int32_t m_bStatusBarWasVisible = 0;
  int32_t m_bFormatBarWasVisible = 0;
  int32_t m_bControlPanelWasVisible = 0;
  int32_t m_bOutputWasVisible = 0;
  int32_t m_bSpeechViewWasVisible = 0;
  QRect m_rcNormal;  // the frame's place before full-screen mode
  QLabel* m_pEncodingIcon = nullptr;
  QLabel* m_pEncodingText = nullptr;
  QLabel* m_pCaps = nullptr;
  QLabel* m_pNum = nullptr;
  QTimer* m_pIndicatorTimer = nullptr;
  bool m_bStateSaved = false;
};
