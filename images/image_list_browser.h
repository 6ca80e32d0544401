#pragma once
// TForm7: the picture catalogue. A child window listing the rows of IMGLIST a page of 100 at
// a time, sorted and filtered as the user chooses, with the details of the selected picture;
// from here a picture is opened on a drawing board, its record edited, or its strokes deleted.
// Several may be open at once.

#include "child_form.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class StringGrid;

class TForm7 : public ChildForm {
    Q_OBJECT

public:
    explicit TForm7(TForm1 &form1, QWidget *parent = nullptr);

    // --- handlers ---------------------------------------------------------------------------
    void FormShow() override;
    void FormClose() override;
    void Button1Click(); // first page
    void Button2Click(); // previous page
    void Button3Click(); // next page
    void Button4Click(); // reload the page
    void Button5Click(); // details panel high
    void Button6Click(); // details panel down to its top line
    void Button7Click(); // edit the selected record
    void Button8Click(); // open the selected picture on a drawing board
    void Button9Click(); // delete the selected picture's strokes
    void ComboBox1Select();
    void ComboBox2Select();
    void SG1SelectCell(int column, int row);
    void ClearGrid();
    void LoadPage();

    // --- browser state ----------------------------------------------------------------------
    int PageSize = 100;
    int PageStart = 1;
    int NextPageStart = 0;
    QString FilterText;
    QString OrderText = QStringLiteral("N");

    // --- controls ---------------------------------------------------------------------------
    QFrame *Panel2;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button9;
    QLabel *Label1, *Label2;
    QComboBox *ComboBox1, *ComboBox2;
    QLineEdit *Edit1; // filter text
    StringGrid *SG1;
    QSplitter *Splitter1;
    QFrame *Panel1;
    QLabel *Label4, *Label7, *LabelA, *LabelB, *LabelC;
    QLineEdit *Edit2, *Edit3, *Edit4, *Edit5;
    QPushButton *Button5, *Button6, *Button7, *Button8;

    int PanelHeight() const;
    void SetPanelHeight(int height);

private:
    void BuildTopPanel();
    void BuildDetailPanel();
    int SelectedNumber() const; // of the grid's current row; 0 for an empty row
};
