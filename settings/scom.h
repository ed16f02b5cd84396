// The process-wide service registry. Every module that takes part (the
// program, the background-sound module) owns one registry; the registries of
// a process are joined into one circular, doubly linked ring, and a service is
// looked up by name in every registry of the ring. The environment variable
// SHDLL_MOD_ENV_NAME holds the address of the registry that was published
// first; a module that starts later reads it and joins that ring.
//
// This header and scom.cpp are plain C++ (no Qt, no program library): the same
// source is compiled into the program and again into each module that takes
// part, and each copy keeps its own shdll_mod_instance. A module must be built
// so that its copy does not interpose on the program's (hidden visibility,
// -Bsymbolic). Registries of different modules talk to each other only through
// the virtual slots of i_shdll_mod, whose order is part of the contract.
//
// Threads: none of this is locked. All calls come from one thread (the
// user-interface thread, or the thread that loads and unloads a module while
// the user-interface thread is not using the registry).
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <utility>

namespace scom {

// The name of the environment variable that joins the ring.
inline constexpr const char* kEnvName = "SHDLL_MOD_ENV_NAME";
// Beside the address, the process that published it (decimal). A child
// process inherits both; finding another process's number, a registry knows
// the address is not valid here and publishes its own instead of following
// it. A value published without this companion is trusted as before.
inline constexpr const char* kEnvPidName = "SHDLL_MOD_ENV_PID";

// Registry interface. The slot order (0 to 10) is fixed: registries built into
// different modules call each other through it.
class i_shdll_mod {
 public:
  // Slot 0: the module name given at construction ("" when none).
  virtual const char* name() = 0;
  // Slots 1 to 4: the ring links. set_prev/set_next return their argument.
  virtual i_shdll_mod* set_prev(i_shdll_mod* prev) = 0;
  virtual i_shdll_mod* prev() = 0;
  virtual i_shdll_mod* set_next(i_shdll_mod* next) = 0;
  virtual i_shdll_mod* next() = 0;
  // Slot 5: looks a service up in this registry only. A null name gives the
  // module handle. With try_module and a module handle, the module's exported
  // symbol of that name is tried first. 0 when not found.
  virtual void* find(const char* service, bool try_module) = 0;
  // Slot 6: joins the ring of `other` (leaving the current ring first), just
  // before it. A non-null module handle is stored.
  virtual void attach(void* module, i_shdll_mod* other) = 0;
  // Slot 7: leaves the ring; every cache that holds a service of this
  // registry is set to 0, and caches this registry holds elsewhere are
  // forgotten there. Always true.
  virtual bool detach() = 0;
  // Slot 8: remembers a cache variable of `user` that holds an address taken
  // from this registry, to be cleared when this registry detaches.
  virtual bool add_cache(i_shdll_mod* user, void** cache) = 0;
  // Slot 9: forgets the given cache of `user`, or all of them when cache is null.
  virtual bool remove_cache(i_shdll_mod* user, void** cache) = 0;
  // Slot 10.
  virtual ~i_shdll_mod() = default;
};

// The registry. Owns its service table and the list of caches to clear; does
// not own the other registries of the ring, the services or the caches.
class shdll_mod : public i_shdll_mod {
 public:
  explicit shdll_mod(const char* name = nullptr);
  // Detaches first. When this registry's address is the one published in
  // SHDLL_MOD_ENV_NAME, the variable is handed to the next member of the ring
  // (or removed when the registry is alone), so that a module loaded later
  // never joins a registry that no longer exists.
  ~shdll_mod() override;

  shdll_mod(const shdll_mod&) = delete;
  shdll_mod& operator=(const shdll_mod&) = delete;

  const char* name() override;
  i_shdll_mod* set_prev(i_shdll_mod* prev) override;
  i_shdll_mod* prev() override;
  i_shdll_mod* set_next(i_shdll_mod* next) override;
  i_shdll_mod* next() override;
  void* find(const char* service, bool try_module) override;
  void attach(void* module, i_shdll_mod* other) override;
  bool detach() override;
  bool add_cache(i_shdll_mod* user, void** cache) override;
  bool remove_cache(i_shdll_mod* user, void** cache) override;

  // For the module that owns the registry (never called through the ring).
  // A null name or address is refused (false); a second registration under a
  // name replaces the first.
  bool register_service(const char* service, void* address);
  bool attached() const { return m_attached; }
  void* module() const { return m_module; }
  std::size_t cache_count() const { return m_caches.size(); }

 private:
  // Takes this registry out of its ring; both links then point to itself.
  void leave_ring();

  std::map<std::string, void*> m_services;  // std::string compares byte-wise
  std::list<std::pair<i_shdll_mod*, void**>> m_caches;
  std::string m_name;
  i_shdll_mod* m_next;
  i_shdll_mod* m_prev;
  void* m_module = nullptr;
  bool m_attached = false;
};

// Steps 2 to 5 of shdll_mod_instance on any registry: when it is not attached,
// reads SHDLL_MOD_ENV_NAME; empty or absent: publishes the registry's address
// (it stays unattached); otherwise attaches to the registry at the parsed
// address (a value that is not hexadecimal parses as 0: nothing happens).
void join_process_ring(shdll_mod& registry);

// This module's own registry, created on first use and destroyed at exit (for
// a module: when it unloads), then joined through join_process_ring. The first
// call in a process whose variable is empty publishes the registry; the next
// call attaches it to itself (or keeps the ring that others joined meanwhile).
shdll_mod* shdll_mod_instance();

// Looks `service` up in every registry of the ring, walking next() from start.
// When found and cache is given, stores the address there and asks the
// providing registry to clear it when it detaches. 0 when not found.
void* resolve_service(i_shdll_mod* start, const char* service, void** cache, bool try_module);

// Formats an address the way SHDLL_MOD_ENV_NAME holds it: lower-case hex, no
// prefix, no leading zeros.
std::string format_registry_address(const void* address);
// Parses a SHDLL_MOD_ENV_NAME value: 1 to 16 hexadecimal digits (either case)
// and nothing else; anything else gives 0.
std::uintptr_t parse_registry_address(const char* text);

// The platform's symbol lookup and module identification. Defined in
// platform/ScomPlatform.cpp, which each module that takes part compiles too.
void* module_symbol(void* module, const char* symbol);
// The module that contains address, or null. The handle does not keep the
// module loaded.
void* module_containing(const void* address);
// The calling process's identifier.
long current_process_id();

}  // namespace scom
