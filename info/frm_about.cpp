#include "info/frm_about.h"

#include "info/frm_about_ids.h"
#include "platform/resource_ids.h"
#include "strumlet_version.h"

namespace strumlet {

namespace {

// The first description line, assembled from its character codes at run
// time: the codes are ASCII and spell "Types your keys on a countdown."
// (84 'T', 121 'y', 112 'p', 101 'e', 115 's', 32 blank, and so on).
constexpr char16_t kDescriptionCodes[] = {84, 121, 112, 101, 115, 32, 121, 111, 117, 114, 32, 107, 101, 121, 115,
                                          32, 111, 110, 32, 97, 32, 99, 111, 117, 110, 116, 100, 111, 119, 110, 46};

}  // namespace

rt::ustring HomepageAddress() { return rt::FromUtf8(STRUMLET_HOMEPAGE); }

frmAbout::frmAbout(rt::App& app)
    : rt::Form(app, "frmAbout"),
      picIcon(*this, about_ids::kPicIcon, "picIcon"),
      cmdOK(*this, about_ids::kCmdOK, "cmdOK"),
      Line1_1(*this, about_ids::kLine1_1, "Line1(1)"),
      lblDescription(*this, about_ids::kDescription, "lblDescription"),
      lblTitle(*this, about_ids::kTitle, "lblTitle"),
      Line1_0(*this, about_ids::kLine1_0, "Line1(0)"),
      lblVersion(*this, about_ids::kVersion, "lblVersion") {
  SetCaption(u"About Strumlet");
  ClientWidth = 5730;
  ClientHeight = 2475;
  Border = rt::BorderStyle::FixedDialog;
  MinButton = false;
  MaxButton = false;
  ShowInTaskbar = false;
  StartUp = rt::StartPosition::Manual;
  StartLeft = 2340;
  StartTop = 1935;

  picIcon.Move(240, 240, 540, 540);
  picIcon.SetTabIndex(1);
  picIcon.IconResource = STRUMLET_ICON_ABOUT;
  cmdOK.Move(4245, 2040, 1260, 345);
  cmdOK.SetTabIndex(0);
  cmdOK.SetCaption(u"OK");
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  lblDescription.Move(1080, 1125, 3885, 570);
  lblDescription.SetTabIndex(2);
  lblDescription.SetForeColor(rt::kBlack);
  lblTitle.Move(1050, 240, 3885, 480);
  lblTitle.SetTabIndex(3);
  lblTitle.SetCaption(u"Strumlet");
  lblTitle.SetForeColor(rt::kBlack);
  lblTitle.Large = true;
  lblVersion.Move(1050, 780, 3885, 225);
  lblVersion.SetTabIndex(4);
  lblVersion.SetCaption(u"Version 1");

  Line1_1.X1 = 120;
  Line1_1.Y1 = 1920;
  Line1_1.X2 = 5684;
  Line1_1.Y2 = 1920;
  Line1_1.BorderColor = 0x808080;
  Line1_1.BorderWidth = 1;
  Line1_0.X1 = 105;
  Line1_0.Y1 = 1920;
  Line1_0.X2 = 5654;
  Line1_0.Y2 = 1920;
  Line1_0.BorderColor = 0xFFFFFF;
  Line1_0.BorderWidth = 2;

  cmdOK.Click = [this] { cmdOK_Click(); };
}

void frmAbout::Form_Load() {
  const rt::AppInfo& info = Application().Info();
  SetCaption(u"About " + info.title);
  rt::ustring version = u"Version ";
  version += rt::DecimalText(info.major);
  version += u".";
  version += rt::DecimalText(info.minor);
  version += u".";
  version += rt::DecimalText(info.revision);
  lblVersion.SetCaption(version);
  lblTitle.SetCaption(info.title);

  rt::ustring description;
  for (char16_t code : kDescriptionCodes) description += rt::ustring(1, code);
  rt::ustring address = HomepageAddress();
  description += u"\r\nNew version at ";
  description += address;
  description += u"\r\n(Copied to clipboard)";
  lblDescription.SetCaption(description);

  if (!Application().Os().SetClipboardText(address)) {
    Application().MsgBox(u"The address could not be copied: another program is holding the clipboard.");
  }
}

void frmAbout::cmdOK_Click() { Unload(); }

}  // namespace strumlet
