// Arbitrary bytes as every INI file the stores open: the remembered logins,
// the auto-login file, the history and the contacts of an account. Reading
// must neither crash nor change the file.
#include "core/recordstore.h"
#include "core/settingsstore.h"
#include "fuzzsupport.h"

#include <QDir>
#include <QFile>

namespace {

QString g_base;
int g_run = 0;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::init(argc, argv);
    g_base = qEnvironmentVariable("NUVOXA_DATA_DIR");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // A data folder of its own per input: the INI store caches parsed files
    // by path.
    const QString dataDir = g_base + QStringLiteral("/run%1").arg(++g_run);
    qputenv("NUVOXA_DATA_DIR", dataDir.toLocal8Bit());
    SettingsStore::ensureFolder();

    const QString account = QStringLiteral("13800001111");
    const QStringList files = {SettingsStore::loginFile(), SettingsStore::lastLoginFile(),
                               SettingsStore::autoLoginFile(), SettingsStore::historyFile(account),
                               SettingsStore::contactsFile(account)};
    for (const QString &path : files)
        FUZZ_CHECK(writeFile(path, bytes), path);

    SettingsStore::readLogins();
    SettingsStore::readLastLogins();
    SettingsStore::Account autoAccount;
    SettingsStore::readAutoLogin(&autoAccount);
    const QList<PHONEDATA> history = HistoryStore(account).load();
    const QList<ContactStore::Contact> contacts = ContactStore(account).load();
    ContactStore(account).nameOf(QStringLiteral("13800001111"));
    // A record is a group: a section, or the part before a "/" of a key.
    const int groups = bytes.count('[') + bytes.count('/') + 1;
    FUZZ_CHECK(history.size() <= groups, QString());
    FUZZ_CHECK(contacts.size() <= groups, QString());

    for (const QString &path : files)
        FUZZ_CHECK(readFile(path) == bytes, path);

    QDir(dataDir).removeRecursively();
    return 0;
}
