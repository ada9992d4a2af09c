#include "platform/qt/qt_keys.h"

#include "platform/modifiers.h"
#include "platform/virtual_keys.h"

namespace rt::qt {

namespace {

struct KeyPair {
  int qt;
  int vk;
};

// Keys whose code is not a letter's or a digit's.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, kVkBack},   {Qt::Key_Tab, kVkTab},          {Qt::Key_Backtab, kVkTab},
    {Qt::Key_Return, kVkReturn},    {Qt::Key_Enter, kVkReturn},     {Qt::Key_Shift, kVkShift},
    {Qt::Key_Control, kVkControl},  {Qt::Key_Alt, kVkMenu},         {Qt::Key_AltGr, kVkMenu},
    {Qt::Key_Pause, kVkPause},      {Qt::Key_CapsLock, 0x14},       {Qt::Key_Escape, kVkEscape},
    {Qt::Key_Space, kVkSpace},      {Qt::Key_PageUp, kVkPrior},     {Qt::Key_PageDown, kVkNext},
    {Qt::Key_End, kVkEnd},          {Qt::Key_Home, kVkHome},        {Qt::Key_Left, kVkLeft},
    {Qt::Key_Up, kVkUp},            {Qt::Key_Right, kVkRight},      {Qt::Key_Down, kVkDown},
    {Qt::Key_Print, kVkSnapshot},   {Qt::Key_Insert, kVkInsert},    {Qt::Key_Delete, kVkDelete},
    {Qt::Key_Help, kVkHelp},        {Qt::Key_Meta, 0x5B},           {Qt::Key_Menu, kVkApps},
    {Qt::Key_NumLock, kVkNumLock},  {Qt::Key_ScrollLock, kVkScroll},
};

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
  int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return kVkA + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    // The keypad's digits have codes of their own.
    if (event.modifiers() & Qt::KeypadModifier) return kVkNumpad0 + (key - Qt::Key_0);
    return kVk0 + (key - Qt::Key_0);
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return FunctionKey(1 + (key - Qt::Key_F1));
  for (const KeyPair& pair : kNamedKeys) {
    if (pair.qt == key) return pair.vk;
  }
  return 0;
}

int ShiftMaskOf(const QKeyEvent& event) {
  Qt::KeyboardModifiers mods = event.modifiers();
  int mask = 0;
  if (mods & Qt::ShiftModifier) mask |= kShift;
  if (mods & Qt::ControlModifier) mask |= kCtrl;
  if (mods & Qt::AltModifier) mask |= kAlt;
  return mask;
}

}  // namespace rt::qt
