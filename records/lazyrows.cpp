#include "records/lazyrows.h"

#include <QEvent>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>

LazyRows::LazyRows(QListWidget *list, Factory factory)
    : m_list(list)
    , m_viewport(list->viewport())
    , m_factory(std::move(factory))
{
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this, &LazyRows::schedule);
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &LazyRows::schedule);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &LazyRows::schedule);
    connect(model, &QAbstractItemModel::rowsMoved, this, &LazyRows::schedule);
    connect(model, &QAbstractItemModel::modelReset, this, &LazyRows::schedule);
    connect(model, &QAbstractItemModel::layoutChanged, this, &LazyRows::schedule);
    m_viewport->installEventFilter(this);
}

bool LazyRows::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport
        && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        schedule();
    return QObject::eventFilter(watched, event);
}

// Model signals arrive in the middle of a change; the rows are laid out
// only after it, so the filling waits for the event loop.
void LazyRows::schedule()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        fill();
    });
}

void LazyRows::widgetFor(QListWidgetItem *item)
{
    if (item && !m_list->itemWidget(item))
        m_list->setItemWidget(item, m_factory(item));
}

void LazyRows::added(QListWidgetItem *item)
{
    if (m_viewport->isVisible())
        widgetFor(item);
}

void LazyRows::fill()
{
    const QRect view = m_viewport->rect();
    if (m_list->count() == 0 || view.isEmpty() || !m_viewport->isVisible())
        return;
    QListWidgetItem *top = m_list->itemAt(view.topLeft());
    // One row beyond each edge, so a small scroll shows no empty row.
    for (int row = qMax(0, (top ? m_list->row(top) : 0) - 1); row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        const QRect rect = m_list->visualItemRect(item);
        if (!rect.isValid())
            break;
        widgetFor(item);
        if (rect.top() > view.bottom())
            break;
    }
}
