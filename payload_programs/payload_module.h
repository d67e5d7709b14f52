/* Shared by the substitute payload programs: the entry points of a program built without the C
   runtime (no CRT start-up code, so each file stays a few kilobytes). */
#ifndef TAVRO_PAYLOAD_MODULE_H
#define TAVRO_PAYLOAD_MODULE_H

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

/* The version every substitute program reports: major in the high word, minor in the low word. */
#define TAVRO_PAYLOAD_VERSION 0x00010000u

#endif
