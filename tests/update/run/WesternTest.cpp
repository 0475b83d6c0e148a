// On a Western system (code page 1252) the paths in the boxes are the system's letters, while
// the updater's own words stay Cyrillic.
#include "Update.h"

namespace run {
namespace {

class Western : public Update {};

TEST_F(Western, TheCopyErrorBoxNamesTheMediumsPathAsTheSystemSpellsIt) {
  ASSERT_EQ(GetACP(), 1252u) << "run this under LC_ALL=C.UTF-8";
  cd = t.Sub(L"B\u00FCro\\Caf\u00E9 cd");
  updater = ui::MakeMedium(cd);
  ASSERT_TRUE(support::WriteZip(Medium(L"\u00E9t\u00E9.zip"), {{"one.txt", "1"}}));
  support::HeldFile held(Medium(L"\u00E9t\u00E9.zip"));
  ASSERT_TRUE(held.Held());
  Start(updater);

  ui::Box box = NextBox();
  ExpectError(box, texts::CopyError(ui::Utf8(Medium(L"\u00E9t\u00E9.zip")), texts::kCannotUpdate));
  ASSERT_TRUE(ui::Answer(box, IDOK));
  ExpectStillOpen();
}

}  // namespace
}  // namespace run
