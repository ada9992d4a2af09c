// The About window: title, version, and the address it copies.
#include <gtest/gtest.h>

#include "info/frm_about.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;

TEST(AboutWindow, ShowsTitleVersionAndCopiesTheAddress) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  h.os.clipboard = u"a command line";
  rt::fake::Click(h.app, f.Command5);
  auto* about = f.AboutWindow.IfLoaded();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->Caption(), u"About Strumlet");
  EXPECT_EQ(about->lblTitle.Caption(), u"Strumlet");
  EXPECT_EQ(about->lblVersion.Caption(), u"Version " STRUMLET_SHOWN_VERSION);
  rt::ustring address = strumlet::HomepageAddress();
  EXPECT_FALSE(address.empty());
  EXPECT_EQ(h.os.clipboard, address);
  const rt::ustring& d = about->lblDescription.Caption();
  std::size_t first = d.find(u"\r\n");
  ASSERT_NE(first, rt::ustring::npos);
  EXPECT_EQ(d.substr(first), u"\r\nNew version at " + address + u"\r\n(Copied to clipboard)");
  EXPECT_EQ(d.find(u"\r\n", first + 2) + 2 + 21, d.size()) << "two CR LF, none at the end";

  rt::fake::Click(h.app, f.Command5);
  EXPECT_EQ(h.os.Texts("Clipboard").size(), 1u) << "shown again while open: not loaded again";
  EXPECT_TRUE(about->cmdOK.Default && about->cmdOK.Cancel) << "Enter and Esc close it";
  rt::fake::Click(h.app, about->cmdOK);
  EXPECT_EQ(f.AboutWindow.IfLoaded(), nullptr);
  rt::fake::Click(h.app, f.Command5);
  EXPECT_EQ(h.os.Texts("Clipboard").size(), 2u) << "loaded afresh: copied again";
}

}  // namespace
