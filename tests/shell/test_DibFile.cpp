// Windows bitmap files: well-formed files of every accepted layout give the
// pixels they hold; inconsistent ones are refused; randomly damaged ones never
// make the reader touch a byte outside the file (run it under ASan).
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <random>
#include <vector>

#include "shell/DibFile.h"
#include "tests/support/TestSupport.h"

namespace {

struct Bmp {
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t usedColours = 0;
  std::vector<uint32_t> masks;  // after a 40-byte header, else inside the header
  std::vector<QRgb> table;
  std::vector<QByteArray> rows;  // in file order; padded to whole 32-bit words here
  int gap = 0;                   // bytes between the table and the pixels
  bool zeroOffset = false;       // a pixel offset of 0 in the file header
};

void Put16(QByteArray* b, uint16_t v) {
  b->append(char(v & 0xff)).append(char(v >> 8));
}
void Put32(QByteArray* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->append(char((v >> (8 * i)) & 0xff));
}

QByteArray Write(const Bmp& s) {
  QByteArray info;
  Put32(&info, s.headerSize);
  Put32(&info, uint32_t(s.width));
  Put32(&info, uint32_t(s.height));
  Put16(&info, s.planes);
  Put16(&info, s.bits);
  Put32(&info, s.compression);
  Put32(&info, 0);  // image size: may be 0 for uncompressed pictures
  Put32(&info, 2835);
  Put32(&info, 2835);
  Put32(&info, s.usedColours);
  Put32(&info, 0);
  if (s.headerSize == 40) {
    for (uint32_t m : s.masks) Put32(&info, m);
  } else {
    QByteArray rest;
    for (uint32_t m : s.masks) Put32(&rest, m);
    rest.resize(s.headerSize - 40, '\0');
    info += rest;
  }
  for (QRgb c : s.table) {
    info.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
  }
  info.append(QByteArray(s.gap, '\x5a'));
  QByteArray pixels;
  for (QByteArray row : s.rows) {
    while (row.size() % 4 != 0) row.append('\0');
    pixels += row;
  }
  QByteArray file("BM");
  Put32(&file, uint32_t(14 + info.size() + pixels.size()));
  Put32(&file, 0);
  Put32(&file, s.zeroOffset ? 0u : uint32_t(14 + info.size()));
  return file + info + pixels;
}

QByteArray Bytes(std::initializer_list<int> v) {
  QByteArray b;
  for (int x : v) b.append(char(x));
  return b;
}

// The reader sees exactly the file's bytes in their own heap block, so ASan
// reports a read even one byte past the end (a QByteArray's own buffer ends
// in a terminating zero that would hide it).
bool LoadExact(const QByteArray& file, QImage* image) {
  std::vector<char> exact(file.begin(), file.end());
  return LoadDIBFromBytes(QByteArray::fromRawData(exact.data(), qsizetype(exact.size())), image);
}

struct WellFormed {
  const char* name;
  Bmp bmp;
  std::vector<std::vector<QRgb>> expected;  // top row first
};

const QRgb R = qRgb(255, 0, 0), G = qRgb(0, 255, 0), B = qRgb(0, 0, 255), K = qRgb(0, 0, 0),
           W = qRgb(255, 255, 255);

std::vector<WellFormed> WellFormedFiles() {
  std::vector<WellFormed> cases;
  {  // 9 pixels of 1 bit: rows of 2 bytes padded to 4, bottom-up
    Bmp b;
    b.width = 9, b.height = 2, b.bits = 1, b.table = {R, B};
    b.rows = {Bytes({0xaa, 0x80}), Bytes({0x55, 0x00})};
    cases.push_back({"1 bit", b, {{R, B, R, B, R, B, R, B, R}, {B, R, B, R, B, R, B, R, B}}});
  }
  {  // 2 used colours of 16: an index past the table is black
    Bmp b;
    b.width = 3, b.bits = 4, b.usedColours = 2, b.table = {G, W};
    b.rows = {Bytes({0x01, 0xf0})};
    cases.push_back({"4 bits, short table", b, {{G, W, K}}});
  }
  {  // a full table of 256, rows top-down
    Bmp b;
    b.width = 2, b.height = -2, b.bits = 8;
    for (int i = 0; i < 256; ++i) b.table.push_back(qRgb(i, 255 - i, 7));
    b.rows = {Bytes({0, 255}), Bytes({128, 1})};
    cases.push_back({"8 bits, top-down",
                     b,
                     {{qRgb(0, 255, 7), qRgb(255, 0, 7)}, {qRgb(128, 127, 7), qRgb(1, 254, 7)}}});
  }
  {  // 5-5-5 without masks
    Bmp b;
    b.width = 3, b.bits = 16;
    b.rows = {Bytes({0x00, 0x7c, 0x21, 0x04, 0x1f, 0x00})};
    cases.push_back({"16 bits 5-5-5", b, {{R, qRgb(8, 8, 8), B}}});
  }
  {  // 5-6-5 bit fields after a 40-byte header
    Bmp b;
    b.width = 3, b.bits = 16, b.compression = 3, b.masks = {0xf800, 0x07e0, 0x001f};
    b.rows = {Bytes({0x00, 0xf8, 0xe0, 0x07, 0x20, 0x00})};
    cases.push_back({"16 bits 5-6-5", b, {{R, G, qRgb(0, 4, 0)}}});
  }
  {  // 3 pixels of 24 bits: 9 bytes padded to 12
    Bmp b;
    b.width = 3, b.height = 2;
    b.rows = {Bytes({255, 0, 0, 0, 255, 0, 0, 0, 255}), Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})};
    cases.push_back({"24 bits", b, {{qRgb(3, 2, 1), qRgb(6, 5, 4), qRgb(9, 8, 7)}, {B, G, R}}});
  }
  {  // the fourth byte is not alpha
    Bmp b;
    b.width = 2, b.bits = 32;
    b.rows = {Bytes({0x10, 0x20, 0x30, 0x00, 0x40, 0x50, 0x60, 0x7f})};
    cases.push_back({"32 bits", b, {{qRgb(0x30, 0x20, 0x10), qRgb(0x60, 0x50, 0x40)}}});
  }
  {  // masks inside a 124-byte header; pixels after a gap the offset skips
    Bmp b;
    b.headerSize = 124, b.width = 1, b.bits = 32, b.compression = 3, b.gap = 6;
    b.masks = {0xff000000, 0x00ff0000, 0x0000ff00};
    b.rows = {Bytes({0x44, 0x33, 0x22, 0x11})};
    cases.push_back({"32 bits, 124-byte header", b, {{qRgb(0x11, 0x22, 0x33)}}});
  }
  {  // a 108-byte header without bit fields, and a pixel offset of 0
    Bmp b;
    b.headerSize = 108, b.width = 1, b.zeroOffset = true;
    b.rows = {Bytes({9, 8, 7})};
    cases.push_back({"108-byte header, offset 0", b, {{qRgb(7, 8, 9)}}});
  }
  return cases;
}

TEST(DibFile, WellFormedFilesGiveTheirPixels) {
  for (const WellFormed& c : WellFormedFiles()) {
    SCOPED_TRACE(c.name);
    QImage image;
    ASSERT_TRUE(LoadExact(Write(c.bmp), &image));
    ASSERT_EQ(image.height(), int(c.expected.size()));
    ASSERT_EQ(image.width(), int(c.expected[0].size()));
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(image.pixel(x, y), c.expected[y][x]) << "at " << x << "," << y;
  }
}

TEST(DibFile, ReadsFromAFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath("picture.bmp");
  ASSERT_TRUE(WriteAll(path, Write(WellFormedFiles()[5].bmp)));
  QImage image;
  ASSERT_TRUE(LoadDIBFile(path, &image));
  EXPECT_EQ(image.pixel(2, 1), R);
  EXPECT_FALSE(LoadDIBFile(dir.filePath("missing.bmp"), &image));
  EXPECT_FALSE(LoadDIBFile(dir.path(), &image));  // a folder
}

// Header fields of a valid file replaced: {offset, width in bytes, value}.
struct Patch {
  int at;
  int size;
  uint32_t value;
};

TEST(DibFile, InconsistentFilesAreRefused) {
  Bmp rgb;  // 24 bits, 3 x 2
  rgb.width = 3, rgb.height = 2, rgb.rows = {QByteArray(9, '\1'), QByteArray(9, '\2')};
  Bmp fields = WellFormedFiles()[4].bmp;  // 16 bits 5-6-5, masks at 54
  const struct {
    const char* name;
    const Bmp& base;
    std::vector<Patch> patches;
    int cut = 0;  // bytes cut off the end
  } cases[] = {
      {"no BM", rgb, {{0, 2, 0x4142}}},
      {"shorter than the headers", rgb, {}, int(Write(rgb).size()) - 53},
      {"one byte short", rgb, {}, 1},
      {"12-byte header", rgb, {{14, 4, 12}}},
      {"64-byte header", rgb, {{14, 4, 64}}},
      {"two planes", rgb, {{26, 2, 2}}},
      {"2 bits", rgb, {{28, 2, 2}}},
      {"run-length", rgb, {{28, 2, 8}, {30, 4, 1}}},
      {"24-bit bit fields", rgb, {{30, 4, 3}}},
      {"width 0", rgb, {{18, 4, 0}}},
      {"negative width", rgb, {{18, 4, uint32_t(-3)}}},
      {"height 0", rgb, {{22, 4, 0}}},
      {"lowest height", rgb, {{22, 4, 0x80000000}}},
      {"too wide", rgb, {{18, 4, 40000}}},
      {"too many pixels", rgb, {{18, 4, 32767}, {22, 4, 32767}}},
      {"table past the end", rgb, {{46, 4, 0xffffffff}}},
      {"table larger than the bits allow", rgb, {{28, 2, 4}, {46, 4, 17}}},
      {"pixel offset inside the header", rgb, {{10, 4, 20}}},
      {"pixel offset past the end", rgb, {{10, 4, 0x7fffffff}}},
      {"mask not contiguous", fields, {{54, 4, 0xf0f0}}},
      {"masks overlap", fields, {{58, 4, 0x0fe0}}},
      {"mask wider than the pixel", fields, {{54, 4, 0x1f0000}}},
      {"masks cut off", fields, {}, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray file = Write(c.base);
    for (const Patch& p : c.patches)
      for (int i = 0; i < p.size; ++i) file[p.at + i] = char(p.value >> (8 * i));
    file.chop(c.cut);
    QImage image(7, 5, QImage::Format_RGB32);
    EXPECT_FALSE(LoadExact(file, &image));
    EXPECT_EQ(image.size(), QSize(7, 5));  // left as it was
  }
}

// Random damage to valid files: bytes overwritten, header fields replaced by
// random or boundary values, the file cut or lengthened. Whatever comes out,
// the reader stays inside the bytes (ASan) and a picture it accepts has the
// size its header claims.
TEST(DibFile, DamagedFilesNeverReadOutside) {
  std::vector<QByteArray> originals;
  for (const WellFormed& c : WellFormedFiles()) originals.push_back(Write(c.bmp));
  std::mt19937 rng(20240611);
  auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };
  const uint32_t boundaries[] = {0, 1, 0x7fffffff, 0x80000000, 0xffffffff, 40, 124, 3, 32767};
  int accepted = 0;
  for (int round = 0; round < 600; ++round) {
    QByteArray file = originals[pick(uint32_t(originals.size()))];
    const int damages = 1 + int(pick(4));
    for (int d = 0; d < damages; ++d) {
      switch (file.size() < 4 ? 3 : pick(4)) {  // a stub only grows
        case 0:
          file[pick(uint32_t(file.size()))] = char(rng());
          break;
        case 1: {  // a 32-bit field of the headers
          const uint32_t at = pick(uint32_t(std::min<qsizetype>(file.size() - 3, 14 + 52)));
          const uint32_t v = pick(2) ? rng() : boundaries[pick(std::size(boundaries))];
          for (int i = 0; i < 4; ++i) file[at + i] = char(v >> (8 * i));
          break;
        }
        case 2:
          file.truncate(pick(uint32_t(file.size())));
          break;
        default:
          file.append(QByteArray(int(pick(64)), char(rng())));
          break;
      }
    }
    QImage image;
    if (!LoadExact(file, &image)) {
      EXPECT_TRUE(image.isNull());
      continue;
    }
    ++accepted;
    ASSERT_GE(file.size(), 54);
    auto field = [&](int at) {
      return int32_t(uint8_t(file[at]) | uint8_t(file[at + 1]) << 8 | uint8_t(file[at + 2]) << 16 |
                     uint32_t(uint8_t(file[at + 3])) << 24);
    };
    const int32_t width = field(18), height = field(22);
    EXPECT_EQ(image.width(), width);
    EXPECT_EQ(image.height(), height < 0 ? -height : height);
  }
  // Some damage leaves a readable picture (a changed pixel or colour).
  EXPECT_GT(accepted, 0);
}

}  // namespace
