#include "plugins/varentts/Lexicon.h"

#include <fstream>

#include "sdk/ttsapi.h"

namespace varentts {

bool DecodeUtf8(const std::string& in, std::u32string* out) {
  out->clear();
  size_t i = 0;
  while (i < in.size()) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= in.size() + (extra == 0 ? 1 : 0))
      return false;
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= extra; ++k) {
      unsigned char n = static_cast<unsigned char>(in[i + k]);
      if ((n & 0xC0) != 0x80) return false;
      c = (c << 6) | (n & 0x3F);
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    out->push_back(c);
    i += 1 + extra;
  }
  return true;
}

uint32_t CLexicon::Load(const std::string& path) {
  m_entries.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return TTSERR_RESOURCES;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 >= line.size()) continue;
    std::u32string key, value;
    if (!DecodeUtf8(line.substr(0, tab), &key) || !DecodeUtf8(line.substr(tab + 1), &value)) {
      m_entries.clear();
      return TTSERR_INVALIDARG;
    }
    m_entries[key] = value;
  }
  return m_entries.empty() ? TTSERR_RESOURCES : 0;
}

const std::u32string* CLexicon::Find(const std::u32string& written) const {
  auto it = m_entries.find(written);
  return it == m_entries.end() ? nullptr : &it->second;
}

}  // namespace varentts
