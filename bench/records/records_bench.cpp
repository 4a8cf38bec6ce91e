// Main window over a large history and contact list: construction time,
// resident memory, the dial page's suggestion update per typed digit, and
// how long a call added, a contact saved or an entry deleted holds the window.
// For comparison it also builds every row's widget up front, the way a
// list with one widget per row would.
//
//   records_bench [HISTORY=10000] [CONTACTS=2000]
//
// Runs offscreen in a private data folder unless the environment says
// otherwise; run it from anywhere, it works in its own program folder.
#include "app/globals.h"
#include "app/startup.h"
#include "core/settingsstore.h"
#include "mainwindow/mianwindow.h"
#include "records/callrecord.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

double rssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

QString mobile(QRandomGenerator &random)
{
    return QStringLiteral("1%1%2")
        .arg(3 + random.bounded(6))
        .arg(random.bounded(1000000000), 9, 10, QLatin1Char('0'));
}

// Both files written in one go, as they would look after years of use.
QStringList writeRecords(int history, int contacts)
{
    QRandomGenerator random(20261207);
    QStringList numbers;
    SettingsStore::ensureFolder();
    {
        auto file = SettingsStore::open(SettingsStore::historyFile(g_account));
        for (int i = 0; i < history; ++i) {
            const QString number = i % 5 == 0 ? QStringLiteral("0%1").arg(10 + i) : mobile(random);
            numbers << number;
            const QString group = number + QStringLiteral("out");
            file->setValue(group + QStringLiteral("/type"), QStringLiteral("out"));
            file->setValue(group + QStringLiteral("/num"), number);
            file->setValue(group + QStringLiteral("/time"), QStringLiteral("26.12.07 10:00"));
            file->setValue(group + QStringLiteral("/name"), QString());
        }
    }
    {
        auto file = SettingsStore::open(SettingsStore::contactsFile(g_account));
        for (int i = 0; i < contacts; ++i) {
            const QString name = QStringLiteral("联系人%1").arg(i);
            const QString phone = mobile(random);
            file->setValue(name + phone + QStringLiteral("/name"), name);
            file->setValue(name + phone + QStringLiteral("/phone"), phone);
        }
    }
    return numbers;
}

struct Stats
{
    double median = 0;
    double worst = 0;
};

Stats stats(QVector<double> samples)
{
    if (samples.isEmpty())
        return {};
    std::sort(samples.begin(), samples.end());
    return {samples.at(samples.size() / 2), samples.last()};
}

}  // namespace

int main(int argc, char **argv)
{
    const int history = argc > 1 ? atoi(argv[1]) : 10000;
    const int contacts = argc > 2 ? atoi(argv[2]) : 2000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    if (qEnvironmentVariableIsEmpty("NUVOXA_DATA_DIR"))
        qputenv("NUVOXA_DATA_DIR", QFile::encodeName(scratch.path()));
    qputenv("QT_LOGGING_RULES", "*.debug=false;qt.qpa.*=false");

    QApplication app(argc, argv);
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    Startup::installLook();
    g_account = QStringLiteral("bench");
    g_balance = QStringLiteral("12.50");

    const QStringList numbers = writeRecords(history, contacts);
    std::printf("records_bench: %d history entries, %d contacts\n", history, contacts);

    // Warm the toolkit up (fonts, style, pictures) so the first window's
    // one-off costs do not count against the lists.
    {
        const QString saved = g_account;
        g_account = QStringLiteral("empty");
        MianWindow warm;
        warm.show();
        settle();
        g_account = saved;
    }

    const double rssBefore = rssMiB();
    QElapsedTimer timer;
    timer.start();
    auto *window = new MianWindow;
    const double construct = ms(timer);
    window->show();
    settle();
    const double shown = ms(timer);
    const double rssWindow = rssMiB();

    // Suggestions: numbers typed digit by digit, each update drawn.
    auto *input = window->findChild<QLineEdit *>(QStringLiteral("leInput"));
    auto *hints = window->findChild<QListWidget *>(QStringLiteral("listWidget_2"));
    QVector<double> perDigit;
    QVector<double> firstDigit;
    int shownLines = 0;
    QRandomGenerator random(7);
    for (int n = 0; n < 30; ++n) {
        const QString number = n % 2 ? numbers.at(random.bounded(numbers.size())) : mobile(random);
        for (int i = 1; i <= number.size(); ++i) {
            QElapsedTimer digit;
            digit.start();
            input->setText(number.left(i));
            hints->repaint();
            settle();
            (i == 1 ? firstDigit : perDigit).append(ms(digit));
            shownLines = qMax(shownLines, hints->count());
        }
        input->clear();
        settle();
    }
    const Stats typed = stats(perDigit);
    const Stats first = stats(firstDigit);

    // Placing a call adds one entry to the big history.
    QVector<double> adds;
    for (int i = 0; i < 20; ++i) {
        input->setText(mobile(random));
        QElapsedTimer add;
        add.start();
        QMetaObject::invokeMethod(window, "on_d13_clicked");
        adds.append(ms(add));
        QMetaObject::invokeMethod(window, "on_pushButton_3_clicked");
    }
    const Stats added = stats(adds);

    // Saving a contact into the big contact list.
    QVector<double> saves;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer save;
        save.start();
        QMetaObject::invokeMethod(window, "dataString", Q_ARG(QString, QStringLiteral("新朋友%1").arg(i)),
                                  Q_ARG(QString, mobile(random)), Q_ARG(bool, true));
        saves.append(ms(save));
        settle();
    }
    const Stats saved = stats(saves);

    // Deleting the newest history entry, one after another.
    QVector<double> deletes;
    for (int i = 0; i < 20; ++i) {
        auto *historyList = window->findChild<QListWidget *>(QStringLiteral("listWidget"));
        QElapsedTimer remove;
        remove.start();
        QMetaObject::invokeMethod(window, "emitDelete", Q_ARG(QListWidgetItem *, historyList->item(0)));
        deletes.append(ms(remove));
        settle();
    }
    const Stats deleted = stats(deletes);

    // Closing the window waits until every change is in the files.
    QElapsedTimer closing;
    closing.start();
    delete window;
    const double closed = ms(closing);
    settle();

    // The same rows, each with its widget made up front.
    const double rssEagerBefore = rssMiB();
    timer.restart();
    {
        QListWidget historyList;
        QListWidget contactList;
        historyList.setUniformItemSizes(true);
        contactList.setUniformItemSizes(true);
        historyList.resize(281, 381);
        contactList.resize(281, 381);
        const auto fill = [](QListWidget *list, int count, bool isHistory) {
            for (int i = 0; i < count; ++i) {
                auto *item = new QListWidgetItem(QString::number(i), list);
                item->setSizeHint(QSize(60, 60));
                auto *record = new CallRecord;
                const QString num = QString::number(13900000000LL + i);
                if (isHistory)
                    record->setHistoryData({QStringLiteral("26.12.07 10:00"), num, QStringLiteral("out"), QString()});
                else
                    record->setContactData({QString(), num, QString(), QStringLiteral("联系人")});
                list->setItemWidget(item, record);
                record->setItem(item);
            }
        };
        fill(&historyList, history, true);
        fill(&contactList, contacts, false);
        historyList.show();
        settle();
        const double eager = ms(timer);
        const double rssEager = rssMiB();
        std::printf("\n%-52s %10s\n", "measure", "value");
        std::printf("%-52s %10.1f\n", "window construction, ms", construct);
        std::printf("%-52s %10.1f\n", "construction + first show, ms", shown);
        std::printf("%-52s %10.1f\n", "RSS before the window, MiB", rssBefore);
        std::printf("%-52s %10.1f\n", "RSS with the window, MiB", rssWindow);
        std::printf("%-52s %10.2f\n", "suggestion update per digit, median ms", typed.median);
        std::printf("%-52s %10.2f\n", "suggestion update per digit, worst ms", typed.worst);
        std::printf("%-52s %10.2f\n", "first digit (most matches), median ms", first.median);
        std::printf("%-52s %10.2f\n", "first digit (most matches), worst ms", first.worst);
        std::printf("%-52s %10d\n", "most suggestion lines shown", shownLines);
        std::printf("%-52s %10.2f\n", "call added to the history, median ms", added.median);
        std::printf("%-52s %10.2f\n", "call added to the history, worst ms", added.worst);
        std::printf("%-52s %10.2f\n", "contact saved, median ms", saved.median);
        std::printf("%-52s %10.2f\n", "contact saved, worst ms", saved.worst);
        std::printf("%-52s %10.2f\n", "history entry deleted, median ms", deleted.median);
        std::printf("%-52s %10.2f\n", "history entry deleted, worst ms", deleted.worst);
        std::printf("%-52s %10.1f\n", "window closed, changes written, ms", closed);
        std::printf("%-52s %10.1f\n", "every row's widget made up front, ms", eager);
        std::printf("%-52s %10.1f\n", "  RSS growth for those widgets, MiB", rssEager - rssEagerBefore);
    }
    std::fflush(stdout);
    return 0;
}
