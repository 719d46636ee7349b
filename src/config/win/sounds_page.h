// The sound-folder page.
#pragma once

#define IDD_SOUNDS_PAGE 1200
#define IDC_LISTBOX2 1201
#define IDC_CHECKSUB2 1202
#define IDC_BTNADD2 1203
#define IDC_BTNDELETE2 1204
#define IDC_ISNEWFOLDERADD2 1205
