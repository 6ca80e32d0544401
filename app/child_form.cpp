#include "child_form.h"

#include "main_window.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

ChildForm::ChildForm(TForm1 &form1, QWidget *parent) : QWidget(parent), Form1(form1) {}

void ChildForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void ChildForm::closeEvent(QCloseEvent *event)
{
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
}

DatabaseSession &ChildForm::Db()
{
    return Form1.Db();
}

Settings &ChildForm::settings()
{
    return Form1.settings();
}

QWidget *ChildForm::Frame()
{
    if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget())) return frame;
    return this;
}
