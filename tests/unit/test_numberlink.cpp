// Numbers from links, the command line and the clipboard: what reaches the
// number field and what is refused.
#include "core/numberlink.h"

#include <QTest>

class TestNumberLink : public QObject
{
    Q_OBJECT

private slots:
    void linksGiveTheDialableNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");  // empty: refused

        QTest::newRow("tel, international") << "tel:+86-139-1234-5678" << "008613912345678";
        QTest::newRow("tel, all separators") << "tel:+44 (20) 7946.0958" << "00442079460958";
        QTest::newRow("tel, upper-case scheme") << "TEL:010-12345678" << "01012345678";
        QTest::newRow("tel, parameters ignored") << "tel:7946-0958;phone-context=+44-20;ext=1" << "79460958";
        QTest::newRow("tel, escaped blank and plus") << "tel:%2B44%2020%207946%200958" << "00442079460958";
        QTest::newRow("tel, star and hash") << "tel:*21#" << "*21#";
        QTest::newRow("callto") << "callto:13800138000" << "13800138000";
        QTest::newRow("callto with slashes") << "callto://+8613800138000" << "008613800138000";
        QTest::newRow("sip user part") << "sip:+86-10-1234-5678@voice.example;user=phone" << "00861012345678";
        QTest::newRow("sip user with parameters") << "sip:13800138000;isub=1@host?subject=x" << "13800138000";
        QTest::newRow("sip without host") << "sip:13800138000" << "13800138000";
        QTest::newRow("bare number") << "13800138000" << "13800138000";
        QTest::newRow("bare, pasted with blanks") << "  +86 139 1234 5678\n" << "008613912345678";
        QTest::newRow("25 digits") << "tel:" + QString(25, '1') << QString(25, '1');

        QTest::newRow("26 digits") << "tel:" + QString(26, '1') << "";
        QTest::newRow("plus makes it 26") << "+" + QString(24, '1') << "";
        QTest::newRow("empty link") << "tel:" << "";
        QTest::newRow("only separators") << "tel:-.()" << "";
        QTest::newRow("plus inside") << "tel:139+1234" << "";
        QTest::newRow("letters") << "tel:1-800-FLOWERS" << "";
        QTest::newRow("sip account name") << "sip:alice@voice.example" << "";
        QTest::newRow("sip password") << "sip:123:secret@host" << "";
        QTest::newRow("other scheme") << "http://13800138000" << "";
        QTest::newRow("scheme inside") << "tel:tel:123" << "";
        QTest::newRow("escaped separator is data") << "tel:123%3Bext=1" << "";
        QTest::newRow("escaped line feed") << "tel:123%0A" << "";
        QTest::newRow("escaped NUL") << "tel:123%00" << "";
        QTest::newRow("escaped non-ASCII digit") << "tel:%EF%BC%91" << "";  // FULLWIDTH DIGIT ONE
        QTest::newRow("escape decoded once") << "tel:%2531" << "";
        QTest::newRow("cut escape") << "tel:123%3" << "";
        QTest::newRow("bad escape") << "tel:%G1" << "";
        QTest::newRow("line feed inside") << "123\n456" << "";
        QTest::newRow("huge") << "tel:" + QString(100000, '1') << "";
    }

    void linksGiveTheDialableNumber()
    {
        QFETCH(QString, text);
        QFETCH(QString, number);
        QCOMPARE(NumberLink::dialable(text), number);
        // What the field holds goes through unchanged (a handed-over number
        // is checked again by the receiving copy).
        if (!number.isEmpty())
            QCOMPARE(NumberLink::dialable(number), number);
    }
};

QTEST_MAIN(TestNumberLink)
#include "test_numberlink.moc"
