// A patch made by TalvoPack's maker and applied as the updater applies it: from a file to a new
// file, the base in memory. Broken patches are refused with their reason and write nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Files.h"
#include "pack/PatchMaker.h"
#include "update/patch/Patch.h"

namespace {

using Bytes = std::string;

Bytes Random(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n, 0);
  for (char& c : b) c = char(rng() % 7 ? rng() % 16 : rng());  // somewhat compressible
  return b;
}

// A made-up program: MZ, then code full of calls and jumps, a few of them to moved targets,
// some across every 64 KB boundary.
Bytes Code(size_t n, unsigned seed, int moved) {
  Bytes b = "MZ" + Random(n - 2, seed);
  for (size_t i = 2; i + 5 <= n; i += 13) {
    const uint32_t target = 0x1000 + (i / 13 % 97) * 64 + (i / 13 % 97 < 5 ? moved : 0);
    const uint32_t rel = target - uint32_t(i + 5);
    b[i] = char(i % 2 ? 0xE8 : 0xE9);
    for (int k = 0; k < 4; ++k) b[i + 1 + k] = char(rel >> 8 * k);
  }
  return b;
}

Bytes Program(const char* path) {
  Bytes bytes;
  EXPECT_TRUE(support::ReadFile(support::WindowsPath(path), &bytes));
  return bytes;
}

struct TApplied {
  TPatchResult Result;
  Bytes Out;
};

// Applies the patch to base from files in a folder of the test's own.
TApplied Apply(const Bytes& patch, Bytes base) {
  support::TempDir dir;
  EXPECT_TRUE(support::WriteFile(dir / "p", patch));
  const HANDLE p =
      CreateFileA((dir / "p").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE out =
      CreateFileA((dir / "out").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  const Bytes kept = base;
  const TPatchResult r = ApplyPatch(p, reinterpret_cast<BYTE*>(&base[0]), DWORD(base.size()), out);
  CloseHandle(p);
  CloseHandle(out);
  EXPECT_EQ(kept, base) << "the base is as it was";
  return {r, support::Read(dir / "out")};
}

Bytes Make(const Bytes& base, const Bytes& result) {
  std::vector<uint8_t> patch;
  EXPECT_TRUE(MakePatch(reinterpret_cast<const uint8_t*>(base.data()), base.size(),
                        reinterpret_cast<const uint8_t*>(result.data()), result.size(), patch));
  return Bytes(patch.begin(), patch.end());
}

TEST(Patch, RoundTripsAndMatchesWhatTheBaseHas) {
  const Bytes data = Random(300000, 1);
  Bytes edited = data;
  std::mt19937 rng(2);
  for (int i = 0; i < 60; ++i) edited[rng() % edited.size()] ^= char(1 + rng() % 255);
  edited.insert(150000, Random(3000, 3));
  edited.erase(40000, 2000);
  const struct {
    const char* name;
    Bytes base, result;
    size_t largest;  // the patch's size at most
  } cases[] = {
      {"empty", "", "", 40},
      {"from nothing", "", Random(1000, 4), 1050},
      {"to nothing", data, "", 40},
      {"identical", data, data, 40},
      {"appended", data, data + Random(5000, 5), 5100},
      {"prepended", data, Random(5000, 6) + data, 5100},
      {"edited", data, edited, 20000},
      {"code with moved targets", Code(200000, 7, 0), Code(200000, 7, 32), 200000},
      {"a real program's editions", Program(TALVO_FAKE_VANTO_2025), Program(TALVO_FAKE_VANTO_2026),
       200000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes patch = Make(c.base, c.result);
    EXPECT_LE(patch.size(), c.largest);
    const TApplied applied = Apply(patch, c.base);
    EXPECT_EQ(TPatchResult::Ok, applied.Result);
    EXPECT_TRUE(applied.Out == c.result);
  }
  // Programs travel filtered; the filter's unfiltering streams across the output's buffers.
  EXPECT_EQ(1, Make(Code(200000, 7, 0), Code(200000, 7, 32))[6]);
}

// A patch of the format's parts, its header made to fit them unless told otherwise.
struct TParts {
  Bytes Control, Diff, Extra;
  uint32_t Base = 16, Result = 0;  // Result 0: the parts' sum
  uint16_t Version = 1, Flags = 0;
  int64_t Size = -1;  // of the control as the header says it; -1: its length
};

void Put(Bytes& b, uint32_t v, int n) {
  for (int k = 0; k < n; ++k) b += char(v >> 8 * k);
}

Bytes Build(const TParts& p) {
  Bytes b = "TPCH";
  Put(b, p.Version, 2);
  Put(b, p.Flags, 2);
  Put(b, p.Base, 4);
  Put(b, p.Result ? p.Result : uint32_t(p.Diff.size() + p.Extra.size()), 4);
  Put(b, p.Size < 0 ? uint32_t(p.Control.size()) : uint32_t(p.Size), 4);
  Put(b, uint32_t(p.Diff.size()), 4);
  Put(b, uint32_t(p.Extra.size()), 4);
  return b + p.Control + p.Diff + p.Extra;
}

TEST(Patch, BrokenPatchesAreRefusedBeforeAByteIsWritten) {
  const Bytes base = "0123456789abcdef";
  // add 4 (with differences), copy 4, seek 0: "0123" + "WXYZ".
  const TParts sound{Bytes("\x08\x04\x00", 3), Bytes(4, '\0'), "WXYZ"};
  auto with = [&](auto change) {
    TParts p = sound;
    change(p);
    return Build(p);
  };
  const Bytes built = Build(sound);
  Bytes renamed = built, cut = built.substr(0, 20), longer = built + "!";
  renamed[0] = 'X';
  const struct {
    const char* name;
    Bytes patch;
    TPatchResult expected;
  } cases[] = {
      {"cut in its header", cut, TPatchResult::BadHeader},
      {"another magic", renamed, TPatchResult::BadHeader},
      {"a later version", with([](TParts& p) { p.Version = 2; }), TPatchResult::BadHeader},
      {"an unknown flag", with([](TParts& p) { p.Flags = 2; }), TPatchResult::BadHeader},
      {"a byte after its parts", longer, TPatchResult::BadHeader},
      {"parts past its end", with([](TParts& p) { p.Size = 4; }), TPatchResult::BadHeader},
      {"a control of nearly 4 GB", with([](TParts& p) { p.Size = 0xFFFFFFFB; }),
       TPatchResult::BadHeader},
      {"parts larger than the result", with([](TParts& p) { p.Result = 7; }),
       TPatchResult::BadHeader},
      {"made for another base", with([](TParts& p) { p.Base = 17; }), TPatchResult::WrongBase},
      {"an add past the base", with([](TParts& p) {
         p.Control = Bytes("\x22\x00\x00", 3);
         p.Diff = Bytes(17, '\0');
         p.Extra = "";
       }),
       TPatchResult::BadControl},
      {"an exact add past the base", with([](TParts& p) { p.Control = Bytes("\x23\x00\x00", 3); }),
       TPatchResult::BadControl},
      {"a seek before the start", with([](TParts& p) { p.Control = "\x08\x04\x09"; }),
       TPatchResult::BadControl},
      {"a seek past the end", with([](TParts& p) { p.Control = "\x08\x04\x1A"; }),
       TPatchResult::BadControl},
      {"a huge seek", with([](TParts& p) { p.Control = "\x08\x04\xFE\xFF\xFF\xFF\x0F"; }),
       TPatchResult::BadControl},
      {"a copy past the extra",
       with([](TParts& p) { p.Control = Bytes("\x08\x04\x00\x00\x01\x00", 6); }),
       TPatchResult::BadControl},
      {"an add past the differences",
       with([](TParts& p) { p.Control = Bytes("\x08\x04\x00\x02\x00\x00", 6); }),
       TPatchResult::BadControl},
      {"a control that stops short", with([](TParts& p) { p.Control = Bytes("\x08\x00\x00", 3); }),
       TPatchResult::BadControl},
      {"a number cut short", with([](TParts& p) { p.Control = Bytes("\x08\x04\x80", 3); }),
       TPatchResult::BadControl},
      {"a number past 32 bits",
       with([](TParts& p) { p.Control = Bytes("\x08\x04\xFF\xFF\xFF\xFF\x1F", 7); }),
       TPatchResult::BadControl},
  };
  const TApplied good = Apply(built, base);
  ASSERT_EQ(TPatchResult::Ok, good.Result);
  EXPECT_EQ("0123WXYZ", good.Out);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TApplied applied = Apply(c.patch, base);
    EXPECT_EQ(c.expected, applied.Result);
    EXPECT_EQ("", applied.Out);
  }
}

}  // namespace
