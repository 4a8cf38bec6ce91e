#ifndef NUVOXA_RECORDS_ROWTEXTS_H
#define NUVOXA_RECORDS_ROWTEXTS_H

#include <QObject>
#include <QVector>

class QListWidget;
class QModelIndex;

// The display texts of a list's rows, kept in step with the list, so a
// search while typing scans plain strings instead of asking the model for
// every row (10,000 history rows otherwise cost more than a frame).
// Delete it before the list: a list that is being destroyed still reports
// changes of its rows.
class RowTexts : public QObject
{
    Q_OBJECT
public:
    explicit RowTexts(QListWidget *list);

    // Rows whose text contains `text`, in ascending order.
    QVector<int> rowsContaining(const QString &text) const;

private:
    QString textOf(int row) const;
    void rebuild();
    void inserted(const QModelIndex &parent, int first, int last);
    void removed(const QModelIndex &parent, int first, int last);
    void changed(const QModelIndex &topLeft, const QModelIndex &bottomRight);

    QListWidget *m_list;
    QVector<QString> m_texts;
};

#endif
