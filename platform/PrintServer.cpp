#include "platform/PrintServer.h"

#include <cups/cups.h>

void UseDefaultPrintServer() { cupsSetServer(nullptr); }

// A local socket that never exists: connecting fails at once.
void UseNoPrintServer() { cupsSetServer("/nonexistent/tabrix-no-print-server"); }
