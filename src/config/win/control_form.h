// The configuration dialog's window. For now a plain window captioned
// "Lumora設定" that closes on Esc; the pages come with the dialog itself.
#pragma once

#include "app/win/forms.h"

namespace lumora::win {

class TControlForm : public TForm {
 public:
  TControlForm();
  void FormCreate() override;
  void FormKeyDown(WORD key) override;

 protected:
  void CreateParams(CreateParamsData& params) override;
};

}  // namespace lumora::win
