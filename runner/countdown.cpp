// The countdown: one tick of Timer1 a second.
#include "mainwin/form1.h"

namespace strumlet {

void Form1::Timer1_Timer() {}

}  // namespace strumlet
