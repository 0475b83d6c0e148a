#pragma once
// Text at the edge of the form layer: bytes of a code page to UTF-16 and back.
#include "forms/Forms.h"

// Converts to the code page and copies what fits into buf with a NUL; returns the length of
// the whole converted text.
int Narrow(UINT codePage, const wchar_t* text, char* buf, int size);
