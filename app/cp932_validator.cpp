#include "cp932_validator.h"

#include "cp932.h"

#include <QLineEdit>

QValidator::State Cp932Validator::validate(QString &input, int &) const
{
    const int bytes = cp932::ByteLength(input);
    if (bytes < 0) return Invalid;
    if (maxBytes_ > 0 && bytes > maxBytes_) return Invalid;
    return Acceptable;
}

void LimitBytes(QLineEdit *edit, int maxBytes, bool numberField)
{
    edit->setValidator(new Cp932Validator(maxBytes, edit));
    if (numberField) {
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
    }
}
