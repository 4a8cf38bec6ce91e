// The user agreement window.
#include "testutil.h"

#include "settings/userdlg.h"

#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

class TestUserDlg : public QObject
{
    Q_OBJECT

private slots:
    void showsTheTenParagraphs()
    {
        UserDlg dlg;
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("用户协议"));
        QCOMPARE(dlg.size(), QSize(628, 477));
        auto *edit = dlg.findChild<QTextEdit *>(QStringLiteral("textEdit"));
        QVERIFY(edit && edit->isReadOnly());

        const QTextDocument *document = edit->document();
        QCOMPARE(document->blockCount(), 10);
        QStringList paragraphs;
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            paragraphs.append(block.text());
        QCOMPARE(paragraphs.at(0), QStringLiteral("Nuvoxa用户服务协议"));
        QCOMPARE(document->begin().blockFormat().alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QVERIFY(paragraphs.at(1).isEmpty());
        QVERIFY(paragraphs.at(2).startsWith(
            QStringLiteral("1. 本服务条款是用户（您）与Veltrano国际有限公司（下称Nuvoxa）之间的协议。")));
        QVERIFY(paragraphs.at(3).startsWith(QStringLiteral("1.1 重要须知：")));
        QVERIFY(paragraphs.at(4).startsWith(QStringLiteral("1.2 ")));
        QVERIFY(paragraphs.at(5).startsWith(QStringLiteral("1.3 ")));
        QCOMPARE(paragraphs.at(6), QStringLiteral("2. 用户使用规则"));
        QVERIFY(paragraphs.at(7).startsWith(QStringLiteral("2.1 ")));
        QVERIFY(paragraphs.at(8).startsWith(QStringLiteral("2.2 ")));
        QVERIFY(paragraphs.at(9).startsWith(QStringLiteral("2.3 ")));
        for (int i = 2; i < 10; ++i)
            QVERIFY2(paragraphs.at(i).size() > (i == 6 ? 5 : 40), qPrintable(paragraphs.at(i)));
        TestUtil::saveScreenshot(&dlg, QStringLiteral("userdlg"));

        dlg.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestUserDlg)
#include "test_userdlg.moc"
