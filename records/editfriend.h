#ifndef NUVOXA_RECORDS_EDITFRIEND_H
#define NUVOXA_RECORDS_EDITFRIEND_H

#include <QDialog>

namespace Ui {
class EditFriend;
}

// The edit-contact dialog, created for one edit.
class EditFriend : public QDialog
{
    Q_OBJECT
public:
    explicit EditFriend(QWidget *parent = nullptr);
    ~EditFriend() override;

    void setData(const QString &name, const QString &number);

signals:
    void dataEmit(const QString &name, const QString &number);

private slots:
    void on_toolButton_clicked();
    void on_toolButton_2_clicked();

private:
    Ui::EditFriend *ui;
};

#endif
