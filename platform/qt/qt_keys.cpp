#include "platform/qt/qt_keys.h"

#include "platform/dialog_keys.h"

namespace rt::qt {

namespace {

struct KeyPair {
  int qt;
  int vk;
};

// Keys whose code is not a letter's or a digit's.
constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},       {Qt::Key_Backtab, 0x09},  {Qt::Key_Return, 0x0D},
    {Qt::Key_Enter, 0x0D},     {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
    {Qt::Key_AltGr, 0x12},     {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},    {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},      {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},      {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},   {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},      {Qt::Key_Meta, 0x5B},      {Qt::Key_Menu, 0x5D},     {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91},
};

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
  int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    // The keypad's digits have codes of their own.
    if (event.modifiers() & Qt::KeypadModifier) return 0x60 + (key - Qt::Key_0);
    return '0' + (key - Qt::Key_0);
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
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
