#include "windowdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace WindowDriver {

const QStringList kHints = {QStringLiteral("  手机 - 直接拨打"), QStringLiteral("  固话 - 区号+电话号码"),
                            QStringLiteral("  国际长途 - 00+国际区号+号码"),
                            QStringLiteral("  客服热线：10000000000")};

void login(QWidget *loginWindow, const QString &account, const QString &password, std::optional<bool> remember,
           std::optional<bool> autoLogin)
{
    child<QComboBox>(loginWindow, "cbUsername")->setEditText(account);
    child<QLineEdit>(loginWindow, "lePassword")->setText(password);
    if (remember)
        child<QCheckBox>(loginWindow, "checkBox")->setChecked(*remember);
    if (autoLogin)
        child<QCheckBox>(loginWindow, "checkBox_2")->setChecked(*autoLogin);
    child<QPushButton>(loginWindow, "pbLogin")->click();
}

QStringList lines(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

}  // namespace WindowDriver
