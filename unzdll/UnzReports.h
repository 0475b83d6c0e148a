// The reports the library makes through the caller's callback (listed in README.md).
#pragma once

enum UnzReport {
  kRepRequest = 1,      // request record unusable
  kRepOpen = 2,         // archive cannot be opened
  kRepNotZip = 3,       // archive is not a ZIP archive
  kRepDirectory = 4,    // central directory damaged or cut short
  kRepRead = 5,         // archive could not be read while unpacking a member
  kRepMemory = 6,       // out of memory
  kRepMore = 7,         // summary of the reports past the first twenty
  kRepEncrypted = 10,   // encrypted member
  kRepMethod = 11,      // compression method other than stored or deflated
  kRepCrc = 12,         // CRC-32 mismatch
  kRepSize = 13,        // size mismatch
  kRepData = 14,        // damaged compressed data or local header
  kRepUnsafeName = 15,  // name refused as unsafe
  kRepCodePage = 16,    // name has no exact form in the ANSI code page
  kRepWrite = 17,       // file cannot be created or written
  kRepReplace = 18,     // finished file cannot be moved over its final name
  kRepTooLong = 19,     // name or path too long
};
