// The interface language: which locale gets which texts, and whether the
// English file keeps up with the texts of the sources.
#include "app/startup.h"
#include "platform/translation.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

#include <set>
#include <utility>

namespace {

struct Message
{
    QString context;
    QString source;
    QString translation;
    QString type;  // "unfinished", "vanished", "obsolete" or empty when done
};

QVector<Message> readTs(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, {}, {}, {}});
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = xml.readElementText();
        }
    }
    return messages;
}

std::multiset<QString> placeholders(const QString &text)
{
    std::multiset<QString> found;
    static const QRegularExpression marker(QStringLiteral("%\\d+"));
    auto it = marker.globalMatch(text);
    while (it.hasNext())
        found.insert(it.next().captured());
    return found;
}

// Font families a text names: the whole text when it is one the forms use,
// and every family of its style attributes.
QStringList families(const QString &text)
{
    if (!QFont::substitutes(text).isEmpty())
        return {text};
    QStringList found;
    static const QRegularExpression style(QStringLiteral("font-family:'([^']+)'"));
    auto it = style.globalMatch(text);
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}

const char *const kProbe = "只能同时登录一个账号！";

}  // namespace

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installFontSubstitutes(); }

    void cleanup()
    {
        // A translator leaves the application when it is destroyed.
        qDeleteAll(qApp->findChildren<QTranslator *>());
    }

    // The environment as a desktop session or a terminal sets it.
    void textsFollowTheLocale_data()
    {
        QTest::addColumn<QByteArray>("lcAll");
        QTest::addColumn<QByteArray>("lcMessages");
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<bool>("english");
        QTest::newRow("en_US") << QByteArray() << QByteArray() << QByteArray("en_US.UTF-8") << true;
        QTest::newRow("en_GB") << QByteArray() << QByteArray() << QByteArray("en_GB.UTF-8") << true;
        QTest::newRow("zh_CN") << QByteArray() << QByteArray() << QByteArray("zh_CN.UTF-8") << false;
        QTest::newRow("zh_TW") << QByteArray() << QByteArray() << QByteArray("zh_TW.UTF-8") << false;
        QTest::newRow("fr_FR, no translation") << QByteArray() << QByteArray() << QByteArray("fr_FR.UTF-8") << false;
        QTest::newRow("C") << QByteArray("C.UTF-8") << QByteArray() << QByteArray() << false;
        QTest::newRow("POSIX") << QByteArray() << QByteArray() << QByteArray("POSIX") << false;
        QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << false;
        QTest::newRow("messages over LANG")
            << QByteArray() << QByteArray("en_US.UTF-8") << QByteArray("zh_CN.UTF-8") << true;
        QTest::newRow("LC_ALL over messages")
            << QByteArray("zh_CN.UTF-8") << QByteArray("en_US.UTF-8") << QByteArray() << false;
    }

    void textsFollowTheLocale()
    {
        QFETCH(QByteArray, lcAll);
        QFETCH(QByteArray, lcMessages);
        QFETCH(QByteArray, lang);
        QFETCH(bool, english);
        const QByteArray saved = qgetenv("LC_ALL");
        const std::pair<const char *, QByteArray> variables[] = {
            {"LC_ALL", lcAll}, {"LC_MESSAGES", lcMessages}, {"LANG", lang}};
        for (const auto &variable : variables) {
            if (variable.second.isEmpty())
                qunsetenv(variable.first);
            else
                qputenv(variable.first, variable.second);
        }
        // Numbers written the English way do not make the interface English.
        qputenv("LC_NUMERIC", "en_US.UTF-8");
        Translation::install(*qApp);
        qputenv("LC_ALL", saved);
        QCOMPARE(QCoreApplication::translate("main", kProbe),
                 english ? QStringLiteral("Only one account can be logged in at a time!") : QString::fromUtf8(kProbe));
    }

    // The English file against the sources as they stand: a new or changed
    // text without its translation, a translation left for a text that is
    // gone, or one that drops a %1 fails here.
    void everyTextHasAFinishedTranslation()
    {
        const QString source = qEnvironmentVariable("NUVOXA_SOURCE_DIR");
        const QString lupdate = qEnvironmentVariable("NUVOXA_LUPDATE");
        QVERIFY2(!lupdate.isEmpty() && !source.isEmpty(), "NUVOXA_LUPDATE and NUVOXA_SOURCE_DIR are set by CTest");
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("nuvoxa_en.ts"));
        QVERIFY(QFile::copy(source + QStringLiteral("/translations/nuvoxa_en.ts"), ts));
        QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
        QProcess run;
        run.setWorkingDirectory(source);
        run.setProcessChannelMode(QProcess::MergedChannels);
        // The include path lets it find the class of every tr() it reads.
        QStringList arguments{QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                              QStringLiteral("-I"), source};
        arguments << qEnvironmentVariable("NUVOXA_TEXT_DIRS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        arguments << QStringLiteral("-ts") << ts;
        run.start(lupdate, arguments);
        QVERIFY2(run.waitForFinished(60000) && run.exitCode() == 0, run.readAll().constData());

        const QVector<Message> messages = readTs(ts);
        QVERIFY(messages.size() > 100);
        QStringList faults;
        for (const Message &m : messages) {
            const QString where = m.context + QStringLiteral(": ") + m.source.left(40);
            if (!m.type.isEmpty() || m.translation.isEmpty())
                faults << QStringLiteral("%1 [%2]").arg(where, m.type.isEmpty() ? QStringLiteral("empty") : m.type);
            else if (placeholders(m.source) != placeholders(m.translation))
                faults << where + QStringLiteral(" [placeholders differ]");
        }
        QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("\n") + faults.join(QLatin1Char('\n'))));
    }

    // A family the English texts name must land on the face the Chinese
    // one does, not on whatever the system falls back to.
    void fontFamiliesMapToTheSkinFaces()
    {
        const QVector<Message> messages =
            readTs(qEnvironmentVariable("NUVOXA_SOURCE_DIR") + QStringLiteral("/translations/nuvoxa_en.ts"));
        int checked = 0;
        for (const Message &m : messages) {
            const QStringList from = families(m.source);
            const QStringList to = families(m.translation);
            QCOMPARE(to.size(), from.size());
            for (int i = 0; i < from.size(); ++i, ++checked) {
                QFont chinese(from.at(i));
                QFont english(to.at(i));
                QCOMPARE(QFontInfo(english).family(), QFontInfo(chinese).family());
            }
        }
        QVERIFY(checked > 0);
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
