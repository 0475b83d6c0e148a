#pragma once
// The names of an update: which archives of a medium belong to it, where each file it brings
// goes in the product folder, and which names the updater keeps for itself. The updater
// places files by these rules and the publisher's tool checks an edition against them.

// The product's main program: its presence marks the product folder.
inline constexpr char ProductProgram[] = "Vanto.exe";
// The log of the updater's runs in the product folder: never a product file, placing and
// rollback skip it.
inline constexpr char LogFileName[] = "TalvoUpdate.log";
// The product's subfolder of rich-text forms.
inline constexpr char FormsFolder[] = "Blanks";

// Equal without regard to the case of the ASCII letters; other bytes must match exactly.
bool EqualsAsciiNoCase(const char* a, const char* b);

// An archive of the medium that is part of the update: *.zip, but never the installer's
// WinTalvo.zip, and no name that begins with a dot.
bool IsUpdateArchive(const char* name);

// A rich-text form (*.rtf): it goes to the forms folder.
bool IsRichText(const char* name);

// A file the updater puts into the product: not one of its own (the lock, the log) and no
// name that begins with a dot (the work folder's journal and backups).
bool IsProductFile(const char* name);

// A name the updater keeps for itself in the product folder: its lock, its log, its work
// folders (Temp and digits) and its temporaries (~tlv, digits, .tmp); names that begin with a
// dot. An edition must not bring a file of such a name.
bool IsReservedName(const char* name);

// A file name the updater can create in a folder of Windows, by the rule UNZDLL.DLL unpacks
// by (unz::IsSafeName), and shorter than a path.
bool IsSafeName(const char* name);

// A name relative to the product folder that the updater puts files at: a product file at the
// top, or a rich-text form in the forms folder (Blanks\name).
bool IsPlacedName(const char* name);
