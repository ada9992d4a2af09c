// The numbers and names that the executable's resources and its windows are
// known by, shared by the resource script (res/strumlet.rc), the forms, the
// Windows backend and the end-to-end tests. Plain macros, because the
// resource compiler reads this file too.
#ifndef STRUMLET_PLATFORM_RESOURCE_IDS_H
#define STRUMLET_PLATFORM_RESOURCE_IDS_H

// The program's icon: the executable file, its windows and the taskbar.
#define STRUMLET_ICON_PROGRAM 1
// The picture of the About window.
#define STRUMLET_ICON_ABOUT 2

// The window class of every form's native window.
#define STRUMLET_FORM_CLASS L"StrumletForm"

#endif
