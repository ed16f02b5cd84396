/*
 * A speech engine library as an outside engine maker would write it: plain
 * C, built from sdk/ttsapi.h alone, in the function form. It offers two
 * engines at different server addresses, each with its own voices, and
 * "speaks" every blank-separated word of a text as 100 ms of a square tone
 * (16-bit mono at the rate of the chosen audio format), one piece per word.
 *
 * Engines:  "TPVoiceA" at "127.0.0.1"  (voices 1 "Lan" and 2 "Feng")
 *           "TPVoiceB" at "10.20.30.40" (voice 7 "Mei")
 * Formats:  TTS_PARAM_AUDIODATAFMT accepts 3 (8000 Hz) and 4 (16000 Hz).
 *
 * Not thread-safe beyond what the interface promises: the program never
 * calls two entry points at the same time on one instance.
 */
#include <stdlib.h>
#include <string.h>

#include "sdk/ttsapi.h"

#define TP_EXPORT __attribute__((visibility("default")))

TTS_VERSION_NOTE(thirdparty,
                 "FileVersion\0"
                 "2.3.0.7\0"
                 "ProductName\0"
                 "Third Party Speech\0");

typedef struct TPEngine {
  const char* name;
  const char* address;
  const char* version;
  unsigned voiceFirst, voiceCount; /* a range of g_voices */
} TPEngine;

typedef struct TPVoice {
  uint32_t id, gender, age, engineId;
  const char* name;
  uint32_t language, languageValue;
  uint32_t rates[2];
  uint32_t rateCount;
} TPVoice;

static const TPEngine g_engines[] = {
    {"TPVoiceA", "127.0.0.1", "4.1", 0, 2},
    {"TPVoiceB", "10.20.30.40", "4.2", 2, 1},
};
#define TP_ENGINE_COUNT (sizeof g_engines / sizeof g_engines[0])

static const TPVoice g_voices[] = {
    {1, TTS_GENDER_FEMALE, TTS_AGE_YOUTH, 1, "Lan", 2052, 1, {16000, 8000}, 2},
    {2, TTS_GENDER_MALE, TTS_AGE_MIDDLE, 1, "Feng", 2052, 1, {16000, 0}, 1},
    {7, TTS_GENDER_FEMALE, TTS_AGE_CHILD, 2, "Mei", 1033, 0, {8000, 0}, 1},
};

typedef struct TPFind {
  int isVoice;
  unsigned next, end;
  const char* address; /* engine filter; NULL for none */
  char filterAddress[120];
} TPFind;

typedef struct TPInstance {
  const TPEngine* engine;
  uint32_t voice, format, codepage, rate, volume, pitch;
  unsigned char* text;
  uint32_t textSize;
  uint32_t at; /* next byte of the text to look at */
  int16_t* audio;
  int done;
} TPInstance;

static int g_initialized;

static void CopyField(char* field, size_t room, const char* text) {
  size_t n = strlen(text);
  if (n >= room) n = room - 1;
  memcpy(field, text, n);
  field[n] = '\0';
}

static int MatchesFilter(const TPFind* f, unsigned index) {
  return f->address == NULL || strcmp(g_engines[index].address, f->address) == 0;
}

TP_EXPORT uint32_t SEMFindFirstEngine(const void* filter, void** engine, void** find) {
  TPFind* f;
  if (engine == NULL || find == NULL) return TTSERR_INVALIDARG;
  f = (TPFind*)calloc(1, sizeof *f);
  if (f == NULL) return TTSERR_RESOURCES;
  f->end = TP_ENGINE_COUNT;
  if (filter != NULL) {
    const TTSEngineFilter* ef = (const TTSEngineFilter*)filter;
    if (ef->size == sizeof *ef && (ef->flags & TTS_FILTER_MATCH_ADDRESS)) {
      memcpy(f->filterAddress, ef->serverAddress, sizeof f->filterAddress);
      f->filterAddress[sizeof f->filterAddress - 1] = '\0';
      f->address = f->filterAddress;
    }
  }
  while (f->next < f->end && !MatchesFilter(f, f->next)) f->next++;
  if (f->next >= f->end) {
    free(f);
    return TTSERR_NOMORE;
  }
  *engine = (void*)&g_engines[f->next++];
  *find = f;
  return 0;
}

TP_EXPORT uint32_t SEMFindNextEngine(void* find, void** engine) {
  TPFind* f = (TPFind*)find;
  if (f == NULL || f->isVoice || engine == NULL) return TTSERR_INVALIDARG;
  while (f->next < f->end && !MatchesFilter(f, f->next)) f->next++;
  if (f->next >= f->end) return TTSERR_NOMORE;
  *engine = (void*)&g_engines[f->next++];
  return 0;
}

static const TPEngine* EngineOf(void* handle) {
  unsigned i;
  for (i = 0; i < TP_ENGINE_COUNT; ++i)
    if (handle == (const void*)&g_engines[i]) return &g_engines[i];
  return NULL;
}

TP_EXPORT uint32_t SEMGetEngineInfo(void* engine, uint32_t infoClass, void* record,
                                    uint32_t* size) {
  const TPEngine* e = EngineOf(engine);
  TTSEngineInfo* r = (TTSEngineInfo*)record;
  if (e == NULL || r == NULL || size == NULL) return TTSERR_INVALIDARG;
  if (infoClass != TTS_ENGINEINFO_CLASS) return TTSERR_INVALIDPARAM;
  if (*size < sizeof *r || r->size != sizeof *r) return TTSERR_INVALIDARG;
  memset(r, 0, sizeof *r);
  r->size = sizeof *r;
  r->type = TTS_ENGINE_TYPE_UNIVERSAL;
  r->status = TTS_ENGINE_STATUS_LOAD;
  CopyField(r->name, sizeof r->name, e->name);
  CopyField(r->version, sizeof r->version, e->version);
  CopyField(r->vendor, sizeof r->vendor, "Third Party Speech Ltd.");
  CopyField(r->path, sizeof r->path, "/opt/thirdparty/voices");
  CopyField(r->serverAddress, sizeof r->serverAddress, e->address);
  r->port = 13606;
  r->charsetCount = 2;
  r->charsets[0] = TTS_CHARSET_GBK;
  r->charsets[1] = TTS_CHARSET_UNICODE;
  r->markupCount = 1;
  r->markups[0] = TTS_MARKUP_PLAIN;
  *size = sizeof *r;
  return 0;
}

static void FillVoice(TTSVoiceInfo* v, const TPVoice* src) {
  memset(v, 0, sizeof *v);
  v->size = sizeof *v;
  v->voiceId = src->id;
  v->gender = src->gender;
  v->age = src->age;
  CopyField(v->name, sizeof v->name, src->name);
  v->languageCount = 1;
  v->languageIds[0] = src->language;
  v->languageValues[0] = src->languageValue;
  v->sampleRateCount = src->rateCount;
  v->sampleRates[0] = src->rates[0];
  v->sampleRates[1] = src->rates[1];
  v->engineId = src->engineId;
}

TP_EXPORT uint32_t SEMFindFirstVoice(void* engine, uint32_t reserved, void* voice, void** find) {
  const TPEngine* e = EngineOf(engine);
  TPFind* f;
  if (e == NULL || voice == NULL || find == NULL) return TTSERR_INVALIDARG;
  if (((TTSVoiceInfo*)voice)->size != sizeof(TTSVoiceInfo)) return TTSERR_INVALIDARG;
  if (e->voiceCount == 0) return TTSERR_NOMORE;
  f = (TPFind*)calloc(1, sizeof *f);
  if (f == NULL) return TTSERR_RESOURCES;
  f->isVoice = 1;
  f->next = e->voiceFirst;
  f->end = e->voiceFirst + e->voiceCount;
  FillVoice((TTSVoiceInfo*)voice, &g_voices[f->next++]);
  *find = f;
  return 0;
}

TP_EXPORT uint32_t SEMFindNextVoice(void* find, void* voice) {
  TPFind* f = (TPFind*)find;
  if (f == NULL || !f->isVoice || voice == NULL) return TTSERR_INVALIDARG;
  if (((TTSVoiceInfo*)voice)->size != sizeof(TTSVoiceInfo)) return TTSERR_INVALIDARG;
  if (f->next >= f->end) return TTSERR_NOMORE;
  FillVoice((TTSVoiceInfo*)voice, &g_voices[f->next++]);
  return 0;
}

TP_EXPORT uint32_t SEMFindClose(void* find) {
  free(find);
  return 0;
}

TP_EXPORT uint32_t SEMEngineCtrl(void* engine, uint32_t code, void* data, uint32_t size) {
  (void)engine;
  (void)code;
  (void)data;
  (void)size;
  return TTSERR_NOTSUPPORTED;
}

TP_EXPORT uint32_t TTSInitializeEx(void* reserved1, void* reserved2) {
  (void)reserved1;
  (void)reserved2;
  if (g_initialized) return TTSERR_ALREADYINIT;
  g_initialized = 1;
  return 0;
}

TP_EXPORT uint32_t TTSUninitialize(void) {
  g_initialized = 0;
  return 0;
}

TP_EXPORT void* TTSConnect(void* connectBlock) {
  TTSConnectBlock* b = (TTSConnectBlock*)connectBlock;
  TPInstance* inst;
  unsigned i;
  if (b == NULL) return NULL;
  if (!g_initialized) {
    b->errorCode = TTSERR_NOTREADY;
    return NULL;
  }
  for (i = 0; i < TP_ENGINE_COUNT; ++i) {
    if (strncmp(b->engineName, g_engines[i].name, sizeof b->engineName) == 0 &&
        strncmp(b->serverAddress, g_engines[i].address, sizeof b->serverAddress) == 0)
      break;
  }
  if (i == TP_ENGINE_COUNT) {
    b->errorCode = TTSERR_NOENGINE;
    return NULL;
  }
  inst = (TPInstance*)calloc(1, sizeof *inst);
  if (inst == NULL) {
    b->errorCode = TTSERR_RESOURCES;
    return NULL;
  }
  inst->engine = &g_engines[i];
  inst->voice = g_voices[g_engines[i].voiceFirst].id;
  inst->format = 4;
  inst->rate = 5;
  inst->volume = 5;
  inst->pitch = 5;
  inst->done = 1;
  return inst;
}

static void Clear(TPInstance* inst) {
  free(inst->text);
  free(inst->audio);
  inst->text = NULL;
  inst->audio = NULL;
  inst->textSize = 0;
  inst->at = 0;
  inst->done = 1;
}

TP_EXPORT uint32_t TTSDisconnect(void* instance) {
  TPInstance* inst = (TPInstance*)instance;
  if (inst == NULL) return TTSERR_NOINSTANCE;
  Clear(inst);
  free(inst);
  return 0;
}

static uint32_t* ParamOf(TPInstance* inst, uint32_t id) {
  switch (id) {
    case TTS_PARAM_VOICE:
      return &inst->voice;
    case TTS_PARAM_AUDIODATAFMT:
      return &inst->format;
    case TTS_PARAM_INPUTCODEPAGE:
      return &inst->codepage;
    case TTS_PARAM_RATE:
      return &inst->rate;
    case TTS_PARAM_VOLUME:
      return &inst->volume;
    case TTS_PARAM_PITCH:
      return &inst->pitch;
    default:
      return NULL;
  }
}

TP_EXPORT uint32_t TTSGetParam(void* instance, uint32_t id, void* value, uint32_t* size) {
  TPInstance* inst = (TPInstance*)instance;
  uint32_t* p;
  if (inst == NULL) return TTSERR_NOINSTANCE;
  if (value == NULL || size == NULL) return TTSERR_INVALIDARG;
  if (id == TTS_PARAM_SPLASHTEXT && *size == 8) {
    static const char splash[] = "Third Party Speech 2.3";
    uint64_t address = (uint64_t)(uintptr_t)splash;
    memcpy(value, &address, 8);
    return 0;
  }
  p = ParamOf(inst, id);
  if (p == NULL || *size != 4) return TTSERR_INVALIDPARAM;
  memcpy(value, p, 4);
  return 0;
}

TP_EXPORT uint32_t TTSSetParam(void* instance, uint32_t id, const void* value, uint32_t size) {
  TPInstance* inst = (TPInstance*)instance;
  uint32_t* p;
  uint32_t v;
  unsigned i;
  if (inst == NULL) return TTSERR_NOINSTANCE;
  if (value == NULL) return TTSERR_INVALIDARG;
  p = ParamOf(inst, id);
  if (p == NULL || size != 4) return TTSERR_INVALIDPARAM;
  memcpy(&v, value, 4);
  if (id == TTS_PARAM_AUDIODATAFMT && v != 3 && v != 4) return TTSERR_INVALIDVALUE;
  if (id == TTS_PARAM_VOICE) {
    const TPEngine* e = inst->engine;
    for (i = e->voiceFirst; i < e->voiceFirst + e->voiceCount; ++i)
      if (g_voices[i].id == v) break;
    if (i == e->voiceFirst + e->voiceCount) return TTSERR_INVALIDVALUE;
  }
  *p = v;
  return 0;
}

TP_EXPORT uint32_t TTSClean(void* instance) {
  if (instance == NULL) return TTSERR_NOINSTANCE;
  Clear((TPInstance*)instance);
  return 0;
}

TP_EXPORT uint32_t TTSSynthText(void* instance, void* descriptor) {
  TPInstance* inst = (TPInstance*)instance;
  TTSSynthDesc* d = (TTSSynthDesc*)descriptor;
  if (inst == NULL) return TTSERR_NOINSTANCE;
  if (d == NULL || (d->textSize > 0 && d->textAddress == 0)) return TTSERR_BADDESCRIPTOR;
  Clear(inst);
  inst->text = (unsigned char*)malloc(d->textSize + 1);
  if (inst->text == NULL) return TTSERR_RESOURCES;
  if (d->textSize > 0) memcpy(inst->text, (const void*)(uintptr_t)d->textAddress, d->textSize);
  inst->textSize = d->textSize;
  inst->done = 0;
  return 0;
}

static int IsBlank(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/* One piece per word; the last piece clears the status bit. A text without
 * words gives one empty piece. */
TP_EXPORT uint32_t TTSFetchNext(void* instance, void* descriptor) {
  TPInstance* inst = (TPInstance*)instance;
  TTSSynthDesc* d = (TTSSynthDesc*)descriptor;
  uint32_t start, end, rate, samples, i, more;
  if (inst == NULL) return TTSERR_NOINSTANCE;
  if (d == NULL) return TTSERR_BADDESCRIPTOR;
  if (inst->done) {
    d->audioLength = 0;
    d->status = 0;
    return TTSERR_NOMORE;
  }
  while (inst->at < inst->textSize && IsBlank(inst->text[inst->at])) inst->at++;
  start = inst->at;
  while (inst->at < inst->textSize && !IsBlank(inst->text[inst->at])) inst->at++;
  end = inst->at;
  while (inst->at < inst->textSize && IsBlank(inst->text[inst->at])) inst->at++;
  more = inst->at < inst->textSize;

  rate = inst->format == 3 ? 8000 : 16000;
  samples = start < end ? rate / 10 : 0;
  free(inst->audio);
  inst->audio = (int16_t*)malloc((samples ? samples : 1) * sizeof(int16_t));
  if (inst->audio == NULL) return TTSERR_RESOURCES;
  for (i = 0; i < samples; ++i) inst->audio[i] = (i / (rate / 400)) % 2 ? 6000 : -6000;

  d->audioLength = samples * (uint32_t)sizeof(int16_t);
  d->audioAddress = (uint64_t)(uintptr_t)inst->audio;
  d->textStart = start < end ? start : inst->textSize;
  d->textEnd = start < end ? end - 1 : inst->textSize;
  d->status = more ? TTS_STATUS_MORE : 0;
  if (!more) inst->done = 1;
  return 0;
}

TP_EXPORT uint32_t TTSLoadUserLib(void* instance, void** userLib, const void* text,
                                  uint32_t byteLength) {
  (void)text;
  (void)byteLength;
  if (instance == NULL) return TTSERR_NOINSTANCE;
  if (userLib == NULL) return TTSERR_INVALIDARG;
  return TTSERR_NOTSUPPORTED;
}

TP_EXPORT uint32_t TTSUnloadUserLib(void* instance, void* userLib) {
  if (instance == NULL) return TTSERR_NOINSTANCE;
  return userLib == NULL ? 0 : TTSERR_INVALIDARG;
}
