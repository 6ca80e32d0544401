#pragma once
// TForm4: member registration. Lists the members with their section, and adds, changes and
// deletes members; each belongs to a section or, with section 0, to none.

#include "registration_dialog.h"

class QComboBox;

class TForm4 : public RegistrationDialog {
    Q_OBJECT

public:
    explicit TForm4(TForm1 &form1);

    bool FormShow() override;
    void RefreshGrid() override;
    void SG1Click() override;
    void Edit1DblClick() override;
    void Button1Click() override; // add
    void Button4Click() override; // change section and name
    void Button2Click() override; // delete the selected row

    QLabel *Label2, *Label4;
    QComboBox *ComboBox1; // "0:指定無し", then "number:name" per section
    QLineEdit *Edit2;     // member name, up to 16 bytes

private:
    int ChosenSection() const;
};

// The grid rows of the member list from the rows of its join (member number, section number,
// section name, member name), in member order. A member of section 0 meets every section and
// comes once per section: only its first row is kept, with a blank section name.
QList<QStringList> MemberGridRows(const QList<QStringList> &joined);
