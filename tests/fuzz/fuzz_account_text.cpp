// Hostile account and password texts: the account token of the web pages,
// the page addresses built with it, and the per-account file names.
#include "app/accountpages.h"
#include "app/globals.h"
#include "callsdk_double.h"
#include "core/settingsstore.h"
#include "fuzzsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QUrlQuery>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // Account text, then after the first NUL the voice library's password text.
    const int cut = bytes.indexOf('\0');
    g_account = QString::fromUtf8(cut >= 0 ? bytes.left(cut) : bytes);
    const QByteArray pwd = cut >= 0 ? bytes.mid(cut + 1) : QByteArray();
    const int pwdEnd = pwd.indexOf('\0');
    const QByteArray pwdText = pwdEnd >= 0 ? pwd.left(pwdEnd) : pwd;
    CallSdkDouble::setPwdText(pwdText.constData());

    const QString token = AccountPages::token();
    FUZZ_CHECK(QByteArray::fromBase64(token.toLatin1()) == g_account.toUtf8() + '|' + pwdText,
               token);

    const QUrl page = AccountPages::withToken(QStringLiteral("/pay_list?v="));
    FUZZ_CHECK(page.isValid(), page.toString());
    FUZZ_CHECK(page.host() == QLatin1String("web.example") && page.port() == 8081, page.toString());
    FUZZ_CHECK(page.path() == QLatin1String("/pay_list"), page.toString());
    FUZZ_CHECK(!page.hasFragment(), page.toString());
    const QUrlQuery query(page);
    FUZZ_CHECK(query.queryItems().size() == 1, page.toString());
    FUZZ_CHECK(query.queryItemValue(QStringLiteral("v"), QUrl::FullyDecoded) == token,
               page.toString());

    const QString name = SettingsStore::safeName(g_account);
    FUZZ_CHECK(!name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.')),
               name);
    const QString folder = QDir::cleanPath(SettingsStore::folder());
    for (const QString &path : {SettingsStore::historyFile(g_account), SettingsStore::contactsFile(g_account)}) {
        FUZZ_CHECK(QFileInfo(QDir::cleanPath(path)).absolutePath() == folder, path);
    }
    return 0;
}
