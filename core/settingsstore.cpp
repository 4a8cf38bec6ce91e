#include "core/settingsstore.h"

#include "platform/paths.h"
#include "platform/privatefile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSettings>

namespace SettingsStore {

QString folder()
{
    return Paths::settingsDir();
}

QString loginFile()
{
    return folder() + QStringLiteral("/login");
}

QString lastLoginFile()
{
    return folder() + QStringLiteral("/lastlogin");
}

QString autoLoginFile()
{
    return folder() + QStringLiteral("/autologin");
}

QString historyFile(const QString &account)
{
    return folder() + QStringLiteral("/phonedata") + safeName(account);
}

QString contactsFile(const QString &account)
{
    return folder() + QStringLiteral("/frined") + safeName(account);
}

QString safeName(const QString &account)
{
    QString out;
    out.reserve(account.size());
    for (int i = 0; i < account.size(); ++i) {
        const QChar c = account.at(i);
        const bool unsafe = c == QLatin1Char('/') || c == QLatin1Char('\\')
                            || c == QLatin1Char('%') || c.unicode() < 0x20 || c.unicode() == 0x7f
                            || (i == 0 && c == QLatin1Char('.')) || c.category() == QChar::Other_Format;
        if (!unsafe) {
            out += c;
            continue;
        }
        const QByteArray utf8 = QString(c).toUtf8();
        for (const char byte : utf8)
            out += QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
    }
    // The empty name would be no group at all.
    return out.isEmpty() ? QStringLiteral("%00") : out;
}

bool ensureFolder()
{
    return QDir().mkpath(folder());
}

// The INI store parses a file once per process and reports a parse error
// only to the QSettings that read it; later ones share the parsed copy while
// the file's size and time stay the same. Files that failed are remembered
// with exactly that size and time.
using FileStamp = QPair<qint64, QDateTime>;

static FileStamp stamp(const QString &path)
{
    const QFileInfo info(path);
    return {info.size(), info.lastModified()};
}

// The record writer opens files on its own thread.
static QMutex unreadableMutex;

static QHash<QString, FileStamp> &unreadableFiles()
{
    static QHash<QString, FileStamp> files;
    return files;
}

// A client killed while the INI store held its lock can leave the lock file
// behind. One naming a dead process the store clears at once, but an empty
// one (killed between creating and filling it) only when it is 30 s old, and
// it waits that long. Only the client writes these files, one instance at a
// time and each file from one thread at a time (the record files from the
// record writer's), so a lock file that is empty when a store opens is such
// a remainder, or at worst the writer's own just being filled, which guards
// against nobody else.
static void clearStaleLock(const QString &path)
{
    const QFileInfo lock(path + QStringLiteral(".lock"));
    if (lock.exists() && lock.size() == 0)
        QFile::remove(lock.filePath());
}

std::unique_ptr<QSettings> open(const QString &path, bool secret)
{
    clearStaleLock(path);
    if (secret && !QFileInfo::exists(path) && QFileInfo(path).dir().exists())
        PrivateFile::create(path);
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    if (settings->status() == QSettings::FormatError) {
        const QMutexLocker lock(&unreadableMutex);
        unreadableFiles().insert(path, stamp(path));
    }
    return settings;
}

// Keeps the bytes of a file that did not read cleanly under damaged/ before
// the store rewrites it from what it could read. Owner-only: the login files
// hold passwords.
static bool keepDamagedCopy(const QString &path)
{
    QFile damaged(path);
    if (!damaged.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = damaged.readAll();
    const QString dir = folder() + QStringLiteral("/damaged");
    if (!QDir().mkpath(dir))
        return false;
    const QString base = dir + QLatin1Char('/') + QFileInfo(path).fileName() + QLatin1Char('-')
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString copyPath = base;
    for (int n = 2; QFileInfo::exists(copyPath); ++n)
        copyPath = base + QLatin1Char('-') + QString::number(n);
    if (!PrivateFile::writeNew(copyPath, bytes))
        return false;
    qWarning() << "settings:" << path << "did not read cleanly; its bytes are kept in" << copyPath;
    return true;
}

bool writable(const QSettings &settings)
{
    if (settings.status() == QSettings::AccessError)
        return false;
    const QString path = settings.fileName();
    const QMutexLocker lock(&unreadableMutex);
    const auto known = unreadableFiles().constFind(path);
    const bool damaged = settings.status() == QSettings::FormatError
                         || (known != unreadableFiles().constEnd() && *known == stamp(path));
    if (!damaged)
        return true;
    if (!keepDamagedCopy(path)) {
        qDebug() << "settings: not writing" << path << "it did not read cleanly and no copy could be kept";
        return false;
    }
    unreadableFiles().remove(path);
    return true;
}

void saveLogin(const QString &account, const QString &password, bool rememberPassword,
               bool autoLogin)
{
    ensureFolder();
    {
        auto login = open(loginFile(), true);
        if (writable(*login)) {
            login->beginGroup(safeName(account));
            login->setValue(QStringLiteral("acc"), account);
            login->setValue(QStringLiteral("pwd"), rememberPassword ? password : QString());
            login->endGroup();
        }
    }
    if (autoLogin)
        writeAutoLogin(account, password);
    else
        removeAutoLogin();
}

void saveLastLogin(const QString &account, const QString &password, bool rememberPassword)
{
    ensureFolder();
    auto last = open(lastLoginFile(), true);
    if (!writable(*last))
        return;
    last->beginGroup(QStringLiteral("lastlogin"));
    last->setValue(QStringLiteral("acc"), account);
    last->setValue(QStringLiteral("pwd"), rememberPassword ? password : QString());
    last->endGroup();
}

void writeAutoLogin(const QString &account, const QString &password)
{
    ensureFolder();
    auto autoLogin = open(autoLoginFile(), true);
    if (!writable(*autoLogin))
        return;
    autoLogin->beginGroup(QStringLiteral("AUTO"));
    autoLogin->setValue(QStringLiteral("acc"), account);
    autoLogin->setValue(QStringLiteral("pwd"), password);
    autoLogin->endGroup();
}

void removeAutoLogin()
{
    QFile::remove(autoLoginFile());
}

bool autoLoginExists()
{
    return QFileInfo::exists(autoLoginFile());
}

static QList<Account> readGroups(const QString &path)
{
    QList<Account> accounts;
    if (!QFileInfo::exists(path))
        return accounts;
    auto settings = open(path);
    const QStringList groups = settings->childGroups();
    for (const QString &group : groups) {
        settings->beginGroup(group);
        accounts.append({settings->value(QStringLiteral("acc")).toString(),
                         settings->value(QStringLiteral("pwd")).toString()});
        settings->endGroup();
    }
    return accounts;
}

bool readAutoLogin(Account *account)
{
    const QList<Account> groups = readGroups(autoLoginFile());
    if (groups.isEmpty())
        return false;
    *account = groups.first();
    return true;
}

QList<Account> readLogins()
{
    return readGroups(loginFile());
}

QList<Account> readLastLogins()
{
    return readGroups(lastLoginFile());
}

}  // namespace SettingsStore
