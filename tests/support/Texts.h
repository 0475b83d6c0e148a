#pragma once
// The updater's box texts as the user reads them (UTF-8, lines joined with CR LF).
#include <string>

namespace texts {

extern const char kCaption[];
extern const char kSucceeded[];  // the success question
// How an update that did not complete ends: nothing of the product had been changed, or
// what had been was undone.
extern const char kNotChanged[];
extern const char kRolledBack[];
extern const char kRecovered[];  // the next run undid an interrupted one
extern const char kReallyAbort[];
extern const char kNoArchive[];
// Folder refusals.
extern const char kEnterFolder[];
extern const char kMissing[];
extern const char kNotProduct[];
std::string TooLong(const std::string& folder);

std::string Disk(int n);  // the question for disk n
// A medium that its description does not prove.
extern const char kNotSigned[];
std::string Damaged(const std::string& archive);
std::string NotDisk(int n);  // a disk of another medium, or another number
// A file that could not be copied (from, to); an archive of the medium: to is the line that
// says the product cannot be updated.
extern const char kCopyError[];
std::string CopyError(const std::string& from, const std::string& to);
extern const char kCannotUpdate[];
// A product file in use, without the line that names the program holding it.
std::string HeldFile(const std::string& path);

// The lines of a text joined with another separator ("|", " | ").
std::string Lines(std::string text, const std::string& separator);

}  // namespace texts
