/* Substitute port-monitor program: starts and exits with code 0. */
#include "payload_programs/payload_module.h"

void TavroExeEntry(void) { ExitProcess(0); }
