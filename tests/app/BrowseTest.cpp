// The "..." button: the product folder picked in the system's folder browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Check.h"
#include "Driver.h"
#include "Scenario.h"
#include "Texts.h"
#include "UpdaterTest.h"

namespace {

const wchar_t kTitle[] = L" Директория на Талво";

class FolderBrowser : public ui::UpdaterTest {
protected:
  void SetUp() override {
    product = t.Sub(L"WinTalvo");
    ASSERT_TRUE(support::WriteFile(support::Join(product, L"Vanto.exe"), "MZ"));
    ui::UpdaterTest::SetUp();
  }

  // Presses "..." and waits for the browser.
  HWND OpenBrowser() {
    ui::Click(browse);
    HWND dialog = app.WaitBox();
    EXPECT_NE(dialog, nullptr) << "no folder browser";
    return dialog;
  }

  std::wstring product;
};

// ---- Opening and cancelling --------------------------------------------------------------

TEST_F(FolderBrowser, OpensOverTheWindowWithItsTitle) {
  HWND dialog = OpenBrowser();
  ASSERT_NE(dialog, nullptr);
  EXPECT_NE(ui::FindChild(dialog, L"SysTreeView32"), nullptr) << "not the folder browser";
  EXPECT_NE(ui::FindStatic(dialog, kTitle), nullptr)
      << "no text \"" << ui::Utf8(kTitle) << "\" in the browser";
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), w) << "not owned by the main window";
  EXPECT_FALSE(IsWindowEnabled(w)) << "the main window takes input under the browser";
  EXPECT_TRUE(ui::Answer(ui::ReadBox(dialog), IDCANCEL));
  EXPECT_TRUE(ui::WaitUntil([&] { return IsWindowEnabled(w) != 0; }));
}

TEST_F(FolderBrowser, CancelKeepsTheFolderTextAndTheFocus) {
  const std::wstring typed = L"D:\\Typed by hand";
  ASSERT_TRUE(ui::SetText(edit, typed));
  ui::Press(w, VK_TAB);
  ASSERT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == browse; }));
  ui::Press(w, VK_SPACE);
  HWND dialog = app.WaitBox();
  ASSERT_NE(dialog, nullptr) << "no folder browser";
  // Moving about the tree before cancelling changes nothing either.
  ui::BrowserTree tree(dialog);
  ASSERT_TRUE(tree.Ready());
  HTREEITEM item = tree.Folder(product);
  ASSERT_NE(item, nullptr) << tree.Dump(tree.Root(), 2);
  ASSERT_TRUE(tree.Select(item));

  EXPECT_TRUE(ui::Answer(ui::ReadBox(dialog), IDCANCEL));
  EXPECT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == browse; })) << "focus moved";
  EXPECT_EQ(ui::Text(edit), typed);
}

TEST_F(FolderBrowser, OffersOnlyFoldersOnDisk) {
  HWND dialog = OpenBrowser();
  ASSERT_NE(dialog, nullptr);
  ui::BrowserTree tree(dialog);
  ASSERT_TRUE(tree.Ready());
  HWND ok = ui::Control(dialog, IDOK);
  HTREEITEM computer = tree.Computer(), folder = tree.Folder(product);
  ASSERT_TRUE(computer && folder) << tree.Dump(tree.Root(), 2);
  ASSERT_TRUE(tree.Select(computer));
  EXPECT_TRUE(ui::WaitUntil([&] { return !IsWindowEnabled(ok); }))
      << "the computer, which has no path, can be chosen";
  ASSERT_TRUE(tree.Select(folder));
  EXPECT_TRUE(ui::WaitUntil([&] { return IsWindowEnabled(ok) != 0; }));
  EXPECT_TRUE(ui::Answer(ui::ReadBox(dialog), IDCANCEL));
}

// ---- Choosing ------------------------------------------------------------------------------

class FolderChosen : public FolderBrowser {
protected:
  // Opens the browser, selects the item in its tree as a person would and presses OK.
  void Choose(HTREEITEM (*find)(const ui::BrowserTree&, const std::wstring&),
              const std::wstring& what) {
    HWND dialog = OpenBrowser();
    ASSERT_NE(dialog, nullptr);
    ui::BrowserTree tree(dialog);
    ASSERT_TRUE(tree.Ready());
    HTREEITEM item = find(tree, what);
    ASSERT_NE(item, nullptr) << "not in the tree: " << ui::Utf8(what) << "\n"
                             << tree.Dump(tree.Root(), 2);
    ASSERT_TRUE(tree.Select(item));
    ASSERT_TRUE(ui::Answer(ui::ReadBox(dialog), IDOK));
  }
  void ChooseFolder(const std::wstring& path) {
    Choose([](const ui::BrowserTree& tree, const std::wstring& p) { return tree.Folder(p); }, path);
  }
  void ChooseDrive(wchar_t letter) {
    Choose([](const ui::BrowserTree& tree, const std::wstring& l) { return tree.Drive(l[0]); },
           std::wstring(1, letter));
  }

  // The folder box holds this path (names as the file system spells them), all of it
  // selected, with the focus.
  void ExpectInTheBox(const std::wstring& path) {
    EXPECT_TRUE(ui::WaitUntil([&] { return _wcsicmp(ui::Text(edit).c_str(), path.c_str()) == 0; }))
        << "the box shows \"" << ui::Utf8(ui::Text(edit)) << "\"";
    EXPECT_TRUE(ui::WaitUntil([&] { return ui::Focus(w) == edit; })) << "focus not on the box";
    int start = -1, end = -1;
    EXPECT_TRUE(ui::Selection(edit, &start, &end));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, static_cast<int>(ui::Text(edit).size())) << "not all selected";
  }

  // Актуализация with what the box holds: the run gets past the folder check and stops for
  // want of an archive with its work folder made.
  void ExpectTheUpdateTakes(const std::wstring& folder) {
    ui::Click(install);
    ui::Box box = ui::ReadBox(app.WaitBox());
    EXPECT_EQ(ui::Utf8(box.text), texts::kNoArchive);
    EXPECT_TRUE(support::IsDir(support::Join(folder, L"Temp1")));
    EXPECT_TRUE(ui::Answer(box, IDOK));
  }
};

TEST_F(FolderChosen, AFolderFillsTheBoxSelectedAndFocused) {
  ChooseFolder(product);
  ExpectInTheBox(product);
  ExpectTheUpdateTakes(product);
}

TEST_F(FolderChosen, ACyrillicFolderIsNamedInTheCodePageOrNotAtAll) {
  const std::wstring cyrillic = t.Sub(L"Програми\\Талво");
  ASSERT_TRUE(support::WriteFile(support::Join(cyrillic, L"Vanto.exe"), "MZ"));
  ChooseFolder(cyrillic);
  if (GetACP() == 1251) {
    ExpectInTheBox(cyrillic);
    ExpectTheUpdateTakes(cyrillic);
  } else {
    // A Western code page has no letters for it: a path of question marks would be wrong,
    // so the box keeps what it had.
    EXPECT_TRUE(ui::WaitUntil([&] { return IsWindowEnabled(w) != 0; }));
    EXPECT_EQ(ui::Text(edit), L"C:\\WinTalvo");
  }
}

TEST_F(FolderChosen, ADriveRootEndsInABackslashAndCountsAsMissing) {
  ChooseDrive(L'C');
  ExpectInTheBox(L"C:\\");
  ui::Click(install);
  ui::Box box = ui::ReadBox(app.WaitBox());
  EXPECT_EQ(ui::Utf8(box.caption), texts::kCaption);
  EXPECT_EQ(ui::Utf8(box.text), u8"Въведената папка\r\nне съществува.");
  EXPECT_EQ(box.icon, ui::Icon::Error);
  EXPECT_TRUE(ui::Answer(box, IDOK));
}

}  // namespace
