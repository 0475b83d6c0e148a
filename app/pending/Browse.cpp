// Stand-in until folder selection is in the tree.
#include "app/UMain.h"

void TFMain::BtnBrowseClick() {}
