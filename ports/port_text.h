// Text operations on port names and device ids shared by the port lists. Pure functions; a null
// text reads as empty.
#pragma once

#include <cstddef>

// Removes one ":" at the end of the NUL-terminated text, if there is one.
void StripTrailingColon(wchar_t* text);

// The text after the last backslash, or "" when there is none (points into `text`).
const wchar_t* AfterLastBackslash(const wchar_t* text);
