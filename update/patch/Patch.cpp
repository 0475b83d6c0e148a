#include "update/patch/Patch.h"

#include <cstring>

#include "update/patch/PatchFormat.h"

namespace {

// The control is read, and the result written, through buffers of this size.
const DWORD Buffer = 64 * 1024;

// Windows runs little-endian, as the format is.
uint32_t Le32(const BYTE* p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return v;
}

// Reads exactly n bytes of the file at offset.
bool ReadAt(HANDLE file, DWORD offset, BYTE* to, DWORD n) {
  OVERLAPPED at = {};
  at.Offset = offset;
  DWORD got = 0;
  if (!ReadFile(file, to, n, &got, &at)) return false;
  if (got == n) return true;
  SetLastError(ERROR_HANDLE_EOF);  // the file grew shorter since its size was read
  return false;
}

class TApplier {
public:
  TApplier(HANDLE patch, BYTE* base, DWORD baseSize, HANDLE result, BYTE* buffers)
      : Patch(patch),
        Result(result),
        Base(base),
        BaseSize(baseSize),
        Control(buffers),
        Out(buffers + Buffer) {}

  // Walks the control from its start: with write, makes the result; without, only checks it.
  TPatchResult Run(const BYTE* header, bool filtered, bool write) {
    DWORD resultLeft = Le32(header + 12), diffLeft = Le32(header + 20),
          extraLeft = Le32(header + 24);
    ControlAt = patch::HeaderSize;
    ControlEnd = ControlAt + Le32(header + 16);
    ControlHave = ControlUsed = 0;
    DWORD diffAt = ControlEnd, extraAt = diffAt + diffLeft;
    DWORD pos = 0;
    Filtered = filtered;
    Fill = OutPos = 0;
    while (ControlUsed < ControlHave || ControlAt < ControlEnd) {
      uint32_t add, copy, seek;
      TPatchResult r = Number(&add);
      if (r == TPatchResult::Ok) r = Number(&copy);
      if (r == TPatchResult::Ok) r = Number(&seek);
      if (r != TPatchResult::Ok) return r;
      const bool exact = add & 1;
      add >>= 1;
      const long long move = seek & 1 ? -(long long)(seek >> 1) - 1 : (long long)(seek >> 1);
      const long long to = (long long)pos + add + move;
      if (add > resultLeft || add > BaseSize - pos || (!exact && add > diffLeft) ||
          copy > resultLeft - add || copy > extraLeft || to < 0 || to > BaseSize)
        return TPatchResult::BadControl;
      resultLeft -= add + copy;
      if (!exact) diffLeft -= add;
      extraLeft -= copy;
      if (write &&
          (!Emit(&diffAt, add, Base + pos, exact) || !Emit(&extraAt, copy, nullptr, false)))
        return Failed;
      pos = DWORD(to);
    }
    if (resultLeft || diffLeft || extraLeft) return TPatchResult::BadControl;
    return !write || Flush(true) ? TPatchResult::Ok : Failed;
  }

private:
  // The next number of the control.
  TPatchResult Number(uint32_t* value) {
    uint32_t v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      if (ControlUsed == ControlHave) {
        const DWORD n = ControlEnd - ControlAt < Buffer ? ControlEnd - ControlAt : Buffer;
        if (!n) return TPatchResult::BadControl;
        if (!ReadAt(Patch, ControlAt, Control, n)) return TPatchResult::ReadFailed;
        ControlAt += n;
        ControlHave = n;
        ControlUsed = 0;
      }
      const BYTE b = Control[ControlUsed++];
      if (shift == 28 && b > 0x0F) return TPatchResult::BadControl;
      v |= uint32_t(b & 0x7F) << shift;
      if (!(b & 0x80)) {
        *value = v;
        return TPatchResult::Ok;
      }
    }
    return TPatchResult::BadControl;
  }

  // Appends n bytes to the result: the patch's from *at, each plus its byte of base when
  // given, or the base's as they are when exact.
  bool Emit(DWORD* at, DWORD n, const BYTE* base, bool exact) {
    while (n) {
      const DWORD part = n < Buffer - Fill ? n : Buffer - Fill;
      BYTE* to = Out + Fill;
      if (exact) {
        CopyMemory(to, base, part);
      } else if (!ReadAt(Patch, *at, to, part)) {
        Failed = TPatchResult::ReadFailed;
        return false;
      } else {
        *at += part;
        if (base)
          for (DWORD i = 0; i < part; ++i) to[i] += base[i];
      }
      if (base) base += part;
      Fill += part;
      n -= part;
      if (Fill == Buffer && !Flush(false)) return false;
    }
    return true;
  }

  // Writes the buffered result; before the end, bytes that an unfiltered branch may still
  // take stay.
  bool Flush(bool last) {
    DWORD done = Fill;
    if (Filtered) {
      const DWORD final = patch::FilterBranches(Out, Fill, OutPos, false);
      if (!last) done = final;
    }
    DWORD written = 0;
    if (!WriteFile(Result, Out, done, &written, nullptr) || written != done) {
      Failed = TPatchResult::WriteFailed;
      return false;
    }
    MoveMemory(Out, Out + done, Fill - done);
    OutPos += done;
    Fill -= done;
    return true;
  }

  HANDLE Patch, Result;
  BYTE* Base;
  DWORD BaseSize;
  BYTE *Control, *Out;
  DWORD ControlAt = 0, ControlEnd = 0, ControlHave = 0, ControlUsed = 0;
  DWORD Fill = 0, OutPos = 0;
  bool Filtered = false;
  TPatchResult Failed = TPatchResult::Ok;
};

// Whether the header is ours and its parts add up to the patch and to the result.
bool SoundHeader(const BYTE* h, unsigned long long patchSize) {
  const uint32_t flags = h[6] | h[7] << 8;
  // Each below 2^31: the offsets of the parts stay within 32 bits.
  const unsigned long long result = Le32(h + 12), control = Le32(h + 16), diff = Le32(h + 20),
                           extra = Le32(h + 24);
  return !memcmp(h, patch::Magic, 4) && (h[4] | h[5] << 8) == patch::FormatVersion &&
         !(flags & ~patch::BranchFilter) && Le32(h + 8) <= patch::LargestFile &&
         result <= patch::LargestFile && control <= patch::LargestFile &&
         diff + extra <= result && patch::HeaderSize + control + diff + extra == patchSize;
}

}  // namespace

TPatchResult ApplyPatch(HANDLE patch, BYTE* base, DWORD baseSize, HANDLE result) {
  LARGE_INTEGER size;
  BYTE header[patch::HeaderSize];
  if (!GetFileSizeEx(patch, &size)) return TPatchResult::ReadFailed;
  if (size.QuadPart < patch::HeaderSize) return TPatchResult::BadHeader;
  if (!ReadAt(patch, 0, header, sizeof header)) return TPatchResult::ReadFailed;
  if (!SoundHeader(header, size.QuadPart)) return TPatchResult::BadHeader;
  if (Le32(header + 8) != baseSize) return TPatchResult::WrongBase;
  BYTE* buffers = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, 2 * Buffer));
  if (!buffers) return TPatchResult::NoMemory;
  const bool filtered = header[6] & patch::BranchFilter;
  if (filtered) patch::FilterBranches(base, baseSize, 0, true);
  TApplier applier(patch, base, baseSize, result, buffers);
  TPatchResult r = applier.Run(header, filtered, false);
  if (r == TPatchResult::Ok) r = applier.Run(header, filtered, true);
  const DWORD error = GetLastError();
  if (filtered) patch::FilterBranches(base, baseSize, 0, false);
  HeapFree(GetProcessHeap(), 0, buffers);
  SetLastError(error);
  return r;
}
