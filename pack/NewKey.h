#pragma once
// /NEWKEY: a new key pair for the publisher.
#include <string>

// Makes the pair in folder and says where each half goes; one of the exit codes.
int NewKey(const std::wstring& folder);
