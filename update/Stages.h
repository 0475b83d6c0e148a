#pragma once
// The three stages of one pass over a disk of the update medium.

// Copies the archives beside the updater into the work folder; false (and Aborted) when a
// copy fails or there is no archive at all.
bool FetchArchives();

// Unpacks every archive of the work folder there and deletes it; false when the unpacker
// refused. An archive the library reported errors for sets Aborted but does not stop it.
bool UnpackArchives();

// Copies every file of the work folder into the product folder, rich-text files into its
// Blanks subfolder; reports each failed copy and goes on.
bool DistributeFiles();
