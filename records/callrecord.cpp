#include "records/callrecord.h"

#include "ui_callrecord.h"
#include "widgets/skinstyle.h"

#include <QAction>
#include <QCursor>
#include <QDebug>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

QMenu *RecordMenus::prepare(const PHONEDATA &data, bool isHistory) const
{
    const bool service = data.num == Records::serviceNumber();
    for (QAction *action : notForService)
        action->setEnabled(!service);
    return isHistory ? history : contact;
}

CallRecord::CallRecord(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::CallRecord)
{
    ui->setupUi(this);
    // Menus come from mousePressEvent; a context-menu event must not reach
    // the list and open a second one.
    setContextMenuPolicy(Qt::PreventContextMenu);

    ui->toolButton_2->setToolTip(tr("网络电话直拨"));
    ui->toolButton_4->setToolTip(tr("回拨呼叫"));
    // A screen reader sees no pictures; the row's own name is set with its record.
    ui->toolButton->setAccessibleName(tr("头像"));
    ui->toolButton_3->setAccessibleName(tr("呼出电话"));
    ui->toolButton_2->setAccessibleName(tr("网络电话直拨"));
    ui->toolButton_4->setAccessibleName(tr("回拨呼叫"));

    QPalette timePalette = ui->label_3->palette();
    timePalette.setColor(QPalette::Active, QPalette::Text, QColor(0, 170, 255));
    timePalette.setColor(QPalette::Inactive, QPalette::Text, QColor(0, 170, 255));
    timePalette.setColor(QPalette::Disabled, QPalette::Text, QColor(118, 116, 108));
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Base, QPalette::Window})
        timePalette.setColor(QPalette::All, role, Qt::white);
    ui->label_3->setPalette(timePalette);
}

CallRecord::~CallRecord()
{
    delete ui;
}

void CallRecord::showRecord(const PHONEDATA &data)
{
    // The service number is never called back; an edited row may change
    // to or from it.
    ui->toolButton_4->setVisible(data.num != Records::serviceNumber());
    m_data = data;
    ui->label->setText(data.num);
    ui->label_2->setText(data.name);
    // Every row has the same two buttons: the reader tells them apart by whom they call.
    const QString who = spokenName(data);
    setAccessibleName(who);
    ui->toolButton_2->setAccessibleDescription(who);
    ui->toolButton_4->setAccessibleDescription(who);
}

QString CallRecord::spokenName(const PHONEDATA &data)
{
    return data.name.isEmpty() ? data.num : data.name + QLatin1Char(' ') + data.num;
}

void CallRecord::setHistoryData(const PHONEDATA &data)
{
    m_isHistory = true;
    showRecord(data);
    ui->label_3->setText(data.time);
    // The direction shows in the picture; a missed call's number is red as well.
    QString spoken = tr("呼出电话");
    if (data.type == QLatin1String("in"))
        spoken = tr("呼入电话");
    else if (data.type == QLatin1String("miss"))
        spoken = tr("未接来电");
    SkinStyle::setState(ui->toolButton_3, "callType", data.type);
    ui->toolButton_3->setAccessibleName(spoken);
    SkinStyle::setState(ui->label, "missed", data.type == QLatin1String("miss"));
}

void CallRecord::setContactData(const PHONEDATA &data)
{
    showRecord(data);
    ui->label_3->hide();
    ui->toolButton_3->hide();
}

void CallRecord::setItem(QListWidgetItem *item)
{
    m_item = item;
}

void CallRecord::setMenus(const RecordMenus *menus)
{
    m_menus = menus;
}

void CallRecord::on_toolButton_2_clicked()
{
    emit emitWphone(m_data.num);
}

void CallRecord::on_toolButton_4_clicked()
{
    emit emitHphone(m_data.num);
}

void CallRecord::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && m_menus) {
        QMenu *menu = m_menus->prepare(m_data, m_isHistory);
        qDebug() << "record menu for" << m_data.num;
        // The chosen action may delete this row, widget included.
        QPointer<CallRecord> self(this);
        emit onClickedFun(m_data, m_item);
        if (self && menu)
            menu->exec(QCursor::pos());
        if (!self)
            return;
    }
    QWidget::mousePressEvent(event);
}

void CallRecord::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_isHistory) {
        QPointer<CallRecord> self(this);
        emit emitWphone(m_data.num + QStringLiteral("HL"));
        if (!self)
            return;
    }
    QWidget::mouseDoubleClickEvent(event);
}
