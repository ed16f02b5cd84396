// Dynamic libraries over dlopen. The loader's own message is kept per thread
// for diagnostics; the caller sees a Windows system code decided from the file
// itself (is it an ELF shared object for this machine?) and from the loader's
// message (which file could not be found or loaded).
#include "platform/DynLib.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "platform/SysError.h"

namespace {

thread_local QString t_loadErrorText;

#if defined(__x86_64__)
constexpr uint16_t kNativeMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr uint16_t kNativeMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr uint16_t kNativeMachine = EM_386;
#elif defined(__arm__)
constexpr uint16_t kNativeMachine = EM_ARM;
#elif defined(__riscv)
constexpr uint16_t kNativeMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr uint16_t kNativeMachine = EM_PPC64;
#else
#error "Add the ELF machine number of this processor"
#endif

#if UINTPTR_MAX == 0xffffffffffffffffu
constexpr unsigned char kNativeClass = ELFCLASS64;
using NativeEhdr = Elf64_Ehdr;
#else
constexpr unsigned char kNativeClass = ELFCLASS32;
using NativeEhdr = Elf32_Ehdr;
#endif

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char kNativeData = ELFDATA2LSB;
#else
constexpr unsigned char kNativeData = ELFDATA2MSB;
#endif

// Checks that the file is an ELF shared object the dynamic loader of this
// process can map. Returns 0, or the code to report and a reason.
uint32_t InspectFile(const QByteArray& path, QString* reason) {
  int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    *reason = QString::fromLocal8Bit(strerror(err));
    if (err == ENOENT || err == ENOTDIR || err == ENAMETOOLONG || err == ELOOP)
      return ERROR_MOD_NOT_FOUND;
    if (err == EACCES || err == EPERM) return ERROR_ACCESS_DENIED;
    return SystemErrorFromErrno(err);
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    *reason = QStringLiteral("not a regular file");
    return ERROR_ACCESS_DENIED;
  }
  NativeEhdr header{};
  ssize_t got = ::pread(fd, &header, sizeof header, 0);
  ::close(fd);
  if (got < static_cast<ssize_t>(EI_NIDENT) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) {
    *reason = QStringLiteral("not an ELF file");
    return ERROR_BAD_EXE_FORMAT;
  }
  if (header.e_ident[EI_CLASS] != kNativeClass) {
    *reason =
        QStringLiteral("ELF class %1 does not match this program").arg(header.e_ident[EI_CLASS]);
    return ERROR_BAD_EXE_FORMAT;
  }
  if (header.e_ident[EI_DATA] != kNativeData) {
    *reason = QStringLiteral("ELF byte order does not match this machine");
    return ERROR_BAD_EXE_FORMAT;
  }
  if (got < static_cast<ssize_t>(sizeof header)) {
    *reason = QStringLiteral("ELF header is truncated");
    return ERROR_BAD_EXE_FORMAT;
  }
  if (header.e_machine != kNativeMachine) {
    *reason = QStringLiteral("ELF machine %1 is not this processor").arg(header.e_machine);
    return ERROR_BAD_EXE_FORMAT;
  }
  if (header.e_type != ET_DYN) {
    *reason = QStringLiteral("ELF type %1 is not a shared object").arg(header.e_type);
    return ERROR_BAD_EXE_FORMAT;
  }
  return 0;
}

// Classifies a dlopen failure on a file that passed InspectFile. The loader
// names the file it could not open first ("libdep.so: cannot open shared
// object file: No such file or directory"), which for a readable library is a
// dependency.
uint32_t ClassifyLoaderMessage(const QString& text) {
  if (text.contains(QLatin1String("cannot open shared object file"))) {
    if (text.contains(QLatin1String("Permission denied"))) return ERROR_ACCESS_DENIED;
    return ERROR_MOD_NOT_FOUND;
  }
  if (text.contains(QLatin1String("undefined symbol"))) return ERROR_PROC_NOT_FOUND;
  if (text.contains(QLatin1String("Permission denied"))) return ERROR_ACCESS_DENIED;
  if (text.contains(QLatin1String("cannot allocate memory"))) return ERROR_NOT_ENOUGH_MEMORY;
  // Invalid ELF header, wrong class, truncated file, a position-independent
  // executable, a dependency that is not a library: not loadable here.
  return ERROR_BAD_EXE_FORMAT;
}

uint32_t Fail(uint32_t code, uint32_t* error) {
  SetLastError(code);
  if (error) *error = code;
  return code;
}

}  // namespace

HMODULE LoadLibraryPath(const QString& path, uint32_t* error) {
  t_loadErrorText.clear();
  if (path.isEmpty()) {
    t_loadErrorText = QStringLiteral("empty library path");
    Fail(ERROR_MOD_NOT_FOUND, error);
    return nullptr;
  }
  // dlopen searches the library path for a name without a slash; this loads
  // the named file only.
  const QByteArray file = QFileInfo(path).absoluteFilePath().toLocal8Bit();
  QString reason;
  if (uint32_t code = InspectFile(file, &reason)) {
    t_loadErrorText = QString::fromLocal8Bit(file) + QStringLiteral(": ") + reason;
    Fail(code, error);
    return nullptr;
  }
  dlerror();
  void* handle = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = dlerror();
    t_loadErrorText = QString::fromLocal8Bit(text ? text : "unknown loader error");
    Fail(ClassifyLoaderMessage(t_loadErrorText), error);
    return nullptr;
  }
  SetLastError(0);
  if (error) *error = 0;
  return handle;
}

QString LoadLibraryErrorText() {
  return t_loadErrorText;
}

void* GetProcAddress(HMODULE module, const char* name) {
  if (!module || !name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  dlerror();
  void* address = dlsym(module, name);
  if (!address) SetLastError(ERROR_PROC_NOT_FOUND);
  return address;
}

void FreeLibrary(HMODULE module) {
  if (module) dlclose(module);
}

HMODULE ModuleFromAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!address || !dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map)
    return nullptr;
  // The main program's link map has an empty name; dlopen(null) is its handle.
  const char* name = (map->l_name && map->l_name[0]) ? map->l_name : nullptr;
  // RTLD_NOLOAD finds the loaded object without loading; the reference it
  // adds is dropped again at once, so the handle does not keep the module
  // alive (the module stays loaded because it was already).
  void* handle = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle;
}

QString ModulePathFromAddress(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!address || !dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map)
    return QString();
  if (!map->l_name || !map->l_name[0]) {
    // The main program: the loader records it without a usable name.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  }
  const QString path = QString::fromLocal8Bit(map->l_name);
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}
