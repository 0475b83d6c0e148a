// The reports the library makes through the caller's callback (listed in README.md).
#pragma once

enum class TUnzReport {
  Request = 1,      // request record unusable
  Open = 2,         // archive cannot be opened
  NotZip = 3,       // archive is not a ZIP archive
  Directory = 4,    // central directory damaged or cut short
  Read = 5,         // archive could not be read while unpacking a member
  Memory = 6,       // out of memory
  More = 7,         // summary of the reports past the first twenty
  Encrypted = 10,   // encrypted member
  Method = 11,      // compression method other than stored or deflated
  Crc = 12,         // CRC-32 mismatch
  Size = 13,        // size mismatch
  Data = 14,        // damaged compressed data or local header
  UnsafeName = 15,  // name refused as unsafe
  CodePage = 16,    // name has no exact form in the ANSI code page
  Write = 17,       // file cannot be created or written
  Replace = 18,     // finished file cannot be moved over its final name
  TooLong = 19,     // name or path too long
};
