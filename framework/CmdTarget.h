// Commands by id: one handler and one enable/check rule per command, found
// along a route of targets (view, document, frame, application). Menus,
// toolbars and accelerators only name command ids; CFrameWnd turns them into
// actions and runs them through here, so a command is enabled by the same
// rule wherever it comes from and a disabled command never runs.
//
// Rules as the program's framework has always had them:
// - the first target on the route with an update rule for the id decides
//   whether it is enabled and checked;
// - a command with a handler but no update rule is enabled;
// - a command that nobody on the route handles is disabled.
//
// Threads: the user-interface thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// What an update rule says about a command.
class CCmdUI {
 public:
  explicit CCmdUI(uint32_t id) : m_nID(id) {}
  void Enable(bool on = true) {
    m_bEnabled = on;
    m_bEnableSet = true;
  }
  // 0 unchecked, 1 checked.
  void SetCheck(int check = 1) {
    m_nCheck = check;
    m_bCheckSet = true;
  }
  // A check shown as a radio mark.
  void SetRadio(bool on = true) {
    SetCheck(on ? 1 : 0);
    m_bRadio = true;
  }
  void SetText(const QString& text) {
    m_strText = text;
    m_bTextSet = true;
  }

  uint32_t m_nID;
  bool m_bEnabled = true;
  bool m_bEnableSet = false;
  int m_nCheck = 0;
  bool m_bCheckSet = false;
  bool m_bRadio = false;
  QString m_strText;
  bool m_bTextSet = false;
};

class CCmdTarget {
 public:
  using Handler = std::function<void()>;
  using RangeHandler = std::function<void(uint32_t id)>;
  using UpdateHandler = std::function<void(CCmdUI* ui)>;

  // What OnCmdMsg is asked to do.
  enum class Mode {
    kRun,     // run the command's handler
    kUpdate,  // run its update rule into ui
    kProbe,   // only say whether a handler exists
  };

  virtual ~CCmdTarget() = default;

  // True when this target (or one it routes to) has the handler or rule the
  // mode asks for; ui is used in kUpdate only. Routing targets override it
  // and pass the request on.
  virtual bool OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui);

  // Whether the command is enabled along this target's route (the rules
  // above), and its check state in *check when given.
  bool IsCommandEnabled(uint32_t id, int* check = nullptr);
  // Runs the command when it is enabled; false when it is disabled or
  // unhandled (nothing runs then).
  bool ExecuteCommand(uint32_t id);

 protected:
  void MapCommand(uint32_t id, Handler handler);
  void MapUpdate(uint32_t id, UpdateHandler update);
  void MapCommandRange(uint32_t first, uint32_t last, RangeHandler handler);
  void MapUpdateRange(uint32_t first, uint32_t last, UpdateHandler update);
  // This target's own map, without routing.
  bool DispatchOwn(uint32_t id, Mode mode, CCmdUI* ui);

 private:
  struct Range {
    uint32_t first, last;
    RangeHandler handler;
    UpdateHandler update;
  };
  std::map<uint32_t, Handler> m_handlers;
  std::map<uint32_t, UpdateHandler> m_updates;
  std::vector<Range> m_ranges;
};
