// The exclude-location dialog: a text and the "must begin with this text" box. The caller reads
// Choice after the dialog closes: "OK"/"Aceptar" when it was accepted, "Cancel"/"Cancelar" else.
#pragma once

#include <functional>
#include <string>

#include "common/ui/form.h"

namespace cleaner {

class FrmExcludeLocation : public ui::Form {
public:
    // `spanishMode` tests the marker file at the moment the dialog loads.
    FrmExcludeLocation(ui::Host& host, std::function<bool()> spanishMode);

    ui::Label lblLocation{*this, nullptr, "lblLocation",
                          "Exclude location in registry which contains the following text "};
    ui::TextBox txtLocation{*this, nullptr, "txtLocation"};
    ui::CheckBox chkMustBegin{*this, nullptr, "chkMustBegin", "Exclude location must begin with this text"};
    ui::Button OKButton{*this, nullptr, "OKButton", "OK"};
    ui::Button CancelButton{*this, nullptr, "CancelButton", "Cancel"};

    std::string Choice;
    bool accepted() const { return Choice == "OK" || Choice == "Aceptar"; }
    bool spanish() const { return spanish_; }

private:
    void Form_Load();
    void Form_Unload(bool& cancel);
    void OKButton_Click();
    void CancelButton_Click();
    void closeDialog();
    void txtLocation_Change();

    std::function<bool()> spanishMode_;
    bool spanish_ = false;
};

}  // namespace cleaner
