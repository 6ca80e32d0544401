#pragma once
// TForm3: section registration. Lists every row of SECTION and adds, renames and deletes
// sections; a section a member still belongs to cannot be deleted.

#include "registration_dialog.h"

class TForm3 : public RegistrationDialog {
    Q_OBJECT

public:
    explicit TForm3(TForm1 &form1);

    bool FormShow() override;
    void RefreshGrid() override;
    void SG1Click() override;
    void Edit1DblClick() override;
    void Button1Click() override; // add
    void Button4Click() override; // change the name
    void Button2Click() override; // delete the selected row

    QLabel *Label4;
    QLineEdit *Edit2; // section name, up to 32 bytes
};
