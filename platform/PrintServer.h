#pragma once
// The print system's server as the calling thread reaches it. A server that does not answer
// makes every request wait for the network's time-outs (minutes); a thread that has found so
// can turn to no server at all, so that its requests fail at once, and back again later.

// The server the system's settings name, as at start.
void UseDefaultPrintServer();
// No server: every request of this thread fails at once, as on a system without printers.
void UseNoPrintServer();
