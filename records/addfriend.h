#ifndef NUVOXA_RECORDS_ADDFRIEND_H
#define NUVOXA_RECORDS_ADDFRIEND_H

#include <QDialog>

namespace Ui {
class AddFriend;
}

// The add-contact dialog: one instance, reused for every addition.
class AddFriend : public QDialog
{
    Q_OBJECT
public:
    explicit AddFriend(QWidget *parent = nullptr);
    ~AddFriend() override;

    // Empties both fields and proposes the number.
    void setPhone(const QString &number);

signals:
    void dataString(const QString &name, const QString &phone, bool save);

private slots:
    void on_toolButton_clicked();
    void on_toolButton_2_clicked();

private:
    Ui::AddFriend *ui;
};

#endif
