#include "framework/CmdTarget.h"

bool CCmdTarget::DispatchOwn(uint32_t id, Mode mode, CCmdUI* ui) {
  if (mode == Mode::kUpdate) {
    if (auto it = m_updates.find(id); it != m_updates.end()) {
      it->second(ui);
      return true;
    }
    for (const Range& r : m_ranges) {
      if (id >= r.first && id <= r.last && r.update) {
        r.update(ui);
        return true;
      }
    }
    return false;
  }
  if (auto it = m_handlers.find(id); it != m_handlers.end()) {
    if (mode == Mode::kRun) {
      // A copy: the handler may change this target's map, or destroy the target.
      Handler handler = it->second;
      handler();
    }
    return true;
  }
  for (const Range& r : m_ranges) {
    if (id >= r.first && id <= r.last && r.handler) {
      if (mode == Mode::kRun) {
        RangeHandler handler = r.handler;
        handler(id);
      }
      return true;
    }
  }
  return false;
}

bool CCmdTarget::OnCmdMsg(uint32_t id, Mode mode, CCmdUI* ui) {
  return DispatchOwn(id, mode, ui);
}

bool CCmdTarget::IsCommandEnabled(uint32_t id, int* check) {
  CCmdUI ui(id);
  const bool ruled = OnCmdMsg(id, Mode::kUpdate, &ui);
  if (check) *check = ui.m_nCheck;
  if (ruled && ui.m_bEnableSet) return ui.m_bEnabled;
  // No rule said anything about enabling: enabled exactly when handled.
  return OnCmdMsg(id, Mode::kProbe, nullptr);
}

bool CCmdTarget::ExecuteCommand(uint32_t id) {
  if (!IsCommandEnabled(id)) return false;
  return OnCmdMsg(id, Mode::kRun, nullptr);
}

void CCmdTarget::MapCommand(uint32_t id, Handler handler) {
  m_handlers[id] = std::move(handler);
}

void CCmdTarget::MapUpdate(uint32_t id, UpdateHandler update) {
  m_updates[id] = std::move(update);
}

void CCmdTarget::MapCommandRange(uint32_t first, uint32_t last, RangeHandler handler) {
  m_ranges.push_back({first, last, std::move(handler), {}});
}

void CCmdTarget::MapUpdateRange(uint32_t first, uint32_t last, UpdateHandler update) {
  m_ranges.push_back({first, last, {}, std::move(update)});
}
