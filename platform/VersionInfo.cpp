// Version notes read straight from an ELF file, never by loading it: the
// file may be for another machine, may be damaged, or may run code when
// loaded. The file is mapped read-only and every offset and size read from
// it is checked against the mapping before use; anything that does not fit
// ends the search with an empty result. Both ELF classes and byte orders are
// read, so the version of a library for another machine is still shown.
// Stateless apart from the cached program path; callable from any thread.
#include "platform/VersionInfo.h"

#include <elf.h>

#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "sdk/ttsapi.h"

namespace {

// A bounds-checked view of the file's bytes in the file's byte order.
class ElfView {
 public:
  ElfView(const uchar* data, quint64 size) : m_data(data), m_size(size) {}

  bool Parse() {
    if (m_size < EI_NIDENT || std::memcmp(m_data, ELFMAG, SELFMAG) != 0) return false;
    const uchar cls = m_data[EI_CLASS];
    const uchar order = m_data[EI_DATA];
    if ((cls != ELFCLASS32 && cls != ELFCLASS64) || (order != ELFDATA2LSB && order != ELFDATA2MSB))
      return false;
    m_is64 = cls == ELFCLASS64;
    m_little = order == ELFDATA2LSB;
    return m_size >= (m_is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr));
  }

  bool Is64() const { return m_is64; }
  quint64 Size() const { return m_size; }
  const uchar* Data() const { return m_data; }

  // Fits [offset, offset + length) in the file, without overflow.
  bool Fits(quint64 offset, quint64 length) const {
    return offset <= m_size && length <= m_size - offset;
  }

  // Reads an unsigned integer of `bytes` bytes at offset; false when it does
  // not fit.
  bool Read(quint64 offset, unsigned bytes, quint64* value) const {
    if (!Fits(offset, bytes)) return false;
    quint64 v = 0;
    for (unsigned i = 0; i < bytes; ++i) {
      const unsigned shift = m_little ? 8 * i : 8 * (bytes - 1 - i);
      v |= quint64(m_data[offset + i]) << shift;
    }
    *value = v;
    return true;
  }
  // An address-sized field (4 bytes in class 32, 8 in class 64).
  bool ReadWord(quint64 offset, quint64* value) const {
    return Read(offset, m_is64 ? 8 : 4, value);
  }

 private:
  const uchar* m_data;
  quint64 m_size;
  bool m_is64 = false;
  bool m_little = true;
};

struct Region {
  quint64 offset;
  quint64 size;
  quint64 align;
};

// Walks the notes of one note region and returns the value of key in the
// first version note, or a null string.
QString FindInNotes(const ElfView& elf, const Region& region, const QByteArray& key) {
  if (!elf.Fits(region.offset, region.size)) return QString();
  // Ordinary notes are 4-aligned; some 64-bit regions use 8.
  const quint64 align = region.align == 8 ? 8 : 4;
  auto pad = [align](quint64 n) { return (n + align - 1) & ~(align - 1); };
  const quint64 end = region.offset + region.size;
  quint64 pos = region.offset;
  const quint64 nameLength = sizeof(TTS_VERSION_NOTE_NAME);  // with its terminator
  while (end - pos >= 12) {
    quint64 namesz = 0, descsz = 0, type = 0;
    if (!elf.Read(pos, 4, &namesz) || !elf.Read(pos + 4, 4, &descsz) ||
        !elf.Read(pos + 8, 4, &type))
      return QString();
    const quint64 nameAt = pos + 12;
    if (pad(namesz) > end - nameAt) return QString();
    const quint64 descAt = nameAt + pad(namesz);
    if (descsz > end - descAt) return QString();
    const bool ours = namesz == nameLength && type == TTS_VERSION_NOTE_TYPE &&
                      std::memcmp(elf.Data() + nameAt, TTS_VERSION_NOTE_NAME, nameLength) == 0;
    if (ours) {
      // "key\0value\0" pairs until an empty key or the end; a string without
      // its terminator inside the note is damage and ends the walk.
      const char* desc = reinterpret_cast<const char*>(elf.Data() + descAt);
      const quint64 size = descsz;
      quint64 at = 0;
      QString found;
      while (at < size) {
        const void* keyEnd = std::memchr(desc + at, 0, size - at);
        if (!keyEnd) break;
        const quint64 keyLength = static_cast<const char*>(keyEnd) - (desc + at);
        if (keyLength == 0) break;
        const quint64 valueAt = at + keyLength + 1;
        if (valueAt >= size) break;
        const void* valueEnd = std::memchr(desc + valueAt, 0, size - valueAt);
        if (!valueEnd) break;
        const quint64 valueLength = static_cast<const char*>(valueEnd) - (desc + valueAt);
        // Keys match regardless of letter case; a repeated key: the last wins.
        if (QByteArray::fromRawData(desc + at, qsizetype(keyLength))
                .compare(key, Qt::CaseInsensitive) == 0)
          found = valueLength ? QString::fromUtf8(desc + valueAt, qsizetype(valueLength))
                              : QStringLiteral("");
        at = valueAt + valueLength + 1;
      }
      if (!found.isNull()) return found;
    }
    const quint64 next = descAt + pad(descsz);
    if (next <= pos || next > end) return QString();
    pos = next;
  }
  return QString();
}

QString FromSectionHeaders(const ElfView& elf, const QByteArray& key) {
  const bool is64 = elf.Is64();
  quint64 shoff = 0, shentsize = 0, shnum = 0;
  if (!elf.ReadWord(is64 ? 0x28 : 0x20, &shoff) || !elf.Read(is64 ? 0x3A : 0x2E, 2, &shentsize) ||
      !elf.Read(is64 ? 0x3C : 0x30, 2, &shnum))
    return QString();
  const quint64 minEntry = is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr);
  if (shoff == 0 || shentsize < minEntry) return QString();
  const quint64 sizeField = is64 ? 0x20 : 0x14;
  if (shnum == 0) {
    // More than 0xff00 sections: the count is in the first entry's size.
    if (!elf.ReadWord(shoff + sizeField, &shnum)) return QString();
  }
  if (shnum == 0 || shnum > elf.Size() / shentsize || !elf.Fits(shoff, shnum * shentsize))
    return QString();
  for (quint64 i = 0; i < shnum; ++i) {
    const quint64 entry = shoff + i * shentsize;
    quint64 type = 0, offset = 0, size = 0, align = 0;
    if (!elf.Read(entry + 4, 4, &type)) return QString();
    if (type != SHT_NOTE) continue;
    if (!elf.ReadWord(entry + (is64 ? 0x18 : 0x10), &offset) ||
        !elf.ReadWord(entry + sizeField, &size) ||
        !elf.ReadWord(entry + (is64 ? 0x30 : 0x20), &align))
      return QString();
    const QString value = FindInNotes(elf, Region{offset, size, align}, key);
    if (!value.isNull()) return value;
  }
  return QString();
}

QString FromProgramHeaders(const ElfView& elf, const QByteArray& key) {
  const bool is64 = elf.Is64();
  quint64 phoff = 0, phentsize = 0, phnum = 0;
  if (!elf.ReadWord(is64 ? 0x20 : 0x1C, &phoff) || !elf.Read(is64 ? 0x36 : 0x2A, 2, &phentsize) ||
      !elf.Read(is64 ? 0x38 : 0x2C, 2, &phnum))
    return QString();
  const quint64 minEntry = is64 ? sizeof(Elf64_Phdr) : sizeof(Elf32_Phdr);
  if (phoff == 0 || phnum == 0 || phentsize < minEntry || !elf.Fits(phoff, phnum * phentsize))
    return QString();
  for (quint64 i = 0; i < phnum; ++i) {
    const quint64 entry = phoff + i * phentsize;
    quint64 type = 0, offset = 0, size = 0, align = 0;
    if (!elf.Read(entry, 4, &type)) return QString();
    if (type != PT_NOTE) continue;
    if (!elf.ReadWord(entry + (is64 ? 0x08 : 0x04), &offset) ||
        !elf.ReadWord(entry + (is64 ? 0x20 : 0x10), &size) ||
        !elf.ReadWord(entry + (is64 ? 0x30 : 0x1C), &align))
      return QString();
    const QString value = FindInNotes(elf, Region{offset, size, align}, key);
    if (!value.isNull()) return value;
  }
  return QString();
}

}  // namespace

QString GetFileVersionString(const QString& path, const QString& key) {
  if (key.isEmpty()) return QString();
  QFile file(path.isEmpty() ? GetAppPath() : path);
  if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) return QString();
  const qint64 size = file.size();
  if (size <= 0) return QString();
  const uchar* data = file.map(0, size);
  QByteArray copy;
  if (!data) {
    // A file that cannot be mapped (a special file system) is read instead.
    copy = file.readAll();
    if (copy.size() != size) return QString();
    data = reinterpret_cast<const uchar*>(copy.constData());
  }
  ElfView elf(data, quint64(size));
  if (!elf.Parse()) return QString();
  const QByteArray wanted = key.toUtf8();
  QString value = FromSectionHeaders(elf, wanted);
  if (value.isNull()) value = FromProgramHeaders(elf, wanted);
  return value.isNull() ? QString() : value;
}

QString GetAppPath() {
  static const QString path = [] {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe;
  }();
  return path;
}

QString GetAppDir() {
  static const QString dir = [] {
    const QString exe = GetAppPath();
    const int slash = exe.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QString();
    return slash == 0 ? QStringLiteral("/") : exe.left(slash);
  }();
  return dir;
}
