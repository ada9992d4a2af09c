// The About window: icon, title, version, and where a newer version is to be
// found. Every load puts that address on the clipboard.
#pragma once

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace strumlet {

// The address shown by the About window and put on the clipboard.
rt::ustring HomepageAddress();

class frmAbout : public rt::Form {
 public:
  explicit frmAbout(rt::App& app);

  rt::PictureBox picIcon;
  rt::CommandButton cmdOK;
  rt::Line Line1_1;
  rt::Label lblDescription;
  rt::Label lblTitle;
  rt::Line Line1_0;
  rt::Label lblVersion;

  void Form_Load() override;
  void cmdOK_Click();
};

}  // namespace strumlet
