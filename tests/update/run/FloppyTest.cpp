// The update from a floppy: three passes, a question for each further disk, and what a
// Cancel there means. The driver swaps the disks while a question is on screen.
#include "Update.h"

namespace run {
namespace {

using Names = std::vector<std::wstring>;

class Floppy : public Update {
protected:
  void SetUp() override {
    Update::SetUp();
    disk1 = t.Sub(L"disk1");
    ASSERT_FALSE(ui::MakeMedium(disk1).empty());
    ASSERT_TRUE(support::WriteZip(support::Join(disk1, L"d1.zip"),
                                  {{"one.txt", "1"}, {"common.txt", "from 1"}}));
    // Further disks hold archives only.
    disk2 = t.Sub(L"disk2");
    ASSERT_TRUE(support::WriteZip(support::Join(disk2, L"d2.zip"),
                                  {{"two.txt", "2"}, {"common.txt", "from 2"}}));
    disk3 = t.Sub(L"disk3");
    ASSERT_TRUE(
        support::WriteZip(support::Join(disk3, L"d3.zip"), {{"three.txt", "3"}, {"F3.RTF", "f"}}));
    ASSERT_TRUE(drive.SwapDisk(disk1));
  }

  void ExpectDiskQuestion(const ui::Box& box, int disk) {
    EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
    EXPECT_EQ(ui::Utf8(box.text), texts::Disk(disk));
    EXPECT_EQ(box.icon, ui::Icon::Information);
    EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  }

  void ExpectAbortQuestion(const ui::Box& box) {
    EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
    EXPECT_EQ(ui::Utf8(box.text), texts::kReallyAbort);
    EXPECT_EQ(box.icon, ui::Icon::Information);
    EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));
  }

  ui::Floppy drive;
  std::wstring disk1, disk2, disk3;
};

TEST_F(Floppy, ThreePassesWithADiskQuestionBeforeTheSecondAndTheThird) {
  Start(L"A:\\TalvoUpdate.exe");

  ui::Box ask2 = NextBox();
  ExpectDiskQuestion(ask2, 2);
  AskToCloseDuring(ask2);
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  EXPECT_EQ(support::Read(Product(L"common.txt")), "from 1");
  ASSERT_TRUE(drive.SwapDisk(disk2));
  ASSERT_TRUE(ui::Answer(ask2, IDOK));

  // Each disk's files moved into the product; a later disk replaces what it brings again.
  ui::Box ask3 = NextBox();
  ExpectDiskQuestion(ask3, 3);
  EXPECT_EQ(support::List(Product(L"Temp1")), (Names{L".backup\\", L".journal", L".library\\"}));
  EXPECT_EQ(support::Read(Product(L"common.txt")), "from 2");
  ASSERT_TRUE(drive.SwapDisk(disk3));
  ASSERT_TRUE(ui::Answer(ask3, IDOK));

  ui::Box done = NextBox();
  ExpectSuccessQuestion(done);
  ASSERT_TRUE(ui::Answer(done, IDOK));
  ExpectClosedAndClean();
  EXPECT_EQ(ProductRun(), "\"" + ui::Narrow(Product(L"Vanto.exe"), CP_ACP) + "\"\r\n" +
                              ui::Narrow(product, CP_ACP) + "\r\n");
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe", L"common.txt", L"one.txt",
                                           L"three.txt", L"two.txt", L"vanto-ran.txt"}));
  EXPECT_EQ(support::List(Product(L"Blanks")), Names{L"F3.RTF"});
}

TEST_F(Floppy, CancelCancelGoesOnWithTheSameDiskAndCancelOkAbortsWithoutTheQuestion) {
  Start(L"A:\\TalvoUpdate.exe");

  ui::Box ask2 = NextBox();
  ExpectDiskQuestion(ask2, 2);
  ASSERT_TRUE(DeleteFileW(Product(L"one.txt").c_str()));
  ASSERT_TRUE(ui::Answer(ask2, IDCANCEL));
  ui::Box abort = NextBox();
  ExpectAbortQuestion(abort);
  ASSERT_TRUE(ui::Answer(abort, IDCANCEL));

  // The second pass ran with disk 1 still in the drive, without asking for disk 2 again.
  ui::Box ask3 = NextBox();
  ExpectDiskQuestion(ask3, 3);
  EXPECT_EQ(support::Read(Product(L"one.txt")), "1");
  EXPECT_FALSE(support::Exists(Product(L"two.txt")));
  ASSERT_TRUE(ui::Answer(ask3, IDCANCEL));
  abort = NextBox();
  ExpectAbortQuestion(abort);
  ASSERT_TRUE(ui::Answer(abort, IDOK));

  // The abort undoes both passes: the product is as it was before the press.
  ui::Box end = NextBox();
  ExpectWarning(end, texts::kRolledBack);
  ASSERT_TRUE(ui::Answer(end, IDOK));
  ExpectClosedAndClean(2);
  EXPECT_EQ(support::List(product), (Names{L"Blanks\\", L"Vanto.exe"}));
  EXPECT_EQ(ProductRun(500), "");
}

}  // namespace
}  // namespace run
