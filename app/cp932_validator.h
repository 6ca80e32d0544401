#pragma once
// The one validator of every edit whose limit counts bytes: the text must fit the column in
// CP932 bytes (a kanji takes two), and characters CP932 cannot hold are refused at the keyboard.

#include <QValidator>

class Cp932Validator : public QValidator {
public:
    // maxBytes 0: no length limit, only the CP932 check.
    explicit Cp932Validator(int maxBytes, QObject *parent = nullptr)
        : QValidator(parent), maxBytes_(maxBytes)
    {
    }
    State validate(QString &input, int &pos) const override;
    int MaxBytes() const { return maxBytes_; }

private:
    int maxBytes_;
};

class QLineEdit;

// Gives the edit a byte limit (and the CP932 check); numberField also turns the input method
// off, as for record numbers, dates and times.
void LimitBytes(QLineEdit *edit, int maxBytes, bool numberField = false);
