// A scriptable speech engine library for tests. One source builds two
// libraries: libtestengine.so offers the engines as plain entry points (the
// function form), libtestengine_object.so as one engine object made by
// CreateEngine (the object form; TESTENGINE_OBJECT_FORM). Two further builds
// exist only to be refused by the program: TESTENGINE_NO_DESTROY exports
// CreateEngine without DestroyEngine, TESTENGINE_NO_ENTRIES exports neither
// CreateEngine nor SEMFindFirstEngine.
//
// The engine does what a script says. A test gives the script either
//   - as a file named by the environment variable TESTENGINE_SCRIPT, read at
//     the first TTSInitializeEx, SEMFindFirstEngine or CreateEngine (and again
//     there whenever the variable names another file), or
//   - by calling TestEngine_Configure(text) after dlopen'ing the same path
//     (dlopen then returns the same handle, so the program and the test share
//     the library's state). Once configured this way the variable is ignored.
// Configuring resets everything: engines, voices, results, call counters and
// the call log.
//
// Script format: one directive per line; "#" starts a comment line; tokens are
// separated by blanks; a token may be quoted "like this" with the escapes \"
// \\ \n \t and \xNN (a raw byte, for multibyte names). Numbers are decimal or
// 0x hexadecimal. Lists are comma-separated.
//
//   engine NAME ADDRESS [key=value...]
//       adds an engine record. Keys: version, vendor, path, userlib (texts),
//       type, status, procid, port, stdeffi (numbers), charsets, markups
//       (lists of codes; the count is the list's length, at most 32).
//   engines COUNT PREFIX ADDRESS
//       adds COUNT engines named PREFIX001, PREFIX002, ... (for table limits).
//   voice ID NAME GENDER AGE LANGS RATES [engineid=N] [engine=NAME]
//       adds a voice. LANGS is "2052:1,1033:0" (identifier:value) or "-";
//       RATES is "16000,8000" or "-". engine=NAME offers the voice only on that
//       engine (default: on every engine). Counts above the record's room (16
//       languages, 8 rates) are written as given, for tests of readers.
//   result ENTRY CODE [N]
//       ENTRY returns CODE on every call, or only on its N-th call (1-based).
//       ENTRY is an entry point name (SEMFindFirstEngine ... TTSUnloadUserLib,
//       CreateEngine). A result for TTSConnect is written into the connect
//       block's error code and no instance is returned. In the object form the
//       slots count as the entry points of the same operation; a result for
//       SEMGetEngineInfo makes the object's engine information null, one for
//       SEMFindFirstVoice its voice list empty.
//   formats LIST
//       the TTS_PARAM_AUDIODATAFMT codes that TTSSetParam accepts (default:
//       every code 0 to 30); any other gives TTSERR_INVALIDVALUE.
//   param ID VALUE
//       an initial parameter value (defaults: voice = the first voice's id,
//       format 4, every other 0).
//   paramfail ID CODE
//       TTSGetParam of parameter ID returns CODE (a parameter the engine
//       cannot read).
//   splash TEXT
//       the text whose address TTS_PARAM_SPLASHTEXT (size 8) returns.
//   pattern counter | pattern fill N | pattern tone HZ RATE
//       the default audio content: a byte counter running across all audio of
//       one synthesis (0, 1, ..., 255, 0, ...), every byte N, or a sine of HZ
//       at half of full scale as 16-bit little-endian samples at RATE samples
//       a second, its phase running across all audio of one synthesis.
//       Default counter.
//   piece BYTES [start=S] [end=E] [fill=N|counter] [more=0|1]
//       adds one audio piece that every synthesis returns, in script order.
//       start and end default to the text size (a piece that speaks no text);
//       more defaults to 1, except for the last piece, which clears it.
//   words PERBYTE [lead=N] [trail=N]
//       instead of scripted pieces: one piece per blank-separated word of the
//       synthesised text, PERBYTE audio bytes per text byte of the word, start
//       at the word's first byte, end at its last byte. lead / trail add a
//       piece of N bytes before / after the words that speaks no text (start =
//       end = text size). UTF-16LE text (input code page TTS_CP_UTF16LE) is
//       split on UTF-16 blanks, offsets in bytes. A text without words gives
//       one empty piece.
//   voicesize N
//       the size field written into every voice record (default 224), for
//       tests of readers that trust it.
//   fetchdelay MS
//       every TTSFetchNext sleeps this long first (for pause and stop tests).
//   logfile PATH
//       appends every call-log line to PATH as well (for tests that run the
//       program as another process).
//
// Without any piece or words directive a synthesis gives one piece of 3200
// bytes that speaks the whole text.
//
// After the last piece, TTSFetchNext gives TTSERR_NOMORE with audio length 0
// and status 0. Audio stays valid until the next TTSFetchNext or TTSClean.
//
// Call log: one line per call, "NAME" followed by its interesting arguments,
// e.g. "TTSSetParam 5 4", "TTSConnect name=E1 address=127.0.0.1". Read it
// with TestEngine_CallLog() (lines joined by "\n"), count calls with
// TestEngine_CallCount(name).
//
// Threads: all state sits behind one mutex; TTSClean, TTSSynthText and
// TTSFetchNext may come from another thread than the rest.
//
// TestEngine_Lose() makes the engine stop answering: every TTSGetParam and
// TTSSetParam gives TTSERR_ENGINEFAIL until the next TTSConnect.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sdk/ttsapi.h"

#define TE_EXPORT extern "C" __attribute__((visibility("default")))

TTS_VERSION_NOTE(testengine,
                 "FileVersion\0"
                 "1.0.0.1\0"
                 "ProductName\0"
                 "VUDEZE Test Engine\0");

namespace {

#ifdef TESTENGINE_OBJECT_FORM
constexpr bool kObjectForm = true;
#else
constexpr bool kObjectForm = false;
#endif

struct Engine {
  TTSEngineInfo info{};
};

struct Voice {
  TTSVoiceInfo info{};
  std::string engine;  // empty: every engine
};

// The fill of `pattern tone`.
constexpr int kToneFill = -3;

struct PieceSpec {
  uint32_t bytes = 0;
  bool hasStart = false, hasEnd = false, hasMore = false;
  uint32_t start = 0, end = 0, more = 1;
  int fill = -1;  // -1: the default pattern; -2: counter; kToneFill: tone
};

struct Piece {
  std::vector<uint8_t> audio;
  uint32_t start = 0, end = 0, more = 0;
};

struct ResultRule {
  uint32_t code = 0;
  uint32_t onCall = 0;  // 0: every call
};

struct Instance {
  std::vector<uint8_t> text;
  std::vector<Piece> pieces;
  size_t next = 0;
  bool synthesising = false;
  std::vector<uint8_t> current;  // the audio handed out last
};

struct EngineFind {
  size_t next = 0;
  std::string address;  // filter; empty: no filter
  bool filtered = false;
};

struct VoiceFind {
  std::string engine;
  size_t next = 0;
};

struct State {
  std::mutex lock;
  bool configuredByCall = false;
  std::string scriptPath;  // the TESTENGINE_SCRIPT file last read
  std::vector<Engine> engines;
  std::vector<Voice> voices;
  std::map<std::string, std::vector<ResultRule>> results;
  std::map<std::string, uint32_t> callCounts;
  std::vector<std::string> log;
  std::string logFile;
  bool formatsGiven = false;
  std::set<uint32_t> formats;
  std::map<uint32_t, uint32_t> initialParams;
  std::map<uint32_t, uint32_t> params;
  std::map<uint32_t, uint32_t> paramFailures;
  bool lost = false;
  std::string splash;
  int defaultFill = -2;
  uint32_t toneHz = 0, toneRate = 0;  // pattern tone
  std::vector<PieceSpec> pieces;
  bool wordMode = false;
  uint32_t wordPerByte = 0, wordLead = 0, wordTrail = 0;
  uint32_t fetchDelayMs = 0;
  uint32_t voiceSize = sizeof(TTSVoiceInfo);
  bool initialized = false;
  std::set<Instance*> instances;
  std::set<EngineFind*> engineFinds;
  std::set<VoiceFind*> voiceFinds;
  std::set<void*> userLibs;
  uintptr_t nextUserLib = 0x1000;
  std::string lastError;
};

State& S() {
  static State* state = new State;  // never destroyed: threads may still call at exit
  return *state;
}

// ---- script parsing ------------------------------------------------------

bool Tokenize(const std::string& line, std::vector<std::string>* out, std::string* error) {
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    if (i >= line.size()) break;
    std::string token;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\' || i >= line.size()) {
          token += c;
          continue;
        }
        char e = line[i++];
        switch (e) {
          case 'n':
            token += '\n';
            break;
          case 't':
            token += '\t';
            break;
          case 'x': {
            if (i + 2 > line.size()) {
              *error = "bad \\x escape";
              return false;
            }
            token += static_cast<char>(std::strtoul(line.substr(i, 2).c_str(), nullptr, 16));
            i += 2;
            break;
          }
          default:
            token += e;
            break;
        }
      }
      if (!closed) {
        *error = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        token += line[i++];
    }
    out->push_back(token);
  }
  return true;
}

bool ParseNumber(const std::string& text, uint32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (end == nullptr || *end != '\0' || v > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

bool ParseList(const std::string& text, std::vector<uint32_t>* out) {
  out->clear();
  if (text == "-" || text.empty()) return true;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    uint32_t v;
    if (!ParseNumber(item, &v)) return false;
    out->push_back(v);
  }
  return true;
}

void CopyText(char* dst, size_t room, const std::string& text) {
  size_t n = std::min(room - 1, text.size());
  std::memcpy(dst, text.data(), n);
  dst[n] = '\0';
}

Engine MakeEngine(const std::string& name, const std::string& address) {
  Engine e;
  e.info.size = sizeof(TTSEngineInfo);
  e.info.type = TTS_ENGINE_TYPE_UNIVERSAL;
  e.info.status = TTS_ENGINE_STATUS_LOAD;
  CopyText(e.info.name, sizeof e.info.name, name);
  CopyText(e.info.serverAddress, sizeof e.info.serverAddress, address);
  CopyText(e.info.version, sizeof e.info.version, "1.0");
  CopyText(e.info.vendor, sizeof e.info.vendor, "VUDEZE tests");
  return e;
}

// key=value arguments after the positional ones.
bool SplitKey(const std::string& token, std::string* key, std::string* value) {
  size_t eq = token.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *key = token.substr(0, eq);
  *value = token.substr(eq + 1);
  return true;
}

bool ParseEngineKey(Engine* e, const std::string& key, const std::string& value) {
  uint32_t n = 0;
  std::vector<uint32_t> list;
  TTSEngineInfo& r = e->info;
  if (key == "version")
    CopyText(r.version, sizeof r.version, value);
  else if (key == "vendor")
    CopyText(r.vendor, sizeof r.vendor, value);
  else if (key == "path")
    CopyText(r.path, sizeof r.path, value);
  else if (key == "userlib")
    CopyText(r.userLibs, sizeof r.userLibs, value);
  else if (key == "type" && ParseNumber(value, &n))
    r.type = n;
  else if (key == "status" && ParseNumber(value, &n))
    r.status = n;
  else if (key == "procid" && ParseNumber(value, &n))
    r.procid = n;
  else if (key == "port" && ParseNumber(value, &n))
    r.port = n;
  else if (key == "stdeffi" && ParseNumber(value, &n))
    r.stdeffi = n;
  else if ((key == "charsets" || key == "markups") && ParseList(value, &list) &&
           list.size() <= 32) {
    // The lists sit at offsets that are not 4-byte aligned: copy bytes.
    unsigned char* codes =
        reinterpret_cast<unsigned char*>(&r) +
        (key == "charsets" ? offsetof(TTSEngineInfo, charsets) : offsetof(TTSEngineInfo, markups));
    if (!list.empty()) std::memcpy(codes, list.data(), list.size() * sizeof(uint32_t));
    (key == "charsets" ? r.charsetCount : r.markupCount) = static_cast<uint32_t>(list.size());
  } else {
    return false;
  }
  return true;
}

bool ParseVoice(const std::vector<std::string>& t, Voice* v, std::string* error) {
  if (t.size() < 7) {
    *error = "voice ID NAME GENDER AGE LANGS RATES";
    return false;
  }
  TTSVoiceInfo& r = v->info;
  r.size = sizeof(TTSVoiceInfo);
  if (!ParseNumber(t[1], &r.voiceId) || !ParseNumber(t[3], &r.gender) ||
      !ParseNumber(t[4], &r.age)) {
    *error = "bad voice number";
    return false;
  }
  CopyText(r.name, sizeof r.name, t[2]);
  if (t[5] != "-") {
    std::stringstream ss(t[5]);
    std::string item;
    uint32_t count = 0;
    while (std::getline(ss, item, ',')) {
      size_t colon = item.find(':');
      uint32_t id = 0, value = 0;
      if (colon == std::string::npos || !ParseNumber(item.substr(0, colon), &id) ||
          !ParseNumber(item.substr(colon + 1), &value)) {
        *error = "bad language list";
        return false;
      }
      if (count < 16) {
        r.languageIds[count] = id;
        r.languageValues[count] = value;
      }
      ++count;
    }
    r.languageCount = count;
  }
  std::vector<uint32_t> rates;
  if (!ParseList(t[6], &rates)) {
    *error = "bad rate list";
    return false;
  }
  for (size_t i = 0; i < rates.size() && i < 8; ++i) r.sampleRates[i] = rates[i];
  r.sampleRateCount = static_cast<uint32_t>(rates.size());
  for (size_t i = 7; i < t.size(); ++i) {
    std::string key, value;
    uint32_t n = 0;
    if (SplitKey(t[i], &key, &value) && key == "engineid" && ParseNumber(value, &n)) {
      r.engineId = n;
    } else if (SplitKey(t[i], &key, &value) && key == "engine") {
      v->engine = value;
    } else {
      *error = "bad voice option " + t[i];
      return false;
    }
  }
  return true;
}

bool ParsePiece(const std::vector<std::string>& t, PieceSpec* p, std::string* error) {
  if (t.size() < 2 || !ParseNumber(t[1], &p->bytes)) {
    *error = "piece BYTES";
    return false;
  }
  for (size_t i = 2; i < t.size(); ++i) {
    std::string key, value;
    uint32_t n = 0;
    if (t[i] == "counter") {
      p->fill = -2;
      continue;
    }
    if (!SplitKey(t[i], &key, &value) || !ParseNumber(value, &n)) {
      *error = "bad piece option " + t[i];
      return false;
    }
    if (key == "start")
      p->hasStart = true, p->start = n;
    else if (key == "end")
      p->hasEnd = true, p->end = n;
    else if (key == "more")
      p->hasMore = true, p->more = n ? 1 : 0;
    else if (key == "fill")
      p->fill = static_cast<int>(n & 0xFF);
    else {
      *error = "bad piece option " + t[i];
      return false;
    }
  }
  return true;
}

// Replaces the whole script state. Caller holds the lock.
bool ApplyScript(State& s, const std::string& text) {
  for (Instance* i : s.instances) delete i;
  for (EngineFind* f : s.engineFinds) delete f;
  for (VoiceFind* f : s.voiceFinds) delete f;
  s.instances.clear();
  s.engineFinds.clear();
  s.voiceFinds.clear();
  s.userLibs.clear();
  s.engines.clear();
  s.voices.clear();
  s.results.clear();
  s.callCounts.clear();
  s.log.clear();
  s.logFile.clear();
  s.formatsGiven = false;
  s.formats.clear();
  s.initialParams.clear();
  s.params.clear();
  s.paramFailures.clear();
  s.lost = false;
  s.splash.clear();
  s.defaultFill = -2;
  s.pieces.clear();
  s.wordMode = false;
  s.wordPerByte = s.wordLead = s.wordTrail = 0;
  s.fetchDelayMs = 0;
  s.voiceSize = sizeof(TTSVoiceInfo);
  s.initialized = false;
  s.lastError.clear();

  std::stringstream lines(text);
  std::string line;
  int number = 0;
  auto fail = [&](const std::string& why) {
    s.lastError = "line " + std::to_string(number) + ": " + why;
    std::fprintf(stderr, "testengine: script %s\n", s.lastError.c_str());
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    std::vector<std::string> t;
    std::string error;
    if (!Tokenize(line, &t, &error)) return fail(error);
    if (t.empty() || t[0][0] == '#') continue;
    const std::string& d = t[0];
    uint32_t a = 0, b = 0;
    if (d == "engine") {
      if (t.size() < 3) return fail("engine NAME ADDRESS");
      Engine e = MakeEngine(t[1], t[2]);
      for (size_t i = 3; i < t.size(); ++i) {
        std::string key, value;
        if (!SplitKey(t[i], &key, &value) || !ParseEngineKey(&e, key, value))
          return fail("bad engine option " + t[i]);
      }
      s.engines.push_back(e);
    } else if (d == "engines") {
      if (t.size() < 4 || !ParseNumber(t[1], &a) || a > 100000)
        return fail("engines COUNT PREFIX ADDRESS");
      for (uint32_t i = 1; i <= a; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%03u", t[2].c_str(), i);
        s.engines.push_back(MakeEngine(name, t[3]));
      }
    } else if (d == "voice") {
      Voice v;
      if (!ParseVoice(t, &v, &error)) return fail(error);
      s.voices.push_back(v);
    } else if (d == "result") {
      ResultRule r;
      if (t.size() < 3 || !ParseNumber(t[2], &r.code) ||
          (t.size() > 3 && !ParseNumber(t[3], &r.onCall)))
        return fail("result ENTRY CODE [N]");
      s.results[t[1]].push_back(r);
    } else if (d == "formats") {
      std::vector<uint32_t> list;
      if (t.size() < 2 || !ParseList(t[1], &list)) return fail("formats LIST");
      s.formatsGiven = true;
      s.formats.insert(list.begin(), list.end());
    } else if (d == "param") {
      if (t.size() < 3 || !ParseNumber(t[1], &a) || !ParseNumber(t[2], &b))
        return fail("param ID VALUE");
      s.initialParams[a] = b;
    } else if (d == "paramfail") {
      if (t.size() < 3 || !ParseNumber(t[1], &a) || !ParseNumber(t[2], &b))
        return fail("paramfail ID CODE");
      s.paramFailures[a] = b;
    } else if (d == "splash") {
      if (t.size() < 2) return fail("splash TEXT");
      s.splash = t[1];
    } else if (d == "pattern") {
      if (t.size() == 2 && t[1] == "counter") {
        s.defaultFill = -2;
      } else if (t.size() == 3 && t[1] == "fill" && ParseNumber(t[2], &a)) {
        s.defaultFill = static_cast<int>(a & 0xFF);
      } else if (t.size() == 4 && t[1] == "tone" && ParseNumber(t[2], &a) &&
                 ParseNumber(t[3], &b) && b > 0) {
        s.defaultFill = kToneFill;
        s.toneHz = static_cast<uint32_t>(a);
        s.toneRate = static_cast<uint32_t>(b);
      } else {
        return fail("pattern counter | pattern fill N | pattern tone HZ RATE");
      }
    } else if (d == "piece") {
      PieceSpec p;
      if (!ParsePiece(t, &p, &error)) return fail(error);
      s.pieces.push_back(p);
    } else if (d == "words") {
      if (t.size() < 2 || !ParseNumber(t[1], &s.wordPerByte)) return fail("words PERBYTE");
      for (size_t i = 2; i < t.size(); ++i) {
        std::string key, value;
        if (!SplitKey(t[i], &key, &value) || !ParseNumber(value, &a))
          return fail("bad words option " + t[i]);
        if (key == "lead")
          s.wordLead = a;
        else if (key == "trail")
          s.wordTrail = a;
        else
          return fail("bad words option " + t[i]);
      }
      s.wordMode = true;
    } else if (d == "voicesize") {
      if (t.size() < 2 || !ParseNumber(t[1], &s.voiceSize)) return fail("voicesize N");
    } else if (d == "fetchdelay") {
      if (t.size() < 2 || !ParseNumber(t[1], &s.fetchDelayMs)) return fail("fetchdelay MS");
    } else if (d == "logfile") {
      if (t.size() < 2) return fail("logfile PATH");
      s.logFile = t[1];
    } else {
      return fail("unknown directive " + d);
    }
  }
  return true;
}

// Reads TESTENGINE_SCRIPT when it names a file other than the last one read,
// unless a test configured the engine by call. Caller holds the lock.
void LoadScriptFromEnvironment(State& s) {
  if (s.configuredByCall) return;
  const char* path = std::getenv("TESTENGINE_SCRIPT");
  if (path == nullptr || *path == '\0' || s.scriptPath == path) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "testengine: cannot read script %s\n", path);
    return;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  ApplyScript(s, ss.str());
  s.scriptPath = path;
}

// ---- call log and scripted results ---------------------------------------

void Log(State& s, const std::string& line) {
  s.log.push_back(line);
  if (!s.logFile.empty()) {
    if (FILE* f = std::fopen(s.logFile.c_str(), "a")) {
      std::fprintf(f, "%s\n", line.c_str());
      std::fclose(f);
    }
  }
}

// Counts the call and returns its scripted result (0 when none applies).
uint32_t Enter(State& s, const std::string& entry, const std::string& logLine) {
  uint32_t n = ++s.callCounts[entry];
  Log(s, logLine.empty() ? entry : logLine);
  auto it = s.results.find(entry);
  if (it == s.results.end()) return 0;
  for (const ResultRule& r : it->second)
    if (r.onCall == n) return r.code;
  for (const ResultRule& r : it->second)
    if (r.onCall == 0) return r.code;
  return 0;
}

// Bounded read of a text field that the caller may not have terminated.
std::string FieldText(const char* field, size_t room) {
  return std::string(field, strnlen(field, room));
}

const Engine* FindEngineByHandle(State& s, void* handle) {
  uintptr_t index = reinterpret_cast<uintptr_t>(handle);
  if (index == 0 || index > s.engines.size()) return nullptr;
  return &s.engines[index - 1];
}

void* EngineHandle(size_t index) {
  return reinterpret_cast<void*>(index + 1);
}

bool VoiceOnEngine(const Voice& v, const std::string& engine) {
  return v.engine.empty() || v.engine == engine;
}

void ResetParams(State& s) {
  s.params.clear();
  s.params[TTS_PARAM_VOICE] = s.voices.empty() ? 0 : s.voices[0].info.voiceId;
  s.params[TTS_PARAM_INPUTCODEPAGE] = TTS_CP_DEFAULT;
  s.params[TTS_PARAM_AUDIODATAFMT] = 4;
  for (uint32_t id : {6u, 7u, 8u, 9u, 10u, 13u, 15u, 16u, 17u, 19u, 20u, 21u}) s.params[id] = 0;
  for (const auto& [id, value] : s.initialParams) s.params[id] = value;
}

bool KnownParam(uint32_t id) {
  switch (id) {
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 13:
    case 15:
    case 16:
    case 17:
    case 19:
    case 20:
    case 21:
      return true;
    default:
      return false;
  }
}

// ---- synthesis -----------------------------------------------------------

void FillAudio(std::vector<uint8_t>* audio, uint32_t bytes, int fill, uint32_t* counter) {
  audio->resize(bytes);
  const State& s = S();
  for (uint32_t i = 0; i < bytes; ++i) {
    if (fill == kToneFill) {
      // The counter counts bytes: two a sample.
      const double t = double(*counter / 2) / s.toneRate;
      const auto v = static_cast<int16_t>(std::lround(16384 * std::sin(2 * M_PI * s.toneHz * t)));
      (*audio)[i] = static_cast<uint8_t>((*counter & 1) ? (static_cast<uint16_t>(v) >> 8) : v);
      ++*counter;
    } else if (fill >= 0) {
      (*audio)[i] = static_cast<uint8_t>(fill);
    } else {
      (*audio)[i] = static_cast<uint8_t>(*counter & 0xFF);
      ++*counter;
    }
  }
}

struct WordSpan {
  uint32_t start, end;  // byte offsets, end inclusive
};

std::vector<WordSpan> SplitWords(const std::vector<uint8_t>& text, bool utf16) {
  std::vector<WordSpan> words;
  const uint32_t unit = utf16 ? 2 : 1;
  const uint32_t size = static_cast<uint32_t>(text.size()) / unit * unit;
  auto blank = [&](uint32_t at) {
    uint32_t c = utf16 ? (text[at] | (text[at + 1] << 8)) : text[at];
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' ||
           (utf16 && (c == 0x3000 || c == 0xA0));
  };
  uint32_t at = 0;
  while (at < size) {
    while (at < size && blank(at)) at += unit;
    if (at >= size) break;
    uint32_t start = at;
    while (at < size && !blank(at)) at += unit;
    words.push_back({start, at - 1});
  }
  return words;
}

void BuildPieces(State& s, Instance* inst) {
  inst->pieces.clear();
  inst->next = 0;
  const uint32_t size = static_cast<uint32_t>(inst->text.size());
  uint32_t counter = 0;
  auto add = [&](uint32_t bytes, uint32_t start, uint32_t end, int fill, bool hasMore,
                 uint32_t more) {
    Piece p;
    FillAudio(&p.audio, bytes, fill == -1 ? s.defaultFill : fill, &counter);
    p.start = start;
    p.end = end;
    p.more = hasMore ? more : 1;
    inst->pieces.push_back(std::move(p));
    return hasMore;
  };
  bool lastExplicit = false;
  if (s.wordMode) {
    bool utf16 = s.params[TTS_PARAM_INPUTCODEPAGE] == TTS_CP_UTF16LE;
    if (s.wordLead) add(s.wordLead, size, size, -1, false, 1);
    for (const WordSpan& w : SplitWords(inst->text, utf16))
      add((w.end - w.start + 1) * s.wordPerByte, w.start, w.end, -1, false, 1);
    if (s.wordTrail) add(s.wordTrail, size, size, -1, false, 1);
    if (inst->pieces.empty()) add(0, size, size, -1, false, 1);
  } else if (!s.pieces.empty()) {
    for (const PieceSpec& p : s.pieces)
      lastExplicit = add(p.bytes, p.hasStart ? p.start : size, p.hasEnd ? p.end : size, p.fill,
                         p.hasMore, p.more);
  } else {
    add(3200, 0, size == 0 ? 0 : size - 1, -1, false, 1);
  }
  if (!lastExplicit) inst->pieces.back().more = 0;
}

Instance* FindInstance(State& s, void* handle) {
  Instance* inst = static_cast<Instance*>(handle);
  return s.instances.count(inst) ? inst : nullptr;
}

std::string Num(uint64_t v) {
  return std::to_string(v);
}

// ---- the operations, shared by both forms --------------------------------

uint32_t DoFindFirstEngine(const void* filter, void** engine, void** find) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  LoadScriptFromEnvironment(s);
  std::string line = "SEMFindFirstEngine";
  EngineFind f;
  if (filter != nullptr) {
    const TTSEngineFilter* ef = static_cast<const TTSEngineFilter*>(filter);
    f.filtered = ef->size == sizeof(TTSEngineFilter) && (ef->flags & TTS_FILTER_MATCH_ADDRESS);
    f.address = FieldText(ef->serverAddress, sizeof ef->serverAddress);
    line += " filter size=" + Num(ef->size) + " flags=" + Num(ef->flags) + " address=" + f.address;
  } else {
    line += " nofilter";
  }
  uint32_t rc = Enter(s, "SEMFindFirstEngine", line);
  if (rc) return rc;
  if (engine == nullptr || find == nullptr) return TTSERR_INVALIDARG;
  while (f.next < s.engines.size() && f.filtered &&
         FieldText(s.engines[f.next].info.serverAddress, 32) != f.address)
    ++f.next;
  if (f.next >= s.engines.size()) return TTSERR_NOMORE;
  *engine = EngineHandle(f.next++);
  EngineFind* handle = new EngineFind(f);
  s.engineFinds.insert(handle);
  *find = handle;
  return 0;
}

uint32_t DoFindNextEngine(void* find, void** engine) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMFindNextEngine", "");
  if (rc) return rc;
  EngineFind* f = static_cast<EngineFind*>(find);
  if (!s.engineFinds.count(f) || engine == nullptr) return TTSERR_INVALIDARG;
  while (f->next < s.engines.size() && f->filtered &&
         FieldText(s.engines[f->next].info.serverAddress, 32) != f->address)
    ++f->next;
  if (f->next >= s.engines.size()) return TTSERR_NOMORE;
  *engine = EngineHandle(f->next++);
  return 0;
}

uint32_t DoGetEngineInfo(void* engine, uint32_t infoClass, void* record, uint32_t* size) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMGetEngineInfo",
                      "SEMGetEngineInfo class=" + Num(infoClass) +
                          " size=" + (size ? Num(*size) : std::string("null")));
  if (rc) return rc;
  const Engine* e = FindEngineByHandle(s, engine);
  if (e == nullptr || record == nullptr || size == nullptr) return TTSERR_INVALIDARG;
  if (infoClass != TTS_ENGINEINFO_CLASS) return TTSERR_INVALIDPARAM;
  uint16_t given = 0;
  std::memcpy(&given, record, sizeof given);
  if (*size < sizeof(TTSEngineInfo) || given != sizeof(TTSEngineInfo)) return TTSERR_INVALIDARG;
  std::memcpy(record, &e->info, sizeof(TTSEngineInfo));
  *size = sizeof(TTSEngineInfo);
  return 0;
}

uint32_t NextVoice(State& s, VoiceFind* f, void* voice) {
  while (f->next < s.voices.size() && !VoiceOnEngine(s.voices[f->next], f->engine)) ++f->next;
  if (f->next >= s.voices.size()) return TTSERR_NOMORE;
  uint32_t given = 0;
  std::memcpy(&given, voice, sizeof given);
  if (given < sizeof(TTSVoiceInfo)) return TTSERR_INVALIDARG;
  std::memcpy(voice, &s.voices[f->next++].info, sizeof(TTSVoiceInfo));
  static_cast<TTSVoiceInfo*>(voice)->size = s.voiceSize;
  return 0;
}

uint32_t DoFindFirstVoice(void* engine, uint32_t reserved, void* voice, void** find) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMFindFirstVoice", "SEMFindFirstVoice reserved=" + Num(reserved));
  if (rc) return rc;
  const Engine* e = FindEngineByHandle(s, engine);
  if (e == nullptr || voice == nullptr || find == nullptr) return TTSERR_INVALIDARG;
  VoiceFind f{FieldText(e->info.name, sizeof e->info.name), 0};
  rc = NextVoice(s, &f, voice);
  if (rc) return rc;
  VoiceFind* handle = new VoiceFind(f);
  s.voiceFinds.insert(handle);
  *find = handle;
  return 0;
}

uint32_t DoFindNextVoice(void* find, void* voice) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMFindNextVoice", "");
  if (rc) return rc;
  VoiceFind* f = static_cast<VoiceFind*>(find);
  if (!s.voiceFinds.count(f) || voice == nullptr) return TTSERR_INVALIDARG;
  return NextVoice(s, f, voice);
}

uint32_t DoFindClose(void* find) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMFindClose", "");
  if (s.engineFinds.erase(static_cast<EngineFind*>(find))) {
    delete static_cast<EngineFind*>(find);
  } else if (s.voiceFinds.erase(static_cast<VoiceFind*>(find))) {
    delete static_cast<VoiceFind*>(find);
  } else if (rc == 0) {
    rc = TTSERR_INVALIDARG;
  }
  return rc;
}

uint32_t DoEngineCtrl(void* engine, uint32_t code, void* data, uint32_t size) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "SEMEngineCtrl", "SEMEngineCtrl code=" + Num(code));
  return rc ? rc : TTSERR_NOTSUPPORTED;
}

uint32_t DoInitialize(void* reserved1, void* reserved2) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  LoadScriptFromEnvironment(s);
  uint32_t rc = Enter(s, "TTSInitializeEx",
                      std::string("TTSInitializeEx") + (reserved1 || reserved2 ? " args" : ""));
  if (rc) return rc;
  if (s.initialized) return TTSERR_ALREADYINIT;
  s.initialized = true;
  ResetParams(s);
  return 0;
}

uint32_t DoUninitialize() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "TTSUninitialize", "");
  if (rc) return rc;
  for (Instance* i : s.instances) delete i;
  s.instances.clear();
  s.userLibs.clear();
  s.initialized = false;
  return 0;
}

void* DoConnect(void* block) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  TTSConnectBlock* b = static_cast<TTSConnectBlock*>(block);
  std::string name, address;
  std::string line = "TTSConnect";
  if (b != nullptr) {
    name = FieldText(b->engineName, sizeof b->engineName);
    address = FieldText(b->serverAddress, sizeof b->serverAddress);
    line += " version=" + Num(b->version) + " name=" + name + " address=" + address;
  }
  uint32_t rc = Enter(s, "TTSConnect", line);
  s.lost = false;
  if (b == nullptr) return nullptr;
  if (rc == 0 && b->version != TTS_CONNECT_VERSION) rc = TTSERR_INVALIDARG;
  if (rc == 0 && !s.initialized) rc = TTSERR_NOTREADY;
  if (rc == 0) {
    // The object form offers one engine and the program does not match its
    // address; the function form's engines are known by name and address.
    bool found = false;
    for (const Engine& e : s.engines)
      found = found || (FieldText(e.info.name, sizeof e.info.name) == name &&
                        (kObjectForm || FieldText(e.info.serverAddress, 32) == address));
    if (!found) rc = TTSERR_NOENGINE;
  }
  if (rc) {
    b->errorCode = static_cast<uint16_t>(rc);
    return nullptr;
  }
  Instance* inst = new Instance;
  s.instances.insert(inst);
  return inst;
}

uint32_t DoDisconnect(void* instance) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "TTSDisconnect", "");
  if (rc) return rc;
  Instance* inst = FindInstance(s, instance);
  if (inst == nullptr) return TTSERR_NOINSTANCE;
  s.instances.erase(inst);
  delete inst;
  return 0;
}

uint32_t DoGetParam(void* instance, uint32_t id, void* value, uint32_t* size) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "TTSGetParam", "TTSGetParam " + Num(id));
  if (rc) return rc;
  if (s.lost) return TTSERR_ENGINEFAIL;
  if (auto failure = s.paramFailures.find(id); failure != s.paramFailures.end())
    return failure->second;
  if (FindInstance(s, instance) == nullptr) return TTSERR_NOINSTANCE;
  if (value == nullptr || size == nullptr) return TTSERR_INVALIDARG;
  if (id == TTS_PARAM_SPLASHTEXT) {
    if (*size != 8) return TTSERR_INVALIDPARAM;
    uint64_t address = s.splash.empty() ? 0 : reinterpret_cast<uintptr_t>(s.splash.c_str());
    std::memcpy(value, &address, 8);
    return 0;
  }
  if (!KnownParam(id) || *size != 4) return TTSERR_INVALIDPARAM;
  uint32_t v = s.params[id];
  std::memcpy(value, &v, 4);
  return 0;
}

uint32_t DoSetParam(void* instance, uint32_t id, const void* value, uint32_t size) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t v = 0;
  if (value != nullptr && size == 4) std::memcpy(&v, value, 4);
  uint32_t rc = Enter(s, "TTSSetParam", "TTSSetParam " + Num(id) + " " + Num(v));
  if (rc) return rc;
  if (s.lost) return TTSERR_ENGINEFAIL;
  if (FindInstance(s, instance) == nullptr) return TTSERR_NOINSTANCE;
  if (value == nullptr) return TTSERR_INVALIDARG;
  if (!KnownParam(id) || size != 4) return TTSERR_INVALIDPARAM;
  if (id == TTS_PARAM_AUDIODATAFMT && (s.formatsGiven ? !s.formats.count(v) : v > 30))
    return TTSERR_INVALIDVALUE;
  if (id == TTS_PARAM_VOICE && !s.voices.empty()) {
    bool known = false;
    for (const Voice& voice : s.voices) known = known || voice.info.voiceId == v;
    if (!known) return TTSERR_INVALIDVALUE;
  }
  s.params[id] = v;
  return 0;
}

uint32_t DoClean(void* instance) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "TTSClean", "");
  if (rc) return rc;
  Instance* inst = FindInstance(s, instance);
  if (inst == nullptr) return TTSERR_NOINSTANCE;
  inst->text.clear();
  inst->pieces.clear();
  inst->next = 0;
  inst->synthesising = false;
  inst->current.clear();
  return 0;
}

uint32_t DoSynthText(void* instance, void* descriptor) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  TTSSynthDesc* d = static_cast<TTSSynthDesc*>(descriptor);
  uint32_t rc =
      Enter(s, "TTSSynthText", "TTSSynthText size=" + (d ? Num(d->textSize) : std::string("-")));
  if (rc) return rc;
  Instance* inst = FindInstance(s, instance);
  if (inst == nullptr) return TTSERR_NOINSTANCE;
  if (d == nullptr || (d->textSize > 0 && d->textAddress == 0)) return TTSERR_BADDESCRIPTOR;
  const uint8_t* text = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(d->textAddress));
  inst->text.assign(text, text + d->textSize);
  inst->current.clear();
  BuildPieces(s, inst);
  inst->synthesising = true;
  return 0;
}

uint32_t DoFetchNext(void* instance, void* descriptor) {
  uint32_t delay = 0;
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    delay = s.fetchDelayMs;
  }
  if (delay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc = Enter(s, "TTSFetchNext", "");
  if (rc) return rc;
  Instance* inst = FindInstance(s, instance);
  if (inst == nullptr) return TTSERR_NOINSTANCE;
  TTSSynthDesc* d = static_cast<TTSSynthDesc*>(descriptor);
  if (d == nullptr) return TTSERR_BADDESCRIPTOR;
  if (!inst->synthesising || inst->next >= inst->pieces.size()) {
    d->audioLength = 0;
    d->status = 0;
    d->audioAddress = 0;
    return TTSERR_NOMORE;
  }
  Piece& p = inst->pieces[inst->next++];
  inst->current = p.audio;
  d->audioLength = static_cast<uint32_t>(inst->current.size());
  d->audioAddress = reinterpret_cast<uintptr_t>(inst->current.data());
  d->textStart = p.start;
  d->textEnd = p.end;
  d->status = p.more ? TTS_STATUS_MORE : 0;
  return 0;
}

uint32_t DoLoadUserLib(void* instance, void** userLib, const void* text, uint32_t byteLength) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  std::string t = text ? std::string(static_cast<const char*>(text), byteLength) : "";
  uint32_t rc = Enter(s, "TTSLoadUserLib", "TTSLoadUserLib " + t + " length=" + Num(byteLength));
  if (rc) return rc;
  if (FindInstance(s, instance) == nullptr) return TTSERR_NOINSTANCE;
  if (userLib == nullptr || text == nullptr) return TTSERR_INVALIDARG;
  void* handle = reinterpret_cast<void*>(s.nextUserLib++);
  s.userLibs.insert(handle);
  *userLib = handle;
  return 0;
}

uint32_t DoUnloadUserLib(void* instance, void* userLib) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  uint32_t rc =
      Enter(s, "TTSUnloadUserLib", std::string("TTSUnloadUserLib ") + (userLib ? "handle" : "0"));
  if (rc) return rc;
  if (FindInstance(s, instance) == nullptr) return TTSERR_NOINSTANCE;
  if (userLib != nullptr && !s.userLibs.erase(userLib)) return TTSERR_INVALIDARG;
  return 0;
}

#ifdef TESTENGINE_OBJECT_FORM
// The object form: the first engine of the script, its voices, and the same
// operations behind the virtual slots.
class TestEngineObject final : public TTSEngineObject {
 public:
  void Reserved() override {}
  const char* EngineName() override {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    Enter(s, "EngineName", "");
    if (s.engines.empty()) return "";
    m_name = FieldText(s.engines[0].info.name, sizeof s.engines[0].info.name);
    return m_name.c_str();
  }
  const TTSVoiceInfo* VoiceList(uint32_t* count) override {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    m_voices.clear();
    uint32_t rc = Enter(s, "SEMFindFirstVoice", "VoiceList");
    std::string engine =
        s.engines.empty() ? "" : FieldText(s.engines[0].info.name, sizeof s.engines[0].info.name);
    if (rc == 0)
      for (const Voice& v : s.voices)
        if (VoiceOnEngine(v, engine)) {
          m_voices.push_back(v.info);
          m_voices.back().size = s.voiceSize;
        }
    if (count) *count = static_cast<uint32_t>(m_voices.size());
    return m_voices.empty() ? nullptr : m_voices.data();
  }
  const TTSEngineInfo* EngineInfo() override {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    uint32_t rc = Enter(s, "SEMGetEngineInfo", "EngineInfo");
    if (rc || s.engines.empty()) return nullptr;
    m_info = s.engines[0].info;
    return &m_info;
  }
  uint32_t Initialize(void* a, void* b) override { return DoInitialize(a, b); }
  uint32_t Uninitialize() override { return DoUninitialize(); }
  void* Connect(void* block) override { return DoConnect(block); }
  uint32_t Disconnect(void* i) override { return DoDisconnect(i); }
  uint32_t SynthText(void* i, void* d) override { return DoSynthText(i, d); }
  uint32_t FetchNext(void* i, void* d) override { return DoFetchNext(i, d); }
  uint32_t Clean(void* i) override { return DoClean(i); }
  uint32_t GetParam(void* i, uint32_t id, void* v, uint32_t* n) override {
    return DoGetParam(i, id, v, n);
  }
  uint32_t SetParam(void* i, uint32_t id, const void* v, uint32_t n) override {
    return DoSetParam(i, id, v, n);
  }
  uint32_t LoadUserLib(void* i, void** u, const void* t, uint32_t n) override {
    return DoLoadUserLib(i, u, t, n);
  }
  uint32_t UnloadUserLib(void* i, void* u) override { return DoUnloadUserLib(i, u); }

 private:
  std::string m_name;
  std::vector<TTSVoiceInfo> m_voices;
  TTSEngineInfo m_info{};
};
#endif

}  // namespace

// ---- exports ---------------------------------------------------------------

TE_EXPORT void TestEngine_Configure(const char* script) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  s.configuredByCall = true;
  ApplyScript(s, script ? script : "");
}

// The call log, lines joined by "\n"; valid until the calling thread asks again.
TE_EXPORT void TestEngine_Lose() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  s.lost = true;
}

TE_EXPORT const char* TestEngine_CallLog() {
  thread_local std::string snapshot;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  snapshot.clear();
  for (const std::string& line : s.log) {
    if (!snapshot.empty()) snapshot += '\n';
    snapshot += line;
  }
  return snapshot.c_str();
}

TE_EXPORT void TestEngine_ClearLog() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  s.log.clear();
}

TE_EXPORT uint32_t TestEngine_CallCount(const char* entry) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.callCounts.find(entry ? entry : "");
  return it == s.callCounts.end() ? 0 : it->second;
}

// The last script error ("line N: why"), empty when the script was accepted.
TE_EXPORT const char* TestEngine_ScriptError() {
  thread_local std::string snapshot;
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  snapshot = s.lastError;
  return snapshot.c_str();
}

// The current value of a parameter as the engine holds it (0 when unknown).
TE_EXPORT uint32_t TestEngine_Param(uint32_t id) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  auto it = s.params.find(id);
  return it == s.params.end() ? 0 : it->second;
}

// Live instances (connected and not yet disconnected or uninitialised).
TE_EXPORT uint32_t TestEngine_InstanceCount() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lock);
  return static_cast<uint32_t>(s.instances.size());
}

#if defined(TESTENGINE_OBJECT_FORM)

TE_EXPORT uint32_t CreateEngine(uint32_t reserved, TTSEngineObject** object) {
  State& s = S();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    LoadScriptFromEnvironment(s);
    uint32_t rc = Enter(s, "CreateEngine", "CreateEngine " + Num(reserved));
    if (rc) {
      if (object) *object = nullptr;
      return rc;
    }
  }
  if (object == nullptr) return TTSERR_INVALIDARG;
  *object = new TestEngineObject;
  return 0;
}

#ifndef TESTENGINE_NO_DESTROY
TE_EXPORT void DestroyEngine(TTSEngineObject* object) {
  {
    State& s = S();
    std::lock_guard<std::mutex> guard(s.lock);
    Enter(s, "DestroyEngine", "");
  }
  delete static_cast<TestEngineObject*>(object);
}
#endif

#else  // the function form

#ifndef TESTENGINE_NO_ENTRIES
TE_EXPORT uint32_t SEMFindFirstEngine(const void* filter, void** engine, void** find) {
  return DoFindFirstEngine(filter, engine, find);
}
#endif
TE_EXPORT uint32_t SEMFindNextEngine(void* find, void** engine) {
  return DoFindNextEngine(find, engine);
}
TE_EXPORT uint32_t SEMFindFirstVoice(void* engine, uint32_t reserved, void* voice, void** find) {
  return DoFindFirstVoice(engine, reserved, voice, find);
}
TE_EXPORT uint32_t SEMFindNextVoice(void* find, void* voice) {
  return DoFindNextVoice(find, voice);
}
TE_EXPORT uint32_t SEMFindClose(void* find) {
  return DoFindClose(find);
}
TE_EXPORT uint32_t SEMGetEngineInfo(void* engine, uint32_t infoClass, void* record,
                                    uint32_t* size) {
  return DoGetEngineInfo(engine, infoClass, record, size);
}
TE_EXPORT uint32_t SEMEngineCtrl(void* engine, uint32_t code, void* data, uint32_t size) {
  return DoEngineCtrl(engine, code, data, size);
}
TE_EXPORT uint32_t TTSInitializeEx(void* reserved1, void* reserved2) {
  return DoInitialize(reserved1, reserved2);
}
TE_EXPORT uint32_t TTSUninitialize(void) {
  return DoUninitialize();
}
TE_EXPORT void* TTSConnect(void* block) {
  return DoConnect(block);
}
TE_EXPORT uint32_t TTSDisconnect(void* instance) {
  return DoDisconnect(instance);
}
TE_EXPORT uint32_t TTSGetParam(void* instance, uint32_t id, void* value, uint32_t* size) {
  return DoGetParam(instance, id, value, size);
}
TE_EXPORT uint32_t TTSSetParam(void* instance, uint32_t id, const void* value, uint32_t size) {
  return DoSetParam(instance, id, value, size);
}
TE_EXPORT uint32_t TTSClean(void* instance) {
  return DoClean(instance);
}
TE_EXPORT uint32_t TTSSynthText(void* instance, void* descriptor) {
  return DoSynthText(instance, descriptor);
}
TE_EXPORT uint32_t TTSFetchNext(void* instance, void* descriptor) {
  return DoFetchNext(instance, descriptor);
}
TE_EXPORT uint32_t TTSLoadUserLib(void* instance, void** userLib, const void* text,
                                  uint32_t byteLength) {
  return DoLoadUserLib(instance, userLib, text, byteLength);
}
TE_EXPORT uint32_t TTSUnloadUserLib(void* instance, void* userLib) {
  return DoUnloadUserLib(instance, userLib);
}

#endif
