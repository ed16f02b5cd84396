// Text helpers for the engine tests: encoding with iconv and the expected
// word ranges of a text.
#pragma once

#include <iconv.h>

#include <string>
#include <utility>
#include <vector>

// Converts UTF-8 to another encoding ("GBK", "BIG5", "UTF-16LE"); empty on failure.
inline std::string Encode(const std::string& utf8, const char* to) {
  if (std::string(to) == "UTF-8") return utf8;
  iconv_t cd = iconv_open(to, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(utf8.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* o = out.data();
  size_t outLeft = out.size();
  size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

// Byte ranges [first, last] in the encoded text of each of the given pieces
// of the UTF-8 text, found by encoding the text before each piece.
inline std::vector<std::pair<uint32_t, uint32_t>> EncodedRanges(
    const std::string& utf8, const std::vector<std::pair<size_t, size_t>>& utf8Ranges,
    const char* to) {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  for (const auto& [b, e] : utf8Ranges) {
    uint32_t start = static_cast<uint32_t>(Encode(utf8.substr(0, b), to).size());
    uint32_t len = static_cast<uint32_t>(Encode(utf8.substr(b, e - b), to).size());
    out.push_back({start, start + len - 1});
  }
  return out;
}

// The words of an ASCII text between blanks and line breaks, as UTF-8 byte
// ranges [b, e).
inline std::vector<std::pair<size_t, size_t>> WordRanges(const std::string& text) {
  std::vector<std::pair<size_t, size_t>> out;
  auto blank = [](char c) { return c == ' ' || c == '\n'; };
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && blank(text[i])) ++i;
    size_t b = i;
    while (i < text.size() && !blank(text[i])) ++i;
    if (i > b) out.push_back({b, i});
  }
  return out;
}

// Every character of a UTF-8 text of three-byte characters except those in skip.
inline std::vector<std::pair<size_t, size_t>> HanRanges(const std::string& text,
                                                        const std::string& skip) {
  std::vector<std::pair<size_t, size_t>> out;
  for (size_t i = 0; i + 3 <= text.size(); i += 3) {
    if (skip.find(text.substr(i, 3)) == std::string::npos) out.push_back({i, i + 3});
  }
  return out;
}
