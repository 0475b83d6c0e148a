#pragma once
// /NEWKEY: a new key pair for the publisher.
#include <string>

#include "pack/Failure.h"

// Makes the pair in folder and says where each half goes.
TFailure NewKey(const std::wstring& folder);
