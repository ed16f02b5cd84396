#include "shell/LogoWaveform.h"

#include <algorithm>
#include <limits>

namespace {

void DrawCentreLine(QImage* image) {
  auto* row = reinterpret_cast<QRgb*>(image->scanLine(image->height() / 2));
  std::fill(row, row + image->width(), kLogoTrace);
}

// The sample i of the block as a signed value around 0.
int64_t Sample(const uint8_t* data, int bits, uint64_t i) {
  if (bits == 8) return int64_t(data[i]) - 128;
  if (bits == 16) return int16_t(uint16_t(data[2 * i] | (data[2 * i + 1] << 8)));
  return 0;
}

}  // namespace

uint32_t LogoColumnCount(const WAVEFORMATEX& format, uint32_t n) {
  const uint32_t perColumn = format.nSamplesPerSec / 100;
  if (perColumn == 0 || format.wBitsPerSample == 0) return 0;
  const uint64_t samples = uint64_t(n) * 8 / format.wBitsPerSample;
  return uint32_t(std::min<uint64_t>(samples / perColumn, std::numeric_limits<uint32_t>::max()));
}

QImage MakeLogoBitmap(QSize client) {
  if (client.isEmpty()) return {};
  QImage image(client, QImage::Format_RGB32);
  if (image.isNull()) return {};
  image.fill(kLogoBackground);
  DrawCentreLine(&image);
  return image;
}

bool DrawLogoWaveform(const WAVEFORMATEX& format, const uint8_t* data, uint32_t n, QSize client,
                      QImage* bitmap) {
  if (data == nullptr || n == 0 || client.isEmpty()) return false;
  const uint32_t columns = LogoColumnCount(format, n);
  if (columns == 0) return false;
  const int64_t width = int64_t(client.width()) + columns;
  if (width > std::numeric_limits<int>::max()) return false;
  QImage image(int(width), client.height(), QImage::Format_RGB32);
  if (image.isNull()) return false;
  image.fill(kLogoBackground);
  DrawCentreLine(&image);

  const int bits = format.wBitsPerSample;
  const int64_t h = image.height();
  const int64_t fullScale = bits == 8 ? 256 : 65536;  // other sizes are all 0
  const uint64_t perColumn = format.nSamplesPerSec / 100;
  const int x0 = client.width() / 2;
  for (uint32_t c = 0; c < columns; ++c) {
    int64_t lo = Sample(data, bits, c * perColumn);
    int64_t hi = lo;
    const bool read = bits == 8 || bits == 16;
    for (uint64_t i = c * perColumn + 1; read && i < (c + 1) * perColumn; ++i) {
      const int64_t s = Sample(data, bits, i);
      lo = std::min(lo, s);
      hi = std::max(hi, s);
    }
    const int64_t top = std::clamp<int64_t>(h / 2 - h * hi / fullScale, 0, h - 1);
    const int64_t bottom = std::clamp<int64_t>(h / 2 - h * lo / fullScale, 0, h - 1);
    const int x = x0 + int(c);
    for (int64_t y = top; y <= bottom; ++y)
      reinterpret_cast<QRgb*>(image.scanLine(int(y)))[x] = kLogoTrace;
  }
  *bitmap = std::move(image);
  return true;
}

int LogoScrollAfterTick(int scroll, int bitmapWidth, int clientWidth) {
  int next = scroll + 10;
  if (next + clientWidth > bitmapWidth) next = bitmapWidth - clientWidth;
  return std::max(next, 0);
}

int LogoScrollToEnd(int bitmapWidth, int clientWidth) {
  return std::max(bitmapWidth - clientWidth, 0);
}
