#pragma once
// Product files that another program has open (the product itself, running, is the usual
// case): renaming them away would fail, or pull a data file from under the program.

// The name of the program that holds the file, where the system can tell (its Restart
// Manager, Vista on); false where it cannot, as on XP.
bool HolderName(const char* path, wchar_t* name, int size);
