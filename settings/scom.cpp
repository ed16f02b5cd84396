#include "settings/scom.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace scom {

namespace {

void publish_registry_address(const void* registry) {
  setenv(kEnvName, format_registry_address(registry).c_str(), 1);
  setenv(kEnvPidName, std::to_string(current_process_id()).c_str(), 1);
}

// True when the companion names another process; false when it names this
// one or is absent (a module that publishes without it).
bool published_elsewhere() {
  const char* pid = std::getenv(kEnvPidName);
  if (pid == nullptr || *pid == '\0') return false;
  return std::strtol(pid, nullptr, 10) != current_process_id();
}

}  // namespace

shdll_mod::shdll_mod(const char* name) : m_name(name ? name : ""), m_next(this), m_prev(this) {}

shdll_mod::~shdll_mod() {
  // The published address must never outlive its registry: a module loaded
  // later would attach to freed memory. Hand it to a surviving member.
  const char* published = std::getenv(kEnvName);
  if (published && parse_registry_address(published) ==
                       reinterpret_cast<std::uintptr_t>(static_cast<i_shdll_mod*>(this))) {
    if (m_next != this) {
      publish_registry_address(m_next);
    } else {
      unsetenv(kEnvName);
      unsetenv(kEnvPidName);
    }
  }
  detach();
}

const char* shdll_mod::name() {
  return m_name.c_str();
}

i_shdll_mod* shdll_mod::set_prev(i_shdll_mod* prev) {
  return m_prev = prev;
}
i_shdll_mod* shdll_mod::prev() {
  return m_prev;
}
i_shdll_mod* shdll_mod::set_next(i_shdll_mod* next) {
  return m_next = next;
}
i_shdll_mod* shdll_mod::next() {
  return m_next;
}

void* shdll_mod::find(const char* service, bool try_module) {
  if (!service) return m_module;
  if (try_module && m_module) {
    if (void* symbol = module_symbol(m_module, service)) return symbol;
  }
  auto it = m_services.find(service);
  return it == m_services.end() ? nullptr : it->second;
}

void shdll_mod::leave_ring() {
  m_prev->set_next(m_next);
  m_next->set_prev(m_prev);
  m_next = this;
  m_prev = this;
}

void shdll_mod::attach(void* module, i_shdll_mod* other) {
  if (module) m_module = module;
  if (!other) return;  // no ring to join
  // A published registry that others joined before it attached itself is
  // already in their ring: joining "its own ring" keeps that ring instead of
  // cutting itself out of it.
  if (other == this && m_next != this) {
    m_attached = true;
    return;
  }
  // Links that point elsewhere mean ring membership even when this registry
  // did not attach itself (others inserted themselves next to it).
  if (m_attached || m_next != this) leave_ring();
  m_next = other;
  m_prev = other->prev();
  m_prev->set_next(this);
  other->set_prev(this);
  m_attached = true;
}

bool shdll_mod::detach() {
  if (m_attached || m_next != this) {
    i_shdll_mod* member = this;
    do {
      member->remove_cache(this, nullptr);
      member = member->next();
    } while (member != this);
    leave_ring();
  }
  // Cleared even for a registry that never joined a ring: a cache filled from
  // it must not outlive it.
  for (auto& [user, cache] : m_caches) *cache = nullptr;
  m_caches.clear();
  m_module = nullptr;
  m_attached = false;
  return true;
}

bool shdll_mod::add_cache(i_shdll_mod* user, void** cache) {
  m_caches.emplace_back(user, cache);
  return true;
}

bool shdll_mod::remove_cache(i_shdll_mod* user, void** cache) {
  m_caches.remove_if([&](const std::pair<i_shdll_mod*, void**>& entry) {
    return entry.first == user && (!cache || entry.second == cache);
  });
  return true;
}

bool shdll_mod::register_service(const char* service, void* address) {
  if (!service || !address) return false;
  m_services[service] = address;
  return true;
}

std::string format_registry_address(const void* address) {
  char text[2 * sizeof(std::uintptr_t) + 1];
  auto result =
      std::to_chars(text, text + sizeof text, reinterpret_cast<std::uintptr_t>(address), 16);
  return std::string(text, result.ptr);
}

std::uintptr_t parse_registry_address(const char* text) {
  if (!text) return 0;
  std::size_t length = std::strlen(text);
  if (length == 0 || length > 2 * sizeof(std::uintptr_t)) return 0;
  std::uintptr_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return 0;
    value = value << 4 | digit;
  }
  return value;
}

void join_process_ring(shdll_mod& registry) {
  if (registry.attached()) return;
  char value[256] = {};
  if (const char* env = std::getenv(kEnvName)) std::strncpy(value, env, sizeof value - 1);
  // An address inherited from the process that started this one is not valid
  // here: following it would crash. Its companion names the other process.
  if (value[0] != '\0' && published_elsewhere()) value[0] = '\0';
  if (value[0] == '\0') {
    publish_registry_address(static_cast<i_shdll_mod*>(&registry));
    return;
  }
  if (std::uintptr_t address = parse_registry_address(value))
    registry.attach(nullptr, reinterpret_cast<i_shdll_mod*>(address));
}

shdll_mod* shdll_mod_instance() {
  static shdll_mod instance;
  join_process_ring(instance);
  return &instance;
}

void* resolve_service(i_shdll_mod* start, const char* service, void** cache, bool try_module) {
  if (!service || !start) return nullptr;
  i_shdll_mod* member = start;
  void* address = nullptr;
  do {
    address = member->find(service, try_module);
    if (address) break;
    member = member->next();
  } while (member != start);
  if (!address) return nullptr;
  if (cache) {
    *cache = address;
    member->add_cache(start, cache);
  }
  return address;
}

}  // namespace scom
