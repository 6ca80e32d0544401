#include "cp932_validator.h"

#include "cp932.h"
#include "cp932_best_fit.h"
#include "main_window.h"
#include "startup_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>

namespace {

constexpr int kNoticeMs = 10000;

// The main window whose status bar speaks for this edit: the one it sits in, the one its
// dialog works for, or else the program's only one.
TForm1 *MainWindowOf(const QWidget *edit)
{
    for (const QWidget *w = edit; w; w = w->parentWidget()) {
        if (auto *form1 = qobject_cast<TForm1 *>(const_cast<QWidget *>(w))) return form1;
        if (auto *dialog = qobject_cast<const StartupDialog *>(w)) return &dialog->MainWindow();
    }
    TForm1 *only = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *form1 = qobject_cast<TForm1 *>(top)) {
            if (only) return nullptr;
            only = form1;
        }
    }
    return only;
}

// Said once for a run of left-out characters: while the note shows, another one only keeps it
// there longer.
void NoteCharactersLeftOut(const QWidget *edit)
{
    if (TForm1 *form1 = MainWindowOf(edit))
        form1->StatusBar1->showMessage(msg::kCharactersLeftOut, kNoticeMs);
}

} // namespace

Cp932Validator::Cp932Validator(int maxBytes, QObject *parent)
    : QValidator(parent), maxBytes_(maxBytes), edit_(qobject_cast<const QLineEdit *>(parent))
{
    if (!edit_) return;
    previous_ = edit_->text();
    connect(edit_, &QLineEdit::textChanged, this,
            [this](const QString &text) { previous_ = text; });
}

QValidator::State Cp932Validator::validate(QString &input, int &pos) const
{
    // Undo is available only after the user's own changes: text the program sets (setText
    // clears the history) is checked but never altered.
    if (edit_ && edit_->isUndoAvailable() && !FitInsertion(input, pos)) return Invalid;
    const int bytes = cp932::ByteLength(input);
    if (bytes < 0) return Invalid;
    if (maxBytes_ > 0 && bytes > maxBytes_) return Invalid;
    return Acceptable;
}

bool Cp932Validator::FitInsertion(QString &input, int &pos) const
{
    // The change replaced previous_[start, end) with input[start, pos): what follows the
    // cursor is the old text's tail.
    const int tail = int(input.size()) - pos;
    const int end = int(previous_.size()) - tail;
    if (tail < 0 || end < 0 || QStringView(input).mid(pos) != QStringView(previous_).mid(end))
        return true; // not an insertion at the cursor
    int start = 0;
    while (start < std::min(pos, end) && input[start] == previous_[start]) ++start;
    if (start == pos) return true; // nothing inserted: a deletion

    QString oneLine;
    for (QChar c : QStringView(input).mid(start, pos - start)) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) break;
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F) oneLine += c;
    }
    // Look-alikes become their CP932 counterparts; what CP932 cannot hold at all is left out,
    // and the user is told, since a paste that silently lost characters looks complete.
    const FittedText fitted = FitToCp932(oneLine);
    if (fitted.leftOut > 0) NoteCharactersLeftOut(edit_);
    QString kept = fitted.text;
    if (maxBytes_ > 0) {
        int room = maxBytes_ - cp932::ByteLength(input.left(start) + input.mid(pos));
        int n = 0;
        for (; n < kept.size(); ++n) {
            room -= cp932::ByteLength(kept.at(n));
            if (room < 0) break;
        }
        kept.truncate(n);
    }
    if (kept.isEmpty()) return false;
    input = input.left(start) + kept + input.mid(pos);
    pos = start + int(kept.size());
    return true;
}

void LimitBytes(QLineEdit *edit, int maxBytes, bool numberField)
{
    edit->setValidator(new Cp932Validator(maxBytes, edit));
    if (numberField) {
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
    }
}
