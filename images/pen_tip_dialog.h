#pragma once
// TForm9: the pen tip dialog. A drawing board hands in its pen's shape and size, shows the
// dialog modally and takes the values back only when the user confirmed them with OK. Made
// once at program start; the settings file keeps its position.

#include "startup_dialog.h"

class QComboBox;

class TForm9 : public StartupDialog {
    Q_OBJECT

public:
    explicit TForm9(TForm1 &form1);

    bool FormShow() override;
    void Button1Click(); // OK
    void Button2Click(); // Cancel

    // Set by the caller before showing; read back when PenDialogAccepted.
    int DialogPenShape = 0;
    int DialogPenSize = 1; // 1 ... 300 once accepted
    bool PenDialogAccepted = false;

    QLabel *Label1, *Label2, *Label3;
    QComboBox *ComboBox1; // the six shapes; the item index is the shape
    QLineEdit *Edit1;     // size in pixels
    QPushButton *Button1, *Button2;
};
