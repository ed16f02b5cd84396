// The service registry's reach into the dynamic loader. Plain C++ over dlfcn,
// without Qt: the background-sound module compiles this file too, so that its
// copy of the registry needs nothing from the program's libraries.
#include <dlfcn.h>
#include <unistd.h>

#include "settings/scom.h"

namespace scom {

void* module_symbol(void* module, const char* symbol) {
  if (!module || !symbol) return nullptr;
  return dlsym(module, symbol);
}

void* module_containing(const void* address) {
  Dl_info info{};
  if (!address || !dladdr(address, &info) || !info.dli_fname) return nullptr;
  // RTLD_NOLOAD finds the loaded module without loading anything; the extra
  // reference it takes is dropped at once, so the handle does not pin it.
  void* module = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (module) dlclose(module);
  return module;
}

long current_process_id() {
  return static_cast<long>(getpid());
}

}  // namespace scom
