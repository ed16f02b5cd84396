// A custom-resource lexicon: written forms and what the engine says instead
// while the package is loaded ("Dr." -> "doctor"). Files are UTF-8, one entry
// per line, "written<TAB>spoken"; blank lines and lines starting with "#" are
// skipped. Keys match whole words, case-sensitively.
//
// Loaded on the user-interface thread (TTSLoadUserLib), read-only afterwards;
// the synthesis thread reads it under the session lock.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace varentts {

class CLexicon {
 public:
  // Returns 0, TTSERR_RESOURCES when the file cannot be read or holds no
  // valid entry, TTSERR_INVALIDARG for a line that is not valid UTF-8.
  uint32_t Load(const std::string& path);
  // The spoken form of a written word, or null.
  const std::u32string* Find(const std::u32string& written) const;
  size_t Size() const { return m_entries.size(); }

 private:
  std::map<std::u32string, std::u32string> m_entries;
};

// Decodes UTF-8; false on a malformed sequence.
bool DecodeUtf8(const std::string& in, std::u32string* out);

}  // namespace varentts
