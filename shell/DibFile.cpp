#include "shell/DibFile.h"

#include <QFile>
#include <QFileInfo>
#include <bit>
#include <cstdint>

namespace {

constexpr qint64 kMaxFileSize = qint64(256) << 20;
constexpr int64_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = int64_t(1) << 26;
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

uint16_t U16(const uchar* p) {
  return uint16_t(p[0] | (p[1] << 8));
}

uint32_t U32(const uchar* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;  // the largest value the channel holds; 0 for an empty mask

  uint8_t Of(uint32_t pixel) const {
    if (max == 0) return 0;
    return uint8_t(uint64_t((pixel & mask) >> shift) * 255 / max);
  }
};

bool MakeChannel(uint32_t mask, Channel* c) {
  *c = Channel{};
  if (mask == 0) return true;
  const int shift = std::countr_zero(mask);
  const uint32_t value = mask >> shift;
  if ((value & (value + 1)) != 0) return false;  // not contiguous
  c->mask = mask;
  c->shift = shift;
  c->max = value;
  return true;
}

// Masks for 16 or 32 bits per pixel: contiguous, inside the pixel, disjoint,
// and at least one of them set.
bool MakeChannels(int bits, const uint32_t masks[3], Channel out[3]) {
  const uint64_t room = bits == 32 ? 0xffffffffull : (uint64_t(1) << bits) - 1;
  uint32_t seen = 0;
  for (int i = 0; i < 3; ++i) {
    if (masks[i] > room || (masks[i] & seen) != 0) return false;
    if (!MakeChannel(masks[i], &out[i])) return false;
    seen |= masks[i];
  }
  return seen != 0;
}

}  // namespace

bool LoadDIBFromBytes(const QByteArray& file, QImage* image) {
  if (image == nullptr) return false;
  const auto* data = reinterpret_cast<const uchar*>(file.constData());
  const uint64_t size = uint64_t(file.size());
  if (size < kFileHeaderSize + 40 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t pixelOffset = U32(data + 10);

  const uchar* info = data + kFileHeaderSize;
  const uint32_t infoSize = U32(info);
  if (infoSize != 40 && infoSize != 108 && infoSize != 124) return false;
  if (kFileHeaderSize + uint64_t(infoSize) > size) return false;
  const int64_t width = int32_t(U32(info + 4));
  const int64_t rawHeight = int32_t(U32(info + 8));
  const uint16_t planes = U16(info + 12);
  const int bits = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  const uint32_t usedColours = U32(info + 32);

  if (planes != 1) return false;
  const bool topDown = rawHeight < 0;
  const int64_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
      width * height > kMaxPixels)
    return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32)))
    return false;

  // The colour masks, and where the colour table starts.
  uint64_t tableStart = kFileHeaderSize + uint64_t(infoSize);
  uint32_t masks[3] = {0, 0, 0};
  if (compression == kBiBitfields) {
    const uint64_t at = infoSize == 40 ? tableStart : kFileHeaderSize + 40;
    if (at + 12 > size) return false;
    for (int i = 0; i < 3; ++i) masks[i] = U32(data + at + 4 * i);
    if (infoSize == 40) tableStart += 12;
  } else if (bits == 16) {
    masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f;
  } else if (bits == 32) {
    masks[0] = 0x00ff0000, masks[1] = 0x0000ff00, masks[2] = 0x000000ff;
  }
  Channel channels[3];
  if ((bits == 16 || bits == 32) && !MakeChannels(bits, masks, channels)) return false;

  uint64_t tableEntries = usedColours;
  if (bits <= 8) {
    if (tableEntries == 0) tableEntries = uint64_t(1) << bits;
    if (tableEntries > (uint64_t(1) << bits)) return false;
  }
  const uint64_t tableEnd = tableStart + 4 * tableEntries;
  if (tableEnd > size) return false;
  QRgb palette[256];
  const uint32_t paletteSize = bits <= 8 ? uint32_t(tableEntries) : 0;
  for (uint32_t i = 0; i < paletteSize; ++i) {
    const uchar* q = data + tableStart + 4 * i;  // blue, green, red, reserved
    palette[i] = qRgb(q[2], q[1], q[0]);
  }

  const uint64_t rowsStart = pixelOffset != 0 ? pixelOffset : tableEnd;
  if (rowsStart < tableEnd) return false;
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (rowsStart > size || stride * uint64_t(height) > size - rowsStart) return false;

  QImage out(int(width), int(height), QImage::Format_RGB32);
  if (out.isNull()) return false;
  for (int64_t r = 0; r < height; ++r) {
    const uchar* row = data + rowsStart + uint64_t(r) * stride;
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(int(topDown ? r : height - 1 - r)));
    for (int64_t x = 0; x < width; ++x) {
      switch (bits) {
        case 1:
        case 4:
        case 8: {
          const int perByte = 8 / bits;
          const uint32_t byte = row[x / perByte];
          const int shift = 8 - bits * int(x % perByte + 1);
          const uint32_t index = (byte >> shift) & ((1u << bits) - 1);
          dst[x] = index < paletteSize ? palette[index] : qRgb(0, 0, 0);
          break;
        }
        case 24: {
          const uchar* p = row + 3 * x;
          dst[x] = qRgb(p[2], p[1], p[0]);
          break;
        }
        default: {
          const uint32_t pixel = bits == 16 ? U16(row + 2 * x) : U32(row + 4 * x);
          dst[x] = qRgb(channels[0].Of(pixel), channels[1].Of(pixel), channels[2].Of(pixel));
          break;
        }
      }
    }
  }
  *image = std::move(out);
  return true;
}

bool LoadDIBFile(const QString& path, QImage* image) {
  if (image == nullptr || !QFileInfo(path).isFile()) return false;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  // Read at most one byte past the limit: a file that grows while it is read
  // (or lies about its size) still ends the read.
  const QByteArray bytes = f.read(kMaxFileSize + 1);
  if (bytes.size() > kMaxFileSize) return false;
  return LoadDIBFromBytes(bytes, image);
}
