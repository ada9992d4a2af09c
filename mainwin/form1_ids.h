// Control identifiers of the main window. The native controls carry them, so
// that the end-to-end tests can find each control of a running program.
#pragma once

namespace strumlet::form1_ids {

enum : int {
  kLabel1 = 101,
  kText1,
  kLabel2,
  kText2,
  kLabel3,
  kText3,
  kLabel4,
  kLabel5,
  kCommand1,
  kCommand2,
  kCommand3,
  kCommand5,
  kSendNow,
  kCheck1,
  kCommand6,
  kCommand7,
  kFrame1,
  kOnce,
  kLoop,
  kPersist,
  kTimer1,
};

}  // namespace strumlet::form1_ids
