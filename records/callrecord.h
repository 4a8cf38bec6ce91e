#ifndef NUVOXA_RECORDS_CALLRECORD_H
#define NUVOXA_RECORDS_CALLRECORD_H

#include "core/phonedata.h"

#include <QList>
#include <QWidget>

namespace Ui {
class CallRecord;
}
class QAction;
class QListWidgetItem;
class QMenu;

// The right-click menus of the two lists, owned by the main window.
struct RecordMenus
{
    QMenu *history = nullptr;
    QMenu *contact = nullptr;
    // Contact actions that make no sense for the service number.
    QList<QAction *> notForService;

    // The menu for a right-click on the record, its actions enabled for it.
    QMenu *prepare(const PHONEDATA &data, bool history) const;
};

// One row of the history or contacts list: number, name, time of the last
// call (history only) and the direct-call and callback buttons.
class CallRecord : public QWidget
{
    Q_OBJECT
public:
    explicit CallRecord(QWidget *parent = nullptr);
    ~CallRecord() override;

    void setHistoryData(const PHONEDATA &data);
    void setContactData(const PHONEDATA &data);
    void setItem(QListWidgetItem *item);
    void setMenus(const RecordMenus *menus);
    QString phoneNumber() const { return m_data.num; }
    const PHONEDATA &data() const { return m_data; }
    bool isHistory() const { return m_isHistory; }
    // What a screen reader says for the record: name and number.
    static QString spokenName(const PHONEDATA &data);

signals:
    void emitWphone(const QString &number);
    void emitHphone(const QString &number);
    void onClickedFun(const PHONEDATA &data, QListWidgetItem *item);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private slots:
    void on_toolButton_2_clicked();
    void on_toolButton_4_clicked();

private:
    void showRecord(const PHONEDATA &data);

    Ui::CallRecord *ui;
    PHONEDATA m_data;
    QListWidgetItem *m_item = nullptr;
    bool m_isHistory = false;
    const RecordMenus *m_menus = nullptr;
};

#endif
