#ifndef NUVOXA_UPDATER_UPDATEJOB_H
#define NUVOXA_UPDATER_UPDATEJOB_H

#include "core/updatecheck.h"
#include "core/updatefetch.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class InstanceGuard;
class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QTemporaryDir;

// One update run: wait until the client has exited, fetch the server's
// manifest and its signature, check them against the trusted key and the
// installed manifest's signing time, fetch every entry into a staging folder
// inside the program folder checking its size and SHA-256 as the signed
// manifest declares them, then install them all at once together with the
// manifest as the new clientCheck.xml and its signature beside it. Any
// failure leaves the program folder as it was.
class UpdateJob : public QObject
{
    Q_OBJECT
public:
    UpdateJob(const QString &programDir, const QStringList &entries, QObject *parent = nullptr);
    ~UpdateJob() override;

    // How long the client may take to exit.
    void setWaitTimeout(int ms) { m_waitTimeoutMs = ms; }

    void start();
    // Stops a running download; the job then fails with "cancelled".
    void cancel();

    bool succeeded() const { return m_succeeded; }
    // What went wrong, for the user.
    QString error() const { return m_error; }
    // The client never exited: it must not be started a second time.
    bool clientStillRunning() const { return m_clientStillRunning; }
    // Lets the client start again; called before restarting it.
    void releaseClient();

signals:
    void status(const QString &text);
    // Download progress of entry `index` (0-based) of `count`.
    void progress(const QString &entry, int index, int count, qint64 received, qint64 total);
    void finished(bool ok);

private:
    void waitForClient();
    void fetchManifest();
    void onManifest(bool ok);
    bool checkManifest();
    void fetchNext();
    void onReadyRead();
    void onFinished();
    void installAll();
    void fail(const QString &error);

    QString m_programDir;
    QStringList m_entries;  // distinct, in order
    QStringList m_badEntries;
    int m_waitTimeoutMs = 60000;
    int m_waitedMs = 0;
    QTimer m_waitTimer;
    std::unique_ptr<InstanceGuard> m_guard;
    std::unique_ptr<QTemporaryDir> m_staging;
    UpdateFetch m_query;  // the signed manifest
    QNetworkAccessManager *m_http = nullptr;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QFile> m_file;
    QList<UpdateCheck::FileEntry> m_declared;  // of m_entries, from the signed manifest
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_received = 0;
    int m_index = -1;  // the entry being fetched
    bool m_done = false;
    bool m_cancelled = false;
    bool m_succeeded = false;
    bool m_clientStillRunning = false;
    QString m_error;
};

#endif
