#include "records/rowtexts.h"

#include <QListWidget>

RowTexts::RowTexts(QListWidget *list)
    : m_list(list)
{
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &RowTexts::inserted);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &RowTexts::removed);
    connect(model, &QAbstractItemModel::dataChanged, this, &RowTexts::changed);
    connect(model, &QAbstractItemModel::rowsMoved, this, &RowTexts::rebuild);
    connect(model, &QAbstractItemModel::modelReset, this, &RowTexts::rebuild);
    connect(model, &QAbstractItemModel::layoutChanged, this, &RowTexts::rebuild);
    rebuild();
}

QString RowTexts::textOf(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->text() : QString();
}

void RowTexts::rebuild()
{
    m_texts.resize(m_list->count());
    for (int row = 0; row < m_texts.size(); ++row)
        m_texts[row] = textOf(row);
}

void RowTexts::inserted(const QModelIndex &, int first, int last)
{
    m_texts.insert(first, last - first + 1, QString());
    for (int row = first; row <= last; ++row)
        m_texts[row] = textOf(row);
}

void RowTexts::removed(const QModelIndex &, int first, int last)
{
    m_texts.remove(first, last - first + 1);
}

void RowTexts::changed(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    for (int row = topLeft.row(); row <= bottomRight.row() && row < m_texts.size(); ++row)
        m_texts[row] = textOf(row);
}

QVector<int> RowTexts::rowsContaining(const QString &text) const
{
    QVector<int> rows;
    for (int row = 0; row < m_texts.size(); ++row) {
        if (m_texts.at(row).contains(text))
            rows.append(row);
    }
    return rows;
}
