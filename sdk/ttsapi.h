/*
 * ttsapi.h - the interface between VUDEZE and a speech engine library.
 *
 * A speech engine library is a shared object that VUDEZE loads at run time by
 * full path (dlopen). It offers its engines either as plain exported C
 * functions (the function form) or as one engine object created by
 * CreateEngine (the object form). This header is all an engine maker needs;
 * it depends on nothing but <stdint.h>.
 *
 * Results are 32-bit codes of which callers use the low 16 bits; 0 is
 * success. Texts in records are zero-terminated multibyte texts in the
 * system's ANSI code page.
 *
 * Threads: TTSClean, TTSSynthText and TTSFetchNext are called on the
 * program's audio worker thread; every other entry point on its user
 * interface thread. The program holds no lock around the library, but never
 * calls two entry points at the same time on one instance.
 *
 * Memory: TTSSynthText takes the text by address; the text stays valid and
 * unchanged until TTSClean returns. The audio address that TTSFetchNext
 * stores in the descriptor belongs to the engine; it must stay valid until the
 * next TTSFetchNext or TTSClean on the same instance, and the program may read
 * it from another thread in between (it copies the audio out of it).
 *
 * A worked example: the text "Hi there." (9 bytes, code page default) gives
 * with TTSSynthText one call to set up, then TTSFetchNext calls such as
 *   piece 1: audio 3200 bytes, text start 9,  text end 9, status 1 (leading silence)
 *   piece 2: audio 6400 bytes, text start 0,  text end 1, status 1 ("Hi")
 *   piece 3: audio 9600 bytes, text start 3,  text end 8, status 1 ("there.")
 *   piece 4: audio 1600 bytes, text start 9,  text end 9, status 0 (trailing silence)
 * Text end is the offset of the piece's last byte; a piece whose text end lies
 * at or past the text size speaks no text of its own. Status bit 0 clear means
 * that no further audio follows; the audio of that last piece is still valid.
 */
#ifndef VUDEZE_TTSAPI_H
#define VUDEZE_TTSAPI_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- result codes ---------------------------------------------------- */
#define TTSERR_OK 0u
#define TTSERR_NOMODULE 6u       /* no engine library named */
#define TTSERR_ALREADYINIT 8u    /* already initialised; callers treat it as success */
#define TTSERR_NOENGINE 11u      /* no engine of that name at that address */
#define TTSERR_NOTREADY 17u      /* no library, or no instance */
#define TTSERR_NOINSTANCE 18u    /* no engine instance */
#define TTSERR_NOMORE 19u        /* enumeration ended */
#define TTSERR_INVALIDPARAM 20u  /* unknown parameter id, or a size that does not fit */
#define TTSERR_INVALIDVALUE 21u  /* a value the parameter does not take */
#define TTSERR_BADDESCRIPTOR 22u /* a null or malformed synthesis descriptor */
#define TTSERR_INVALIDARG 23u    /* a null pointer or a malformed record */
#define TTSERR_NOTSUPPORTED 24u  /* the engine does not offer this operation */
#define TTSERR_ENGINEFAIL 25u    /* the synthesiser itself failed */
#define TTSERR_RESOURCEBUSY 32u  /* resources held by another instance */
#define TTSERR_RESOURCES 1283u   /* engine resources missing or unreadable */
#define TTSERR_BADMODULE 2055u   /* not an engine library */

/* ---- parameters (TTSGetParam / TTSSetParam, 32-bit values) ------------ */
#define TTS_PARAM_VOICE 3u
#define TTS_PARAM_INPUTCODEPAGE 4u
#define TTS_PARAM_AUDIODATAFMT 5u
#define TTS_PARAM_RATE 6u
#define TTS_PARAM_AUDIOHEADFMT 7u
#define TTS_PARAM_VOLUME 8u
#define TTS_PARAM_PITCH 9u
#define TTS_PARAM_LINEBREAK 10u
#define TTS_PARAM_PUNCTUATION 13u
#define TTS_PARAM_NUMBERREADING 15u
#define TTS_PARAM_ENGLISHREADING 16u
#define TTS_PARAM_TEXTTYPE 17u
#define TTS_PARAM_PROMPTSOUND 19u
#define TTS_PARAM_BACKGROUNDSOUND 20u
#define TTS_PARAM_SYNTHLINK 21u
/* Read only. Holds an address: read it with an 8-byte value and size 8. */
#define TTS_PARAM_SPLASHTEXT 2713u

/* TTS_PARAM_INPUTCODEPAGE values */
#define TTS_CP_DEFAULT 0u /* the system ANSI code page */
#define TTS_CP_GBK 2u
#define TTS_CP_BIG5 3u
#define TTS_CP_UTF16LE 4u

/* TTS_PARAM_AUDIOHEADFMT values */
#define TTS_AHF_NONE 1u /* raw audio, no file header in the pieces */

/* SEMGetEngineInfo info class for the engine record */
#define TTS_ENGINEINFO_CLASS 19u

/* Engine record type and status, charset and markup codes */
#define TTS_ENGINE_TYPE_UNKNOWN 0u
#define TTS_ENGINE_TYPE_NUMBER 1u
#define TTS_ENGINE_TYPE_UNIVERSAL 2u
#define TTS_ENGINE_STATUS_UNKNOWN 0u
#define TTS_ENGINE_STATUS_LOAD 1u
#define TTS_ENGINE_STATUS_UNLOAD 2u
#define TTS_ENGINE_STATUS_DISABLE 3u
#define TTS_CHARSET_GB2312 1u
#define TTS_CHARSET_GBK 2u
#define TTS_CHARSET_BIG5 3u
#define TTS_CHARSET_UNICODE 4u
#define TTS_CHARSET_GB18030 5u
#define TTS_CHARSET_UTF8 6u
#define TTS_MARKUP_PLAIN 1u
#define TTS_MARKUP_CSSML 2u
#define TTS_MARKUP_SSML 3u

/* Voice record gender and age codes */
#define TTS_GENDER_UNKNOWN 0u
#define TTS_GENDER_FEMALE 1u
#define TTS_GENDER_MALE 2u
#define TTS_AGE_UNKNOWN 0u
#define TTS_AGE_CHILD 1u
#define TTS_AGE_YOUTH 2u
#define TTS_AGE_MIDDLE 3u
#define TTS_AGE_AGED 4u

/* Status bit of the synthesis descriptor: more audio follows. The program
 * calls TTSSynthText with the bit set; an engine may clear it there when the
 * text gives no audio, and clears it with the last piece of TTSFetchNext. */
#define TTS_STATUS_MORE 1u

#pragma pack(push, 1)

/* Engine filter: restricts SEMFindFirstEngine. */
#define TTS_FILTER_MATCH_ADDRESS 2u
typedef struct TTSEngineFilter {
  uint32_t size;           /* 0: 160 */
  uint32_t flags;          /* 4: TTS_FILTER_MATCH_ADDRESS */
  uint8_t reserved1[32];   /* 8 */
  char serverAddress[120]; /* 40 */
} TTSEngineFilter;

/* Engine record (info class TTS_ENGINEINFO_CLASS). */
typedef struct TTSEngineInfo {
  uint16_t size;          /* 0: 1762, set by the caller */
  uint32_t type;          /* 2: TTS_ENGINE_TYPE_* */
  uint32_t status;        /* 6: TTS_ENGINE_STATUS_* */
  char name[64];          /* 10 */
  char version[32];       /* 74 */
  char vendor[64];        /* 106 */
  char path[1024];        /* 170 */
  char serverAddress[32]; /* 1194 */
  uint32_t procid;        /* 1226 */
  uint32_t port;          /* 1230 */
  uint32_t stdeffi;       /* 1234 */
  uint32_t charsetCount;  /* 1238 */
  uint32_t charsets[32];  /* 1242: TTS_CHARSET_* */
  uint32_t markupCount;   /* 1370 */
  uint32_t markups[32];   /* 1374: TTS_MARKUP_* */
  char userLibs[260];     /* 1502: custom resources, ";"-separated */
} TTSEngineInfo;

/* Voice record. */
typedef struct TTSVoiceInfo {
  uint32_t size;               /* 0: 224, set by the caller */
  uint32_t voiceId;            /* 4: the value of TTS_PARAM_VOICE */
  uint32_t gender;             /* 8: TTS_GENDER_* */
  uint32_t age;                /* 12: TTS_AGE_* */
  char name[32];               /* 16 */
  uint32_t languageCount;      /* 48: at most 16 */
  uint32_t languageIds[16];    /* 52: Windows locale identifiers (2052, 1033, ...) */
  uint32_t languageValues[16]; /* 116 */
  uint32_t sampleRateCount;    /* 180: at most 8 */
  uint32_t sampleRates[8];     /* 184: Hz */
  uint32_t engineId;           /* 216 */
  uint32_t reserved;           /* 220 */
} TTSVoiceInfo;

/* Connect block for TTSConnect. */
#define TTS_CONNECT_VERSION 0x101u
typedef struct TTSConnectBlock {
  uint32_t version;       /* 0: TTS_CONNECT_VERSION */
  uint8_t reserved1[212]; /* 4 */
  char engineName[48];    /* 216 */
  uint8_t reserved2[32];  /* 264 */
  char serverAddress[36]; /* 296 */
  uint16_t errorCode;     /* 332: written by the engine when TTSConnect fails */
  uint8_t reserved3[78];  /* 334 */
} TTSConnectBlock;

/* Synthesis descriptor, shared by TTSSynthText and TTSFetchNext. */
typedef struct TTSSynthDesc {
  uint32_t reserved0;    /* 0 */
  uint32_t textSize;     /* 4: set by the program, bytes */
  uint32_t audioLength;  /* 8: set by the engine, bytes of the current piece */
  uint32_t reserved12;   /* 12 */
  uint32_t status;       /* 16: set by the engine, TTS_STATUS_MORE */
  uint16_t unreadStart;  /* 20: the program's own; engines leave it alone */
  uint32_t textStart;    /* 22: set by the engine, first byte of the piece's text */
  uint32_t textEnd;      /* 26: set by the engine, last byte of the piece's text */
  uint32_t reserved30;   /* 30 */
  uint64_t textAddress;  /* 34: set by the program */
  uint64_t audioAddress; /* 42: set by the engine, the current piece's audio */
  uint8_t reserved50[8]; /* 50 */
} TTSSynthDesc;

#pragma pack(pop)

#ifdef __cplusplus
#define TTS_STATIC_ASSERT static_assert
#else
#define TTS_STATIC_ASSERT _Static_assert
#endif
TTS_STATIC_ASSERT(sizeof(TTSEngineFilter) == 160, "engine filter size");
TTS_STATIC_ASSERT(offsetof(TTSEngineFilter, flags) == 4, "filter flags");
TTS_STATIC_ASSERT(offsetof(TTSEngineFilter, serverAddress) == 40, "filter address");
TTS_STATIC_ASSERT(sizeof(TTSEngineInfo) == 1762, "engine record size");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, type) == 2, "engine type");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, status) == 6, "engine status");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, name) == 10, "engine name");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, version) == 74, "engine version");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, vendor) == 106, "engine vendor");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, path) == 170, "engine path");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, serverAddress) == 1194, "engine address");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, procid) == 1226, "engine procid");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, stdeffi) == 1234, "engine stdeffi");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, charsetCount) == 1238, "charset count");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, charsets) == 1242, "charsets");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, markupCount) == 1370, "markup count");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, markups) == 1374, "markups");
TTS_STATIC_ASSERT(offsetof(TTSEngineInfo, userLibs) == 1502, "user libraries");
TTS_STATIC_ASSERT(sizeof(TTSVoiceInfo) == 224, "voice record size");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, voiceId) == 4, "voice id");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, gender) == 8, "voice gender");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, age) == 12, "voice age");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, name) == 16, "voice name");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, languageCount) == 48, "language count");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, languageIds) == 52, "language ids");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, languageValues) == 116, "language values");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, sampleRateCount) == 180, "rate count");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, sampleRates) == 184, "rates");
TTS_STATIC_ASSERT(offsetof(TTSVoiceInfo, engineId) == 216, "engine id");
TTS_STATIC_ASSERT(sizeof(TTSConnectBlock) == 412, "connect block size");
TTS_STATIC_ASSERT(offsetof(TTSConnectBlock, engineName) == 216, "connect name");
TTS_STATIC_ASSERT(offsetof(TTSConnectBlock, serverAddress) == 296, "connect address");
TTS_STATIC_ASSERT(offsetof(TTSConnectBlock, errorCode) == 332, "connect error");
TTS_STATIC_ASSERT(sizeof(TTSSynthDesc) == 58, "descriptor size");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, textSize) == 4, "text size");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, audioLength) == 8, "audio length");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, status) == 16, "status");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, unreadStart) == 20, "unread start");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, textStart) == 22, "text start");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, textEnd) == 26, "text end");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, textAddress) == 34, "text address");
TTS_STATIC_ASSERT(offsetof(TTSSynthDesc, audioAddress) == 42, "audio address");

/* ---- the function form ------------------------------------------------
 * Handles are opaque to the program. Those after TTSConnect take the instance
 * handle first. SEMFindFirstEngine is the one entry point a library must
 * export to be accepted in the function form. */
typedef uint32_t (*PFN_SEMFindFirstEngine)(const void* filter, void** engine, void** find);
typedef uint32_t (*PFN_SEMGetEngineInfo)(void* engine, uint32_t infoClass, void* record,
                                         uint32_t* size);
typedef uint32_t (*PFN_SEMFindNextEngine)(void* find, void** engine);
typedef uint32_t (*PFN_SEMFindFirstVoice)(void* engine, uint32_t reserved, void* voice,
                                          void** find);
typedef uint32_t (*PFN_SEMFindNextVoice)(void* find, void* voice);
typedef uint32_t (*PFN_SEMFindClose)(void* find);
typedef uint32_t (*PFN_SEMEngineCtrl)(void* engine, uint32_t code, void* data, uint32_t size);
typedef uint32_t (*PFN_TTSInitializeEx)(void* reserved1, void* reserved2);
typedef void* (*PFN_TTSConnect)(void* connectBlock);
typedef uint32_t (*PFN_TTSDisconnect)(void* instance);
typedef uint32_t (*PFN_TTSUninitialize)(void);
typedef uint32_t (*PFN_TTSGetParam)(void* instance, uint32_t id, void* value, uint32_t* size);
typedef uint32_t (*PFN_TTSSetParam)(void* instance, uint32_t id, const void* value, uint32_t size);
typedef uint32_t (*PFN_TTSClean)(void* instance);
typedef uint32_t (*PFN_TTSSynthText)(void* instance, void* descriptor);
typedef uint32_t (*PFN_TTSFetchNext)(void* instance, void* descriptor);
typedef uint32_t (*PFN_TTSLoadUserLib)(void* instance, void** userLib, const void* text,
                                       uint32_t byteLength);
typedef uint32_t (*PFN_TTSUnloadUserLib)(void* instance, void* userLib);

#ifdef __cplusplus
} /* extern "C" */

/* ---- the object form ---------------------------------------------------
 * A library may instead export
 *   uint32_t CreateEngine(uint32_t reserved, TTSEngineObject** out);  (reserved 0)
 *   void DestroyEngine(TTSEngineObject* object);
 * Both must be exported. The object's virtual functions are declared in slot
 * order; slot 0 is reserved and there is no virtual destructor: DestroyEngine
 * deletes the object. The records that EngineInfo and VoiceList return belong
 * to the object and stay valid until DestroyEngine. */
class TTSEngineObject {
 public:
  virtual void Reserved() = 0;                                       /* slot 0 */
  virtual const char* EngineName() = 0;                              /* slot 1 */
  virtual const TTSVoiceInfo* VoiceList(uint32_t* count) = 0;        /* slot 2 */
  virtual const TTSEngineInfo* EngineInfo() = 0;                     /* slot 3 */
  virtual uint32_t Initialize(void* reserved1, void* reserved2) = 0; /* slot 4 */
  virtual uint32_t Uninitialize() = 0;                               /* slot 5 */
  virtual void* Connect(void* connectBlock) = 0;                     /* slot 6 */
  virtual uint32_t Disconnect(void* instance) = 0;                   /* slot 7 */
  virtual uint32_t SynthText(void* instance, void* descriptor) = 0;  /* slot 8 */
  virtual uint32_t FetchNext(void* instance, void* descriptor) = 0;  /* slot 9 */
  virtual uint32_t Clean(void* instance) = 0;                        /* slot 10 */
  virtual uint32_t GetParam(void* instance, uint32_t id, void* value, uint32_t* size) = 0;
  virtual uint32_t SetParam(void* instance, uint32_t id, const void* value, uint32_t size) = 0;
  virtual uint32_t LoadUserLib(void* instance, void** userLib, const void* text,
                               uint32_t byteLength) = 0;             /* slot 13 */
  virtual uint32_t UnloadUserLib(void* instance, void* userLib) = 0; /* slot 14 */

 protected:
  ~TTSEngineObject() = default;
};
typedef uint32_t (*PFN_CreateEngine)(uint32_t reserved, TTSEngineObject** object);
typedef void (*PFN_DestroyEngine)(TTSEngineObject* object);
#else
typedef struct TTSEngineObject TTSEngineObject;
typedef uint32_t (*PFN_CreateEngine)(uint32_t reserved, TTSEngineObject** object);
typedef void (*PFN_DestroyEngine)(TTSEngineObject* object);
#endif

/* ---- version note -------------------------------------------------------
 * Every library carries its version in an ELF note section that the program
 * reads from the file without loading it. Use the macro once, at file scope,
 * with "key\0value\0" pairs:
 *   TTS_VERSION_NOTE(myengine, "FileVersion\0" "1.2.0.0\0" "ProductName\0" "My TTS\0");
 * Note layout: namesz 7, descsz, type 1, name "VUDEZE\0" padded to 8, then the
 * pairs padded to a multiple of 4. */
#define TTS_VERSION_NOTE_SECTION ".note.vudeze.version"
#define TTS_VERSION_NOTE_NAME "VUDEZE"
#define TTS_VERSION_NOTE_TYPE 1u
#define TTS_VERSION_NOTE(tag, pairs)                                                         \
  __attribute__((section(TTS_VERSION_NOTE_SECTION), used, aligned(4))) static const struct { \
    uint32_t namesz, descsz, type;                                                           \
    char name[8];                                                                            \
    char desc[(sizeof(pairs) + 3u) & ~3u];                                                   \
  } tts_version_note_##tag = {7u, (uint32_t)sizeof(pairs), TTS_VERSION_NOTE_TYPE,            \
                              TTS_VERSION_NOTE_NAME, pairs}

#endif /* VUDEZE_TTSAPI_H */
