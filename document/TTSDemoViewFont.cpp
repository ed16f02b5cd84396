// The view's fonts and the format bar's font boxes.
#include "document/TTSDemoView.h"

void CTTSDemoView::RegisterFontCommands() {}

void CTTSDemoView::InitialFontUpdate() {}
