#pragma once
// Where the running updater was started from: the medium of its update.
#include "update/medium/Medium.h"

// The medium the running updater was started from.
TMedium OwnMedium();
