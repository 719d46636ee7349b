#include "config/win/control_form.h"

namespace lumora::win {

TControlForm::TControlForm() : TForm(L"TControlForm", L"Lumora設定") {}

void TControlForm::CreateParams(CreateParamsData& params) {
  params.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}

void TControlForm::FormCreate() {
  SetColour(::GetSysColor(COLOR_BTNFACE));
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int32_t width = Scale(480), height = Scale(360);
  SetBounds(work.left + (work.right - work.left - width) / 2, work.top + (work.bottom - work.top - height) / 2, width,
            height);
  SetVisible(true);
  ::SetForegroundWindow(Handle());
}

void TControlForm::FormKeyDown(WORD key) {
  if (key == VK_ESCAPE) Close();
}

}  // namespace lumora::win
