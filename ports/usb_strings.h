// Text operations of USB printer recognition on device instance ids such as
// USBPRINT\MODELX\7&2C1A6A9A&0&USB001. Pure functions: no Windows, no state. Every output is
// NUL-terminated and holds at most capacity - 1 characters; a capacity <= 0 writes nothing; a
// null input reads as empty text.
#pragma once

#include <cstddef>

// The text between the first backslash and the next one (or the end): MODELX.
void ExtractModelFromInstanceId(const wchar_t* instance_id, wchar_t* out, int capacity);

// "VID_xxxx&PID_yyyy" from the four characters after "vid_" and after "pid_" (searched
// case-sensitively, fewer when the text ends first); empty unless both occur.
void ExtractVidPid(const wchar_t* instance_id, wchar_t* out, int capacity);

// The port at the tail of the id: the text after the second backslash (and after a third one
// if there is one), from behind its last "&" when that has a character after it: USB001.
// Empty when the id has fewer than two backslashes.
void ExtractPortFromInstanceId(const wchar_t* instance_id, wchar_t* out, int capacity);

// The input without its "_" and "-" characters; everything else (spaces too) stays.
void StripSeparators(int capacity, const wchar_t* input, wchar_t* out);

// True when the id begins with "USBPRINT\" in any letter case.
bool HasUsbPrintPrefix(const wchar_t* instance_id);
