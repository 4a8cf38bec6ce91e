// Call history, contacts, their list rows and menus, and the number
// suggestions of the dial page.
#include "mainwindow/mianwindow.h"

#include "app/globals.h"
#include "records/addfriend.h"
#include "records/editfriend.h"
#include "records/lazyrows.h"
#include "core/recordstore.h"
#include "core/recordwriter.h"
#include "records/rowtexts.h"
#include "ui_mianwindow.h"
#include "widgets/hlmenu.h"

#include <QDateTime>
#include <QDebug>
#include "widgets/messagebox.h"

namespace {

// What a row carries besides its text: the record, and for contacts the
// group it is stored in (empty for the built-in service contact).
const int kRecordRole = Qt::UserRole;
const int kGroupRole = Qt::UserRole + 1;
const int kBuiltInRole = Qt::UserRole + 2;

const int kHistoryPage = 1;
const int kContactsPage = 2;

PHONEDATA recordOf(const QListWidgetItem *item)
{
    return item ? item->data(kRecordRole).value<PHONEDATA>() : PHONEDATA();
}

QByteArray indexKey(const PHONEDATA &entry)
{
    return (entry.num + entry.type).toUtf8();
}

// The row text is what the dial page searches; the row widget covers it.
// A screen reader reads the row itself, so it gets the name as well.
void setRecord(QListWidgetItem *item, const PHONEDATA &data, const QString &text)
{
    item->setData(kRecordRole, QVariant::fromValue(data));
    item->setData(Qt::AccessibleTextRole, CallRecord::spokenName(data));
    item->setSizeHint(QSize(60, 60));
    QFont font = item->font();
    font.setPointSize(1);
    item->setFont(font);
    item->setText(text);
}

QString contactText(const QString &name, const QString &phone)
{
    return name + QStringLiteral("  ") + phone;
}

}  // namespace

void MianWindow::setUpRecordLists()
{
    m_contactMenu = new HLMenu;
    m_contactMenuStyle = new MyMenu;
    m_contactMenu->setStyle(m_contactMenuStyle);
    QFont menuFont = m_contactMenu->font();
    menuFont.setPointSize(10);
    m_contactMenu->setFont(menuFont);
    m_contactMenu->setObjectName(QStringLiteral("recordMenu"));
    QAction *direct = m_contactMenu->addAction(QIcon(QStringLiteral("image/pstn.png")),
                                               tr("网络电话直拨"), this, &MianWindow::onPstn);
    direct->setToolTip(tr("网络电话直拨：只需要您的网速良好"));
    QAction *callback = m_contactMenu->addAction(QIcon(QStringLiteral("image/34.png")),
                                                 tr("Nuvoxa回拨电话"), this, &MianWindow::onHuibo);
    callback->setToolTip(
        tr("回拨：网速慢和网络不稳定时使用，通话不受网络影响，%1通话不耗流量，回拨相当于Nuvoxa"
           "同时呼叫两个号码，%2变拨打为接听电话，回拨的费用为直拨的2倍")
            .arg(QStringLiteral("\n"), QStringLiteral("\n")));
    m_contactMenu->addSeparator();
    QAction *edit = m_contactMenu->addAction(tr("编辑联系人"), this, &MianWindow::onEditf);
    QAction *remove = m_contactMenu->addAction(tr("从通讯录删除"), this, &MianWindow::onDeletef);
    // 138 pixels, unless the entries need more: this toolkit reserves an
    // icon column besides the sheet's left padding, and a cut-off entry
    // helps nobody.
    m_contactMenu->ensurePolished();
    m_contactMenu->setFixedWidth(qMax(138, m_contactMenu->sizeHint().width()));

    m_historyMenu = new HLMenu;
    m_historyMenu->addAction(tr("删除该条记录"), this, &MianWindow::onDelete);
    m_historyMenu->addAction(tr("删除所有记录"), this, &MianWindow::onDeleteAll);

    m_recordMenus.history = m_historyMenu;
    m_recordMenus.contact = m_contactMenu;
    m_recordMenus.notForService = {edit, remove, callback};

    for (QListWidget *list : {ui->listWidget, ui->listWidget_3}) {
        // Every row is 60 x 60; saying so spares the list measuring thousands.
        list->setUniformItemSizes(true);
        // A row's text only serves the search; its widget shows the record,
        // and the text must not peek out beside it.
        QPalette palette = list->palette();
        palette.setColor(QPalette::All, QPalette::Text, Qt::transparent);
        palette.setColor(QPalette::All, QPalette::HighlightedText, Qt::transparent);
        list->setPalette(palette);
    }
    const auto factory = [this](QListWidgetItem *item) -> QWidget * { return makeRecord(item); };
    m_historyRows = new LazyRows(ui->listWidget, factory);
    m_contactRows = new LazyRows(ui->listWidget_3, factory);
    m_historyTexts = new RowTexts(ui->listWidget);
    m_contactTexts = new RowTexts(ui->listWidget_3);
}

CallRecord *MianWindow::makeRecord(QListWidgetItem *item)
{
    auto *record = new CallRecord;
    connect(record, &CallRecord::emitWphone, this, &MianWindow::onWphone);
    connect(record, &CallRecord::emitHphone, this, &MianWindow::onHphone);
    connect(record, &CallRecord::onClickedFun, this, &MianWindow::onClickedFun);
    record->setMenus(&m_recordMenus);
    if (item->listWidget() == ui->listWidget)
        record->setHistoryData(recordOf(item));
    else
        record->setContactData(recordOf(item));
    record->setItem(item);
    return record;
}

// History

void MianWindow::loadHistory()
{
    // Ordered by number, one row per number: the first group wins.
    QMap<QByteArray, PHONEDATA> ordered;
    const QList<PHONEDATA> entries = HistoryStore(g_account).load();
    for (const PHONEDATA &entry : entries) {
        const QByteArray key = indexKey(entry);
        if (!ordered.contains(key))
            ordered.insert(key, entry);
    }
    for (auto it = ordered.cbegin(); it != ordered.cend(); ++it) {
        auto *item = new QListWidgetItem;
        setRecord(item, it.value(), it.value().num);
        ui->listWidget->addItem(item);
        m_recordMap.insert(it.key(), item);
    }
}

void MianWindow::addHistoryEntry(const QString &number, const QString &type)
{
    PHONEDATA entry;
    entry.time = QDateTime::currentDateTime().toString(QStringLiteral("yy.MM.dd hh:mm"));
    entry.num = number;
    entry.type = type;
    entry.name = number == Records::serviceNumber() ? tr("Nuvoxa客服")
                                                    : ContactStore(g_account).nameOf(number);

    const QByteArray key = indexKey(entry);
    // Deleting the row releases its widget once the event loop runs again,
    // so a call placed from that very widget's button finishes safely.
    delete m_recordMap.take(key);
    auto *item = new QListWidgetItem;
    setRecord(item, entry, number);
    ui->listWidget->insertItem(0, item);
    m_historyRows->added(item);
    m_recordMap.insert(key, item);

    RecordWriter::instance().writeHistory(g_account, entry);
}

QString MianWindow::newestHistoryNumber() const
{
    return recordOf(ui->listWidget->item(0)).num;
}

void MianWindow::removeHistoryGroup(const QString &number, const QString &type)
{
    RecordWriter::instance().removeHistory(g_account, number, type);
}

bool MianWindow::askYesNo(const QString &question)
{
    return MessageBox::information(this, tr("Nuvoxa"), question, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

void MianWindow::onDelete()
{
    if (!askYesNo(tr("是否删除本条记录")) || ui->stackedWidget->currentIndex() != kHistoryPage)
        return;
    emitDelete(ui->listWidget->currentItem());
}

void MianWindow::emitDelete(QListWidgetItem *item)
{
    if (!item || item->listWidget() != ui->listWidget)
        return;
    const PHONEDATA entry = recordOf(item);
    removeHistoryGroup(entry.num, entry.type);
    m_recordMap.remove(indexKey(entry));
    delete item;
}

void MianWindow::onDeleteAll()
{
    if (!askYesNo(tr("是否删除所有记录")) || ui->stackedWidget->currentIndex() != kHistoryPage)
        return;
    ui->listWidget->clear();
    m_recordMap.clear();
    HistoryStore(g_account).removeAll();
}

// Contacts

void MianWindow::loadContacts()
{
    appendContact(tr("Nuvoxa客服"), Records::serviceNumber())->setData(kBuiltInRole, true);
    const QList<ContactStore::Contact> contacts = ContactStore(g_account).load();
    for (const ContactStore::Contact &contact : contacts)
        appendContact(contact.name, contact.phone)->setData(kGroupRole, contact.group);
}

QListWidgetItem *MianWindow::appendContact(const QString &name, const QString &phone)
{
    auto *item = new QListWidgetItem;
    setRecord(item, PHONEDATA{QString(), phone, QString(), name}, contactText(name, phone));
    ui->listWidget_3->addItem(item);
    return item;
}

void MianWindow::dataString(const QString &name, const QString &phone, bool save)
{
    if (save) {
        const bool listed =
            !ui->listWidget_3->findItems(contactText(name, phone), Qt::MatchExactly).isEmpty();
        if (listed || (name == tr("Nuvoxa客服") && phone == Records::serviceNumber())) {
            QWidget *parent = m_addFriend->isVisible() ? static_cast<QWidget *>(m_addFriend) : this;
            MessageBox::information(parent, tr("Nuvoxa"), tr("联系人已存在!"));
            activateWindow();
            return;
        }
    }
    qDebug() << "contact" << name << phone;
    QListWidgetItem *item = appendContact(name, phone);
    if (save)
        item->setData(kGroupRole, saveContactGroup(name, phone));
}

QString MianWindow::saveContactGroup(const QString &name, const QString &phone)
{
    return RecordWriter::instance().saveContact(g_account, name, phone);
}

void MianWindow::removeContactGroup(const QString &group)
{
    RecordWriter::instance().removeContact(g_account, group);
}

void MianWindow::on_tbAdd_clicked()
{
    m_addFriend->setPhone(ui->leInput->text());
    m_addFriend->exec();
}

// The contact the menu acts on; never the built-in service contact.
QListWidgetItem *MianWindow::currentContact() const
{
    QListWidgetItem *item = ui->listWidget_3->currentItem();
    if (!item || item->data(kBuiltInRole).toBool())
        return nullptr;
    return item;
}

void MianWindow::onEditf()
{
    QListWidgetItem *item = currentContact();
    if (!item)
        return;
    const PHONEDATA contact = recordOf(item);
    EditFriend dialog;
    connect(&dialog, &EditFriend::dataEmit, this, &MianWindow::dataEmit);
    dialog.setData(contact.name, contact.num);
    dialog.exec();
}

void MianWindow::dataEmit(const QString &name, const QString &num)
{
    qDebug() << "contact edited" << name << num;
    QListWidgetItem *item = currentContact();
    if (!item)
        return;
    removeContactGroup(item->data(kGroupRole).toString());
    const PHONEDATA contact{QString(), num, QString(), name};
    setRecord(item, contact, contactText(name, num));
    if (auto *record = qobject_cast<CallRecord *>(ui->listWidget_3->itemWidget(item)))
        record->setContactData(contact);
    item->setData(kGroupRole, saveContactGroup(name, num));
}

void MianWindow::onDeletef()
{
    QListWidgetItem *item = currentContact();
    if (!item)
        return;
    if (!askYesNo(tr("是否删该联系人")))
        return;
    removeContactGroup(item->data(kGroupRole).toString());
    delete item;
}

// Rows, menus and suggestions

void MianWindow::onClickedFun(const PHONEDATA &, QListWidgetItem *item)
{
    if (!item)
        return;
    const int page = ui->stackedWidget->currentIndex();
    if (page == kContactsPage && item->listWidget() == ui->listWidget_3)
        ui->listWidget_3->setCurrentItem(item);
    else if (page == kHistoryPage && item->listWidget() == ui->listWidget)
        ui->listWidget->setCurrentItem(item);
}

// A right-click on a contact row that has no widget yet (rows get theirs
// when they come into view); rows with a widget open the menu themselves.
void MianWindow::customMune(const QPoint &pos)
{
    QListWidgetItem *item = ui->listWidget_3->itemAt(pos);
    if (!item)
        return;
    ui->listWidget_3->setCurrentItem(item);
    m_recordMenus.prepare(recordOf(item), false)
        ->exec(ui->listWidget_3->viewport()->mapToGlobal(pos));
}

void MianWindow::onPstn()
{
    QListWidgetItem *item = ui->listWidget_3->currentItem();
    ui->tb2->setChecked(true);
    ui->leInput->setText(recordOf(item).num);
    on_d13_clicked();
}

void MianWindow::onHuibo()
{
    QListWidgetItem *item = ui->listWidget_3->currentItem();
    ui->tb2->setChecked(true);
    ui->leInput->setText(recordOf(item).num);
    on_d14_clicked();
}

void MianWindow::onInPutText(const QString &text)
{
    QListWidget *hints = ui->listWidget_2;
    hints->clear();
    if (text.isEmpty()) {
        fillHintList();
        return;
    }
    // Contacts first; the history only when no contact matches.
    QListWidget *source = ui->listWidget_3;
    QVector<int> rows = m_contactTexts->rowsContaining(text);
    if (rows.isEmpty()) {
        source = ui->listWidget;
        rows = m_historyTexts->rowsContaining(text);
    }
    const QFont font(tr("宋体"), 11, QFont::Normal, false);
    for (const int row : qAsConst(rows)) {
        auto *line = new QListWidgetItem(source->item(row)->text());
        line->setFont(font);
        line->setSizeHint(QSize(35, 28));
        hints->addItem(line);
    }
}
