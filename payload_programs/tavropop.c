/* Substitute popup program: starts and exits with code 0; it shows nothing. */
#include "payload_programs/payload_module.h"

void TavroExeEntry(void) { ExitProcess(0); }
