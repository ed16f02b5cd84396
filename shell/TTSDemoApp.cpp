#include "shell/TTSDemoApp.h"

#include "framework/ResourceModule.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"

namespace {
CTTSDemoApp* g_theApp = nullptr;
}

CTTSDemoApp* TheApp() {
  return g_theApp;
}

CTTSDemoApp::CTTSDemoApp() : m_strPackDir(GetAppDir()), m_nLangID(ID_LANG_CHS) {
  g_theApp = this;
}

CTTSDemoApp::~CTTSDemoApp() {
  AfxSetResourceHandle(nullptr);
  if (g_theApp == this) g_theApp = nullptr;
}

bool CTTSDemoApp::InitInstance() {
  return false;
}

int CTTSDemoApp::ExitInstance() {
  return CWinApp::ExitInstance();
}

bool CTTSDemoApp::SwitchLanguage(uint32_t, CResourceModule*) {
  return false;
}

void CTTSDemoApp::SelectStartupLanguage() {}
