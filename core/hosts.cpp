#include "core/hosts.h"

#include <QSslCertificate>
#include <QSslConfiguration>

#include <cstdio>

namespace Hosts {

static QString setting(const char *variable, const char *fallback)
{
    const QString value = qEnvironmentVariable(variable).trimmed();
    return value.isEmpty() ? QString::fromUtf8(fallback) : value;
}

static QString base(const QString &host)
{
    static const QString https = QStringLiteral("https://");
    QString b = host.startsWith(https, Qt::CaseInsensitive) ? https + host.mid(https.size())
                                                            : QStringLiteral("http://") + host;
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return b;
}

QString cloudBase()
{
    return base(setting("NUVOXA_CLOUD_HOST", NUVOXA_DEFAULT_CLOUD_HOST));
}

QString webBase()
{
    return base(setting("NUVOXA_WEB_HOST", NUVOXA_DEFAULT_WEB_HOST));
}

bool installTrust()
{
    const QString file = setting("NUVOXA_CA_FILE", NUVOXA_DEFAULT_CA_FILE);
    if (file.isEmpty())
        return true;
    const QList<QSslCertificate> extra = QSslCertificate::fromPath(file, QSsl::Pem,
                                                                   QSslCertificate::PatternSyntax::FixedString);
    if (extra.isEmpty()) {
        std::fprintf(stderr, "nuvoxa: no certificate in %s (NUVOXA_CA_FILE)\n", qPrintable(file));
        return false;
    }
    // Naming the authorities ends Qt's loading of the system's on demand, so
    // the system's are named too.
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setCaCertificates(QSslConfiguration::systemCaCertificates() + extra);
    QSslConfiguration::setDefaultConfiguration(config);
    return true;
}

}  // namespace Hosts
