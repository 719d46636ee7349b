// Control identifiers of the configuration dialog's frame: the page
// control and the two buttons. Shared by the resource script and the code.
#pragma once

#define IDD_CONTROLFORM 1000
#define IDC_PAGES 1001
// 保存 and 中止 are the dialog's IDOK and IDCANCEL.
