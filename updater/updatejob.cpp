#include "updater/updatejob.h"

#include "core/hosts.h"
#include "core/updatesignature.h"
#include "platform/instanceguard.h"
#include "updater/installer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>

namespace {

constexpr int kPollMs = 200;
// No byte for this long ends a download.
constexpr int kTransferTimeoutMs = 60000;
const char kManifestName[] = "clientCheck.xml";
const char kSignatureName[] = "clientCheck.xml.minisig";

QUrl entryUrl(const QString &entry)
{
    QByteArray path = "/cloud/pc/app";
    for (const QString &segment : entry.split(QLatin1Char('/')))
        path += '/' + QUrl::toPercentEncoding(segment);
    return QUrl(Hosts::cloudBase() + QString::fromLatin1(path), QUrl::StrictMode);
}

}  // namespace

UpdateJob::UpdateJob(const QString &programDir, const QStringList &entries, QObject *parent)
    : QObject(parent)
    , m_programDir(programDir)
{
    for (const QString &entry : entries) {
        if (!Installer::isSafeEntry(entry))
            m_badEntries.append(entry);
        // The server's manifest and its signature become clientCheck.xml and
        // its signature in any case.
        else if (!m_entries.contains(entry) && entry != QLatin1String(kManifestName)
                 && entry != QLatin1String(kSignatureName))
            m_entries.append(entry);
    }
    connect(&m_query, &UpdateFetch::finished, this, &UpdateJob::onManifest);
    m_waitTimer.setInterval(kPollMs);
    connect(&m_waitTimer, &QTimer::timeout, this, &UpdateJob::waitForClient);
}

UpdateJob::~UpdateJob()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateJob::start()
{
    if (!m_badEntries.isEmpty()) {
        fail(tr("更新文件名无效：%1").arg(m_badEntries.join(QStringLiteral("，"))));
        return;
    }
    const QFileInfo folder(m_programDir);
    if (!folder.isDir() || !folder.isWritable()) {
        fail(tr("程序文件夹 %1 不可写").arg(m_programDir));
        return;
    }
    QStringList linked;
    for (const QString &entry : m_entries + QStringList{QLatin1String(kManifestName), QLatin1String(kSignatureName)}) {
        if (Installer::reachesThroughLink(m_programDir, entry))
            linked.append(entry);
    }
    if (!linked.isEmpty()) {
        fail(tr("更新文件名无效：%1").arg(linked.join(QStringLiteral("，"))));
        return;
    }
    if (UpdateSignature::trustedKey().isEmpty()) {
        fail(tr("这个版本没有更新签名密钥，不能接受任何更新"));
        return;
    }
    m_staging = std::make_unique<QTemporaryDir>(m_programDir + QStringLiteral("/.nuvoxa-update-XXXXXX"));
    if (!m_staging->isValid() || !QDir().mkpath(m_staging->path() + QStringLiteral("/new"))) {
        fail(tr("程序文件夹 %1 不可写").arg(m_programDir));
        return;
    }
    m_guard = std::make_unique<InstanceGuard>(QStringLiteral("Nuvoxa"));
    emit status(tr("正在等待Nuvoxa退出…"));
    waitForClient();
}

void UpdateJob::waitForClient()
{
    if (m_done)
        return;
    // The client holds the lock until it has exited; holding it ourselves
    // keeps a new copy from starting while files are replaced.
    if (m_guard->acquire() == InstanceGuard::Result::HeldElsewhere) {
        if (m_waitedMs >= m_waitTimeoutMs) {
            m_waitTimer.stop();
            m_clientStillRunning = true;
            fail(tr("Nuvoxa仍在运行，请退出后重新更新"));
            return;
        }
        m_waitedMs += kPollMs;
        if (!m_waitTimer.isActive())
            m_waitTimer.start();
        return;
    }
    m_waitTimer.stop();
    fetchManifest();
}

void UpdateJob::fetchManifest()
{
    emit status(tr("正在获取更新信息…"));
    m_query.start();
}

void UpdateJob::onManifest(bool ok)
{
    if (!ok) {
        switch (m_query.failure()) {
        case UpdateFetch::Failure::Transfer:
            fail(tr("下载 %1 失败：%2").arg(tr("更新信息"), m_query.detail()));
            break;
        case UpdateFetch::Failure::SignatureInvalid:
            fail(tr("更新信息的签名无效（%1）").arg(m_query.detail()));
            break;
        default:
            fail(tr("更新信息无效"));
        }
        return;
    }
    if (checkManifest())
        fetchNext();
}

// The verified manifest must carry its signing time, be no older than the
// installed one and declare every requested entry's size and hash.
bool UpdateJob::checkManifest()
{
    const UpdateCheck::Manifest &server = m_query.manifest();
    if (server.signedAt < 0) {
        fail(tr("更新信息的签名没有签名时间"));
        return false;
    }
    QFile installed(m_programDir + QLatin1Char('/') + QLatin1String(kManifestName));
    QFile installedSignature(m_programDir + QLatin1Char('/') + QLatin1String(kSignatureName));
    if (installed.open(QIODevice::ReadOnly) && installedSignature.open(QIODevice::ReadOnly)) {
        const UpdateSignature::Result before =
            UpdateSignature::verify(installed.read(UpdateCheck::MaxManifestBytes + 1),
                                    installedSignature.read(UpdateSignature::MaxSignatureBytes + 1),
                                    UpdateSignature::trustedKey());
        if (before.ok && before.signedAt > server.signedAt) {
            fail(tr("更新信息比已安装的版本旧"));
            return false;
        }
    }
    for (const QString &entry : qAsConst(m_entries)) {
        auto declared = std::find_if(server.files.cbegin(), server.files.cend(),
                                     [&entry](const UpdateCheck::FileEntry &f) { return f.name == entry; });
        if (declared == server.files.cend() || declared->sha256.isEmpty() || declared->size < 0) {
            fail(tr("更新信息中没有 %1 的大小和校验值").arg(entry));
            return false;
        }
        m_declared.append(*declared);
    }
    return true;
}

void UpdateJob::fetchNext()
{
    ++m_index;
    if (m_index >= m_entries.size()) {
        installAll();
        return;
    }
    if (!m_http)
        m_http = new QNetworkAccessManager(this);
    const QString entry = m_entries.at(m_index);
    const QString path = m_staging->path() + QStringLiteral("/new/") + entry;
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(tr("无法写入 %1：%2").arg(path, m_file->errorString()));
        return;
    }
    emit progress(entry, m_index, m_entries.size(), 0, -1);
    m_hash.reset();
    m_received = 0;
    QNetworkRequest request(entryUrl(entry));
    request.setTransferTimeout(kTransferTimeoutMs);
    m_reply = m_http->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateJob::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateJob::onFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this,
            [this, entry](qint64 received, qint64 total) {
                emit progress(entry, m_index, m_entries.size(), received, total);
            });
}

void UpdateJob::onReadyRead()
{
    const QByteArray data = m_reply->readAll();
    QString refused;
    // Never more than the signed size: stop reading there.
    m_received += data.size();
    if (m_received > m_declared.at(m_index).size)
        refused = tr("文件 %1 与更新信息不符").arg(m_entries.at(m_index));
    else if (m_file->write(data) != data.size())
        refused = tr("无法写入 %1：%2").arg(m_file->fileName(), m_file->errorString());
    else
        m_hash.addData(data);
    if (!refused.isEmpty()) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
        fail(refused);
    }
}

void UpdateJob::onFinished()
{
    if (m_cancelled) {
        m_reply->deleteLater();
        m_reply = nullptr;
        fail(tr("更新已取消"));
        return;
    }
    onReadyRead();
    if (m_done)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    const QString what = m_entries.at(m_index);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status != 200) {
        const QString reason = reply->error() != QNetworkReply::NoError
                                   ? reply->errorString()
                                   : QStringLiteral("HTTP %1").arg(status);
        fail(tr("下载 %1 失败：%2").arg(what, reason));
        return;
    }
    const bool flushed = m_file->flush();
    m_file->close();
    if (!flushed || m_file->error() != QFileDevice::NoError) {
        fail(tr("无法写入 %1：%2").arg(m_file->fileName(), m_file->errorString()));
        return;
    }
    const UpdateCheck::FileEntry &declared = m_declared.at(m_index);
    if (m_received != declared.size || m_hash.result().toHex() != declared.sha256) {
        fail(tr("文件 %1 与更新信息不符").arg(m_entries.at(m_index)));
        return;
    }
    fetchNext();
}

void UpdateJob::installAll()
{
    emit status(tr("正在安装更新…"));
    const auto stage = [this](const char *name, const QByteArray &bytes) {
        QFile file(m_staging->path() + QStringLiteral("/new/") + QLatin1String(name));
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
            return true;
        fail(tr("无法写入 %1：%2").arg(file.fileName(), file.errorString()));
        return false;
    };
    // The signature stays beside the manifest: the next update must not be
    // signed earlier than this one.
    if (!stage(kManifestName, m_query.manifestBytes()) || !stage(kSignatureName, m_query.signatureBytes()))
        return;
    // The manifest goes last: it marks the update as installed.
    QString error;
    if (!Installer::install(m_programDir, m_staging->path(),
                            m_entries + QStringList{QLatin1String(kSignatureName), QLatin1String(kManifestName)},
                            &error)) {
        fail(tr("安装失败：%1").arg(error));
        return;
    }
    m_done = true;
    m_succeeded = true;
    m_staging.reset();
    emit finished(true);
}

void UpdateJob::cancel()
{
    if (m_done)
        return;
    if (m_query.isRunning()) {
        m_query.abort();
        fail(tr("更新已取消"));
        return;
    }
    if (m_reply) {
        m_cancelled = true;
        m_reply->abort();
        return;
    }
    if (m_waitTimer.isActive()) {
        m_waitTimer.stop();
        m_clientStillRunning = m_guard && !m_guard->isHeld();
        fail(tr("更新已取消"));
    }
}

void UpdateJob::releaseClient()
{
    if (m_guard)
        m_guard->release();
}

void UpdateJob::fail(const QString &error)
{
    if (m_done)
        return;
    m_done = true;
    m_error = error;
    if (m_file)
        m_file->close();
    // Nothing staged survives: the program folder is as it was.
    m_staging.reset();
    emit finished(false);
}
