#pragma once
// TForm5: the PC user. The user picks which registered member uses this PC; the member number
// and name go into the settings, and the picture, chat and pointer windows write in that name.

#include "startup_dialog.h"

class QComboBox;

class TForm5 : public StartupDialog {
    Q_OBJECT

public:
    explicit TForm5(TForm1 &form1);

    bool FormShow() override;
    void Button1Click(); // OK
    void Button2Click(); // Cancel

    QLabel *Label1;
    QComboBox *ComboBox1; // "number:name" per member; no item stands for nobody
    QPushButton *Button1, *Button2;
};
