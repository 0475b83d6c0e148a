// Where the medium is: a network drive runs one pass like a fixed one; a floppy whose
// updater sits in a subfolder asks for every disk and takes each disk's archives from that
// same subfolder.
#include "Update.h"

namespace run {
namespace {

using Names = std::vector<std::wstring>;

// The prefix's network drive N: (type "network" in Wine's drive table), pointed at a folder
// of the test's own; its own folder is put back on destruction.
class NetworkDrive {
public:
  ~NetworkDrive() {
    const std::string prefix = Prefix();
    Point(prefix.substr(0, prefix.find_last_of('/')) + "/network");
  }
  bool Share(const std::wstring& folder) { return Point(support::UnixPath(folder)); }

private:
  static std::string Prefix() {
    char prefix[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    return n && n < sizeof prefix ? prefix : "";
  }
  static bool Point(const std::string& target) {
    const std::string prefix = Prefix();
    if (prefix.empty() || target.empty() || (prefix + target).find('\'') != std::string::npos)
      return false;
    return ui::RunUnix("ln -sfn '" + target + "' '" + prefix + "/dosdevices/n:'");
  }
};

class Media : public Update {};
class MediaFloppy : public Update {};  // holds the floppy drive

TEST_F(Media, FromANetworkDriveOnePassAndTheSuccessQuestion) {
  ASSERT_EQ(GetDriveTypeW(L"N:\\"), UINT(DRIVE_REMOTE)) << "the prefix has no network drive N:";
  NetworkDrive n;
  const std::wstring share = t.Sub(L"share");
  ASSERT_TRUE(n.Share(share));
  ASSERT_FALSE(ui::MakeMedium(support::Join(share, L"Talvo")).empty());
  ASSERT_TRUE(support::WriteZip(support::Join(share, L"Talvo\\net.zip"),
                                {{"net.txt", "n"}, {"F.RTF", "f"}}));
  Start(L"N:\\Talvo\\TalvoUpdate.exe");

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::Read(Product(L"net.txt")), "n");
  EXPECT_EQ(support::Read(Product(L"Blanks\\F.RTF")), "f");
  EXPECT_TRUE(support::Exists(support::Join(share, L"Talvo\\net.zip"))) << "the medium was changed";
}

// Each disk keeps its archives in UPDATE; disk 2 has a stray archive in its root as well.
TEST_F(MediaFloppy, FromASubfolderEveryDiskIsReadFromThatSubfolder) {
  ui::Floppy drive;
  const std::wstring disk1 = t.Sub(L"disk1"), disk2 = t.Sub(L"disk2"), disk3 = t.Sub(L"disk3");
  ASSERT_FALSE(ui::MakeMedium(support::Join(disk1, L"UPDATE")).empty());
  ASSERT_TRUE(support::WriteZip(support::Join(disk1, L"UPDATE\\d1.zip"), {{"one.txt", "1"}}));
  ASSERT_TRUE(
      support::WriteZip(support::Join(t.Sub(L"disk2\\UPDATE"), L"d2.zip"), {{"two.txt", "2"}}));
  ASSERT_TRUE(support::WriteZip(support::Join(disk2, L"stray.zip"), {{"stray.txt", "root"}}));
  ASSERT_TRUE(
      support::WriteZip(support::Join(t.Sub(L"disk3\\UPDATE"), L"d3.zip"), {{"F3.RTF", "3"}}));
  ASSERT_TRUE(drive.SwapDisk(disk1));
  Start(L"A:\\UPDATE\\TalvoUpdate.exe");

  const std::wstring next[] = {disk2, disk3};
  for (int disk = 2; disk <= 3; ++disk) {
    ui::Box ask = NextBox();
    EXPECT_EQ(ui::Utf8(ask.text), texts::Disk(disk));
    EXPECT_EQ(ask.buttons, (std::vector<int>{IDOK, IDCANCEL}));
    ASSERT_TRUE(drive.SwapDisk(next[disk - 2]));
    ASSERT_TRUE(ui::Answer(ask, IDOK));
  }

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDCANCEL));
  ExpectClosedAndClean();
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe", L"one.txt", L"two.txt"}));
  EXPECT_EQ(support::List(Product(L"Blanks")), Names{L"F3.RTF"});
}

}  // namespace
}  // namespace run
