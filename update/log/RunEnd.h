#pragma once
// How a run ended.
enum class TRunEnd {
  NoLibrary,          // the unpacking library could not be used; nothing was changed
  FolderRefused,      // the folder text does not name a product folder the run can work in
  Busy,               // another run is updating that folder, or it cannot be locked;
                      // nothing was done
  NotFetched,         // the archives of the first disk could not be taken; product untouched
  NotChanged,         // the update did not complete; nothing of the product had been changed
  RolledBack,         // the update did not complete; the product was restored as it was
  RestoreIncomplete,  // the update did not complete and the product could not be restored
                      // fully: the previous files are kept in the backup folder
  Unreachable,        // the update's server could not be reached or did not answer; nothing
                      // was changed
  Current,            // the product already is the edition on offer; nothing was changed
  Succeeded,          // every file of every disk is in place
};
