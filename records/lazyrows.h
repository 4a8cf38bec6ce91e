#ifndef NUVOXA_RECORDS_LAZYROWS_H
#define NUVOXA_RECORDS_LAZYROWS_H

#include <QObject>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QWidget;

// Gives the rows of a list their item widgets when they come into view.
// A list of thousands of records would otherwise build thousands of
// widgets at start-up that nobody scrolls to. Every row's data lives in the
// item itself, so a row without its widget yet is complete.
// Delete it before the list: a list that is being destroyed still reports
// changes of its rows.
class LazyRows : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<QWidget *(QListWidgetItem *)>;

    LazyRows(QListWidget *list, Factory factory);

    // A row just added gets its widget at once when the list is on screen,
    // so that no frame shows it empty; otherwise it waits like the others.
    // A call placed from the dial page adds its row this way, while the
    // call is being set up.
    void added(QListWidgetItem *item);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void schedule();
    // Gives every row in view its widget now; a list that is not on screen
    // has no row in view, and gets them when it is shown.
    void fill();
    void widgetFor(QListWidgetItem *item);

    QListWidget *m_list;
    QWidget *m_viewport;
    Factory m_factory;
    bool m_scheduled = false;
};

#endif
