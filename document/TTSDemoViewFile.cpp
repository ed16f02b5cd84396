// The view's files and code pages: serialisation, the code-page commands,
// the encoding pane.
#include "document/TTSDemoView.h"

void CTTSDemoView::RegisterFileCommands() {}

void CTTSDemoView::UpdateEncodingPane() {}
