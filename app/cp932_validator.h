#pragma once
// The one validator of every edit whose limit counts bytes: the text must fit the column in
// CP932 bytes (a kanji takes two). On the one-line edit it belongs to, what the user types or
// inserts in one go (a paste, a drop, an input method's commit) is taken as a native one-line
// edit takes it: up to its first line break, without other control characters, and cut at the
// limit between two characters. Look-alikes of CP932 characters (〜 for ～, − for －) are
// written as their CP932 counterparts; characters CP932 cannot hold at all are left out one by
// one, and the main window's status bar says so. A single character that does not fit is
// refused.

#include <QString>
#include <QValidator>

class QLineEdit;

class Cp932Validator : public QValidator {
public:
    // maxBytes 0: no length limit, only the CP932 check. A QLineEdit parent is the edit whose
    // insertions are fitted.
    explicit Cp932Validator(int maxBytes, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;

private:
    // Fits what the user just inserted before `pos`; false when nothing of it can be kept.
    bool FitInsertion(QString &input, int &pos) const;

    int maxBytes_;
    const QLineEdit *edit_ = nullptr;
    QString previous_; // the edit's text before the change being validated
};

// Gives the edit a byte limit (and the CP932 check); numberField also turns the input method
// off, as for record numbers, dates and times.
void LimitBytes(QLineEdit *edit, int maxBytes, bool numberField = false);

namespace msg {
// The status bar's note after characters were left out of what the user entered.
inline const QString kCharactersLeftOut =
    QStringLiteral("保存できない文字（絵文字など）を除きました");
} // namespace msg
