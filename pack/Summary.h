#pragma once
// What TalvoPack says of a medium it made: the one file, each archive, the whole, the
// signature, and what each floppy holds.
#include <string>
#include <vector>

#include "pack/Layout.h"
#include "pack/Medium.h"

void Summary(const std::wstring& out, bool floppy, bool oneFile,
             const std::vector<TArchivePlan>& plan, const TSigning& signing);
