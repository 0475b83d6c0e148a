#include "pack/Layout.h"

#include <algorithm>

#include "pack/Console.h"

namespace {

// Entries of an archive without ZIP64.
const size_t MostMembers = 0xFFFF;

void Add(TArchivePlan* archive, const TMember* m) {
  archive->Members.push_back(m);
  archive->Bytes += MemberBytes(*m);
}

}  // namespace

std::wstring ArchiveName(int disk) {
  return disk ? L"TALVO" + std::to_wstring(disk) + L".ZIP" : L"TALVO.ZIP";
}

TFailure PlanFolder(const std::vector<TMember>& members, std::vector<TArchivePlan>* out) {
  TArchivePlan archive;
  archive.Name = ArchiveName(0);
  for (const TMember& m : members) Add(&archive, &m);
  if (archive.Bytes > LargestMember || archive.Members.size() > MostMembers)
    return Failed(DoesNotFit, L"",
                  L"Един архив не побира " + Count(archive.Members.size()) + L" файла и " +
                      Count(archive.Bytes) + L" байта (най-много " + Count(MostMembers) +
                      L" файла и " + Count(LargestMember) + L" байта).");
  out->assign(1, archive);
  return {};
}

TFailure PlanFloppies(const std::vector<TMember>& members, unsigned long long programs,
                      std::vector<TArchivePlan>* out) {
  const unsigned long long whole = DiskBytes - DiskReserve;
  unsigned long long room[FloppyDisks], total = 0, needed = FloppyDisks * ArchiveEndBytes;
  for (int d = 0; d < FloppyDisks; ++d) {
    room[d] = d > 0 ? whole : programs < whole ? whole - programs : 0;
    total += room[d];
  }
  TFailure large;
  for (const TMember& m : members) {
    needed += MemberBytes(m);
    if (OnDisk(ArchiveEndBytes + MemberBytes(m)) > room[1])
      large.Add(DoesNotFit,
                {m.File->Path, L": компресиран е " + Count(m.Packed) +
                                   L" байта, а архивът на една дискета побира най-много " +
                                   Count(room[1] - ArchiveEndBytes - MemberBytes(m) + m.Packed) +
                                   L" байта."});
  }
  if (large) return large;

  std::vector<const TMember*> largestFirst;
  for (const TMember& m : members) largestFirst.push_back(&m);
  std::stable_sort(largestFirst.begin(), largestFirst.end(),
                   [](const TMember* a, const TMember* b) { return a->Packed > b->Packed; });
  std::vector<TArchivePlan> disks(FloppyDisks);
  const auto left = [&](int d) { return room[d] - OnDisk(disks[d].Bytes); };
  for (const TMember* m : largestFirst) {
    int best = -1;
    for (int d = 0; d < FloppyDisks; ++d) {
      if (OnDisk(disks[d].Bytes + MemberBytes(*m)) > room[d]) continue;
      const bool empty = disks[d].Members.empty();
      if (best < 0 || (empty && !disks[best].Members.empty()) ||
          (empty == disks[best].Members.empty() && left(d) > left(best)))
        best = d;
    }
    if (best < 0) break;
    Add(&disks[best], m);
  }
  // Every disk carries its archive, even one without a member (disk 1 after the programs).
  size_t placed = 0;
  bool fit = true;
  for (int d = 0; d < FloppyDisks; ++d) {
    placed += disks[d].Members.size();
    fit = fit && OnDisk(disks[d].Bytes) <= room[d];
  }
  if (!fit || placed < members.size())
    return Failed(DoesNotFit, L"",
                  L"Актуализацията не се побира на три дискети: архивите ѝ са " + Count(needed) +
                      L" байта, а място за тях има " + Count(total) + L" байта.");
  for (int d = 0; d < FloppyDisks; ++d) {
    disks[d].Name = ArchiveName(d + 1);
    // The members lie in the edition's order in one vector.
    std::sort(disks[d].Members.begin(), disks[d].Members.end());
  }
  *out = disks;
  return {};
}
