#include "document/TextCodePage.h"

#include <atomic>

#include "platform/CodePage.h"

namespace {

struct CodePageState {
  std::atomic<uint32_t> m_nCodePage{GetACP()};
  std::atomic<uint32_t> m_nPrevCodePage{m_nCodePage.load()};
};

CodePageState& State() {
  static CodePageState state;
  return state;
}

}  // namespace

uint32_t GetTextCodePage() {
  return State().m_nCodePage.load(std::memory_order_relaxed);
}

uint32_t GetPrevTextCodePage() {
  return State().m_nPrevCodePage.load(std::memory_order_relaxed);
}

uint32_t SetTextCodePage(uint32_t cp) {
  CodePageState& s = State();
  uint32_t old = s.m_nCodePage.load(std::memory_order_relaxed);
  if (cp == old) return old;
  s.m_nPrevCodePage.store(old, std::memory_order_relaxed);
  s.m_nCodePage.store(cp, std::memory_order_relaxed);
  return old;
}

void AcceptTextCodePage(uint32_t cp) {
  CodePageState& s = State();
  s.m_nPrevCodePage.store(s.m_nCodePage.load(std::memory_order_relaxed), std::memory_order_relaxed);
  s.m_nCodePage.store(cp, std::memory_order_relaxed);
}
