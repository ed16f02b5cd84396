// Go to line, find and replace, with their results in the status bar.
#include "document/TTSDemoView.h"

void CTTSDemoView::RegisterFindCommands() {}
