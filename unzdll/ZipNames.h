// Member names: decoding, flattening, the checks that keep every file inside the target
// folder, and file spec matching. Pure functions over UTF-16 code units.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unz {

const size_t BadName = size_t(-1);

// Strict UTF-8 to UTF-16: overlong forms, surrogates and values past U+10FFFF are refused.
// Returns the number of code units written, or BadName (also when out is too small).
size_t Utf8ToUtf16(const uint8_t* s, size_t n, char16_t* out, size_t cap);

// Index of the first unit after the last / or backslash: only that part of a stored name is
// ever used.
size_t BaseNameStart(const char16_t* w, size_t n);

// True for a name that is safe as a plain file directly in the current folder: not empty,
// not "." or "..", no colon, control character or any of < > " | ? * / backslash, not ending
// in a dot or blank, and not a DOS device name (with or without an extension).
bool IsSafeName(const char16_t* w, size_t n);

// Wildcard match with * and ?, exact per unit (callers fold case first). A pattern ending in
// ".*" also matches names without a dot, so "*.*" matches every name.
bool MatchSpec(const char16_t* spec, size_t specLen, const char16_t* name, size_t nameLen);

}  // namespace unz
