// Resource and command identifiers: the numbers under which every resource
// module (the program's own and the language packs) holds its strings, menus,
// accelerators, toolbars and bitmaps. A command id is also the number of the
// string that holds its status-bar prompt and, after a line feed, its tooltip.
#pragma once

#include <cstdint>

// Commands, with the name each one's action carries as its objectName.
#define VUDEZE_COMMANDS(X)       \
  X(ID_FILE_NEW, 57600)          \
  X(ID_FILE_OPEN, 57601)         \
  X(ID_FILE_SAVE, 57603)         \
  X(ID_FILE_SAVE_AS, 57604)      \
  X(ID_APP_EXIT, 57665)          \
  X(ID_EDIT_UNDO, 57643)         \
  X(ID_EDIT_CUT, 57635)          \
  X(ID_EDIT_COPY, 57634)         \
  X(ID_EDIT_PASTE, 57637)        \
  X(ID_EDIT_FIND, 57636)         \
  X(ID_EDIT_REPLACE, 57641)      \
  X(ID_EDIT_REPEAT, 57640)       \
  X(ID_EDIT_GOTO, 32797)         \
  X(ID_EDIT_SELECT_ALL, 57642)   \
  X(ID_VIEW_TOOLBAR, 59392)      \
  X(ID_VIEW_FORMATBAR, 32795)    \
  X(ID_VIEW_STATUS_BAR, 59393)   \
  X(ID_VIEW_CONTROLPANEL, 32783) \
  X(ID_VIEW_OUTPUT, 32784)       \
  X(ID_VIEW_SPEECHVIEW, 41300)   \
  X(ID_LANG_CHS, 32807)          \
  X(ID_LANG_ENU, 32799)          \
  X(ID_LANG_CHT, 32806)          \
  X(ID_VIEW_FULLSCREEN, 32808)   \
  X(ID_VIEW_FONT, 32819)         \
  X(ID_SYNTH_PLAY, 32786)        \
  X(ID_EXPORT, 32796)            \
  X(ID_SYNTH_PAUSE, 32787)       \
  X(ID_SYNTH_STOP, 32788)        \
  X(ID_ENGINE_CONFIG, 32813)     \
  X(ID_SYNTH_LOG, 33003)         \
  X(ID_SYNTH_LOG_SERIOUS, 33004) \
  X(ID_SYNTH_LOG_VIEW, 33005)    \
  X(ID_SYNTH_LOG_SEND, 33006)    \
  X(ID_SYNTH_LOG_HELP, 33007)    \
  X(ID_HELP_FINDER, 57666)       \
  X(ID_APP_ABOUT, 57664)         \
  X(ID_FORMAT_FONTNAME, 32790)   \
  X(ID_FORMAT_FONTSIZE, 32793)   \
  X(ID_FORMAT_ENCODING, 32801)   \
  X(ID_BATCH_NEXT, 111)          \
  X(ID_SHOW_ENGINE_TEXT, 1039)

#define VUDEZE_DEFINE_ID(name, value) inline constexpr uint32_t name = value;
VUDEZE_COMMANDS(VUDEZE_DEFINE_ID)
#undef VUDEZE_DEFINE_ID

// The recent-file list's commands: 57616 for the first of ten entries.
inline constexpr uint32_t ID_FILE_MRU_FILE1 = 57616;
inline constexpr uint32_t kRecentFileCount = 10;
// The code-page commands of the encoding menu (one per listed code page).
inline constexpr uint32_t ID_CODEPAGE_FIRST = 32820;
inline constexpr uint32_t ID_CODEPAGE_LAST = 33000;

// Status-bar panes.
inline constexpr uint32_t ID_SEPARATOR = 0;  // the message pane
inline constexpr uint32_t ID_INDICATOR_ENCODING = 110;
inline constexpr uint32_t ID_INDICATOR_CAPS = 59137;
inline constexpr uint32_t ID_INDICATOR_NUM = 59138;

// Bars.
inline constexpr uint32_t AFX_IDW_TOOLBAR = 59392;
inline constexpr uint32_t AFX_IDW_STATUS_BAR = 59393;
inline constexpr uint32_t ID_FORMATBAR = 32795;
inline constexpr uint32_t ID_CONTROLPANEL_BAR = 32783;
inline constexpr uint32_t ID_OUTPUT_BAR = 32784;
inline constexpr uint32_t ID_SPEECHVIEW_BAR = 41300;
inline constexpr uint32_t ID_INFO_TABLE = 32789;
inline constexpr uint32_t ID_LOGO_WND = 102618;

// Menus, accelerators, toolbars, document template.
inline constexpr uint32_t IDR_MAINFRAME = 101;
inline constexpr uint32_t IDR_POPUP_BARS = 103;
inline constexpr uint32_t IDR_FORMATBAR = 112;

// Bitmaps and icons.
inline constexpr uint32_t IDB_TOOLBAR_HOT = 104;
inline constexpr uint32_t IDB_TOOLBAR_NORMAL = 105;
inline constexpr uint32_t IDB_TOOLBAR_DISABLED = 121;
inline constexpr uint32_t IDB_FORMATBAR_DISABLED = 125;
inline constexpr uint32_t IDB_FORMATBAR_HOT = 126;
inline constexpr uint32_t IDB_FORMATBAR_NORMAL = 127;
inline constexpr uint32_t IDB_SPLASH = 109;
inline constexpr uint32_t IDB_ABOUT = 116;
inline constexpr uint32_t IDB_INFO_STATES = 120;
inline constexpr uint32_t IDB_SCROLL_ARROWS = 133;   // control panel scroll buttons
inline constexpr uint32_t IDB_SLIDER_THUMB = 17015;  // slider thumbs: active, idle
inline constexpr uint32_t IDI_ENCODING = 110;
inline constexpr uint32_t IDI_PROGRAM = 101;        // the window icon, 48 pixels
inline constexpr uint32_t IDI_PROGRAM_SMALL = 102;  // the same, 16 pixels

// Dialog templates.
inline constexpr uint32_t IDD_ABOUTBOX = 100;
inline constexpr uint32_t IDD_GOTO = 123;
inline constexpr uint32_t IDD_TTSCONF = 135;
inline constexpr uint32_t IDD_CONTROLPANEL = 106;
// The control panel's scroll buttons.
inline constexpr uint32_t ID_PANEL_MOVE_UPPER = 61237;
inline constexpr uint32_t ID_PANEL_MOVE_LOWER = 61238;
// The encoding list added to the export and text file dialogs: its label is
// dialog text "D122.259".
inline constexpr uint32_t IDD_ENCODING_TEMPLATE = 122;

// The encoding box of the open and save dialogs.
inline constexpr uint32_t IDC_ENCODING = 1035;

// Text files and encodings (40500-40599, and the numbered ones).
inline constexpr uint32_t IDS_ASK_CONVERT_CHINESE = 103;
inline constexpr uint32_t IDS_OPEN_NO_TEMPLATE = 61697;
inline constexpr uint32_t IDS_FILE_TOO_LARGE = 61701;
inline constexpr uint32_t IDS_AUTO_DETECT_ENCODING = 40500;
inline constexpr uint32_t IDS_ENCODING_UNICODE = 40501;
inline constexpr uint32_t IDS_CHINESE_CONVERSION_FAILED = 40502;
inline constexpr uint32_t IDS_FILE_REASON_NOT_FOUND = 40510;
inline constexpr uint32_t IDS_FILE_REASON_NO_FOLDER = 40511;
inline constexpr uint32_t IDS_FILE_REASON_DENIED = 40512;
inline constexpr uint32_t IDS_FILE_REASON_DISK_FULL = 40513;
inline constexpr uint32_t IDS_FILE_REASON_CODE_PAGE = 40514;
inline constexpr uint32_t IDS_FILE_REASON_IO = 40515;
inline constexpr uint32_t IDS_FILE_REASON_NAME_TOO_LONG = 40516;
inline constexpr uint32_t IDS_FILE_REASON_MEMORY = 40517;

// The splash screen and the logo window (40200-40299).
inline constexpr uint32_t IDS_LOGO_NAME = 40200;

// Strings.
inline constexpr uint32_t IDS_ASK_ENGINE_FROM_SHORTCUT = 106;
inline constexpr uint32_t IDS_SELECT_ENGINE_FIRST = 102;
inline constexpr uint32_t IDS_ENCODING_PANE = 110;
inline constexpr uint32_t AFX_IDS_APP_TITLE = 57344;
inline constexpr uint32_t AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr uint32_t IDS_NO_ENGINE_FOUND = 57628;
inline constexpr uint32_t IDS_MENUBAR_TITLE = 61204;
inline constexpr uint32_t IDS_TOOLBAR_TITLE = 61205;
inline constexpr uint32_t IDS_INFO_COLUMNS = 61206;
inline constexpr uint32_t IDS_FORMATBAR_TITLE = 61207;
inline constexpr uint32_t IDS_CONTROLPANEL_TITLE = 61208;
inline constexpr uint32_t IDS_OUTPUT_TITLE = 61209;
inline constexpr uint32_t IDS_INVALID_NUMBER = 61210;
inline constexpr uint32_t IDS_EXPORT_TITLE = 61233;
inline constexpr uint32_t IDS_SPLASH_FORMAT = 61212;
inline constexpr uint32_t IDS_INIT_FAILED_CODE = 61213;
inline constexpr uint32_t IDS_TITLE_SUFFIX = 61223;
inline constexpr uint32_t IDS_NO_SOUND_CARD = 61232;
inline constexpr uint32_t IDS_INIT_FAILED_RESOURCES = 61235;
inline constexpr uint32_t IDS_INIT_FAILED_BUSY = 61236;
inline constexpr uint32_t AFX_IDS_UNTITLED = 61443;
inline constexpr uint32_t IDS_EDIT_VIEW_NAME = 40001;
inline constexpr uint32_t IDS_FILE_ERROR_CODE = 40002;
inline constexpr uint32_t AFX_IDP_ASK_TO_SAVE = 61451;
inline constexpr uint32_t AFX_IDP_FAILED_TO_OPEN_DOC = 61453;
inline constexpr uint32_t AFX_IDP_FAILED_TO_SAVE_DOC = 61454;
inline constexpr uint32_t AFX_IDS_ALLFILTER = 61442;
inline constexpr uint32_t AFX_IDS_OPENFILE = 61440;
inline constexpr uint32_t AFX_IDS_SAVEFILE = 61441;
// The information table (40100-40199).
inline constexpr uint32_t IDS_INFO_RESULT_OK = 40100;
inline constexpr uint32_t IDS_INFO_RESULT_FAILED = 40101;
inline constexpr uint32_t IDS_INFO_RESULT_WARNING = 40102;
inline constexpr uint32_t IDS_INFO_COPY = 40103;
inline constexpr uint32_t IDS_INFO_SAVE_AS = 40104;
inline constexpr uint32_t IDS_INFO_SAVE_TITLE = 40105;
inline constexpr uint32_t IDS_INFO_SAVE_FILTER = 40106;
inline constexpr uint32_t IDS_INFO_SAVE_FAILED = 40107;
inline constexpr uint32_t IDS_INFO_SAVE_NAME = 40108;
// The engine configuration dialog and the About box (40300-40499).
inline constexpr uint32_t IDS_CONF_UNLOAD_ENGINE = 40300;
inline constexpr uint32_t IDS_CONF_LOAD_FAILED = 40301;
inline constexpr uint32_t IDS_CONF_QUERY_FAILED = 40302;
inline constexpr uint32_t IDS_CONF_INIT_FAILED = 40303;
inline constexpr uint32_t IDS_CONF_ASK_SAVE = 40304;
inline constexpr uint32_t IDS_CONF_ASK_CLOSE = 40305;
inline constexpr uint32_t IDS_CONF_LIBRARY_FILTER = 40306;
inline constexpr uint32_t IDS_CONF_BAD_ADDRESS = 40307;
inline constexpr uint32_t IDS_CONF_SAVE_FAILED = 40308;
inline constexpr uint32_t IDS_ABOUT_DEFAULT_ENGINE = 40350;
// The export dialog and the text fonts (40600-40699).
inline constexpr uint32_t IDS_EXPORT_NO_ENCODING = 40600;
inline constexpr uint32_t IDS_EXPORT_NO_FOLDER = 40601;
// Go to line, find and replace (40700-40799, and the numbered ones).
inline constexpr uint32_t IDC_LINE = 1042;
inline constexpr uint32_t IDS_FIND_NOT_FOUND = 61228;
inline constexpr uint32_t IDS_FIND_REPLACE_DONE = 61229;
inline constexpr uint32_t IDS_GOTO_NO_SUCH_LINE = 61231;
inline constexpr uint32_t AFX_IDP_PARSE_INT_RANGE = 61714;
inline constexpr uint32_t AFX_IDP_PARSE_UINT = 61719;
inline constexpr uint32_t IDS_FIND_CAPTION = 40700;
inline constexpr uint32_t IDS_REPLACE_CAPTION = 40701;
inline constexpr uint32_t IDS_FIND_WHAT = 40702;
inline constexpr uint32_t IDS_REPLACE_WITH = 40703;
inline constexpr uint32_t IDS_FIND_MATCH_CASE = 40704;
inline constexpr uint32_t IDS_FIND_WHOLE_WORD = 40705;
inline constexpr uint32_t IDS_FIND_DIRECTION = 40706;
inline constexpr uint32_t IDS_FIND_UP = 40707;
inline constexpr uint32_t IDS_FIND_DOWN = 40708;
inline constexpr uint32_t IDS_FIND_NEXT = 40709;
inline constexpr uint32_t IDS_REPLACE = 40710;
inline constexpr uint32_t IDS_REPLACE_ALL = 40711;
inline constexpr uint32_t IDS_FIND_CANCEL = 40712;
// The synthesis effect log (40800-40899): the banner (a printf format: host,
// user, library, version), the column titles, the severities, the display
// names of voices 0 to 7, the help box, failures, the support address.
inline constexpr uint32_t IDS_SYNTHLOG_BANNER = 40800;
inline constexpr uint32_t IDS_SYNTHLOG_TITLE_TIME = 40801;
inline constexpr uint32_t IDS_SYNTHLOG_TITLE_SEVERITY = 40802;
inline constexpr uint32_t IDS_SYNTHLOG_TITLE_SPEAKER = 40803;
inline constexpr uint32_t IDS_SYNTHLOG_TITLE_FOCUS = 40804;
inline constexpr uint32_t IDS_SYNTHLOG_TITLE_SENTENCE = 40805;
inline constexpr uint32_t IDS_SYNTHLOG_GENERAL = 40806;
inline constexpr uint32_t IDS_SYNTHLOG_SERIOUS = 40807;
inline constexpr uint32_t IDS_SYNTHLOG_VOICE_FIRST = 40810;  // to 40817
inline constexpr uint32_t IDS_SYNTHLOG_HELP_TITLE = 40820;
inline constexpr uint32_t IDS_SYNTHLOG_HELP = 40821;
inline constexpr uint32_t IDS_SYNTHLOG_WRITE_FAILED = 40822;
inline constexpr uint32_t IDS_SYNTHLOG_OPEN_FAILED = 40823;
inline constexpr uint32_t IDS_SYNTHLOG_MAIL_FAILED = 40824;
inline constexpr uint32_t IDS_SYNTHLOG_MAIL_ADDRESS = 40825;
inline constexpr uint32_t IDS_SYNTHLOG_NONE_YET = 40826;
// Word timings written beside an export (41000-41099).
inline constexpr uint32_t IDS_TIMINGS_ACTION = 41000;
inline constexpr uint32_t IDS_TIMINGS_WRITTEN = 41001;
inline constexpr uint32_t IDS_TIMINGS_FAILED = 41002;

// The speech view bar (41300-41399; the bar toggle is command 41300).
inline constexpr uint32_t IDS_SPEECHVIEW_TITLE = 41301;
inline constexpr uint32_t IDS_SPEECHVIEW_SECONDS = 41302;
inline constexpr uint32_t IDS_SPEECHVIEW_SPAN = 41303;
inline constexpr uint32_t IDS_SPEECHVIEW_EMPTY = 41304;
inline constexpr uint32_t IDS_SPEECHVIEW_NOT_KEPT = 41305;
inline constexpr uint32_t IDS_SPEECHVIEW_NO_FORMAT = 41306;
inline constexpr uint32_t IDS_SPEECHVIEW_TEXT_CHANGED = 41307;
inline constexpr uint32_t IDS_SPEECHVIEW_WORD = 41308;
inline constexpr uint32_t IDS_SPEECHVIEW_RANGE = 41309;
// Batch synthesis and the timing report (40900-40999).
inline constexpr uint32_t IDS_TIMING_ACTION = 40900;
inline constexpr uint32_t IDS_TIMING_DETAILS = 40901;
inline constexpr uint32_t IDS_TIMING_NO_AUDIO = 40902;
inline constexpr uint32_t IDS_BATCH_ACTION = 40903;
inline constexpr uint32_t IDS_BATCH_FILE = 40904;
inline constexpr uint32_t IDS_BATCH_NOT_REGULAR = 40905;
inline constexpr uint32_t IDS_BATCH_NO_TEXT = 40906;
inline constexpr uint32_t IDS_BATCH_HALTED = 40907;
inline constexpr uint32_t IDS_BATCH_SUMMARY = 40908;
inline constexpr uint32_t IDS_BATCH_USER_STOP = 40909;
inline constexpr uint32_t IDS_BATCH_FOLDER_TITLE = 40910;
inline constexpr uint32_t IDS_BATCH_NOT_OPENED = 40911;

// `vudeze --help` and `vudeze --version` (41400-41499).
inline constexpr uint32_t IDS_PROGRAM_USAGE = 41400;
inline constexpr uint32_t IDS_PROGRAM_ABOUT = 41401;
inline constexpr uint32_t IDS_PROGRAM_OPTIONS = 41402;
inline constexpr uint32_t IDS_PROGRAM_OPT_ENGINE = 41403;
inline constexpr uint32_t IDS_PROGRAM_OPT_ENGINE_HELP = 41404;
inline constexpr uint32_t IDS_PROGRAM_OPT_FILE = 41405;
inline constexpr uint32_t IDS_PROGRAM_OPT_FILE_HELP = 41406;
inline constexpr uint32_t IDS_PROGRAM_OPT_HELP = 41407;
inline constexpr uint32_t IDS_PROGRAM_OPT_VERSION = 41408;
inline constexpr uint32_t IDS_PROGRAM_MORE = 41409;
inline constexpr uint32_t IDS_PROGRAM_ENGINE_VERSION = 41410;
inline constexpr uint32_t IDS_PROGRAM_ENGINE_MISSING = 41411;
inline constexpr uint32_t IDS_PROGRAM_ENGINE_NO_NOTE = 41412;
