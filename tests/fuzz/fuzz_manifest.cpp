// The update manifests (server and local) as arbitrary bytes: parsing, the
// one-for-one subtraction of entries, the version comparison, and the check
// that keeps every entry the update program installs inside its folder.
#include "core/updatecheck.h"
#include "core/updatesignature.h"
#include "fuzzsupport.h"
#include "updater/installer.h"

#include <QDir>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    FuzzSupport::init(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // The input holds the server manifest and, after the first form feed,
    // the local one.
    const int cut = bytes.indexOf('\f');
    const UpdateCheck::Manifest server = UpdateCheck::parse(cut >= 0 ? bytes.left(cut) : bytes);
    const UpdateCheck::Manifest local = UpdateCheck::parse(cut >= 0 ? bytes.mid(cut + 1) : QByteArray());

    if (!server.valid)
        FUZZ_CHECK(server.entries.isEmpty() && server.version.isEmpty(), QString());
    FUZZ_CHECK(server.files.size() == server.entries.size(), QString());

    // The same bytes as a manifest and its signature: hostile signature
    // text never verifies with a key that signed nothing.
    static const QString key = QStringLiteral("RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3");
    FUZZ_CHECK(!UpdateSignature::verify(cut >= 0 ? bytes.left(cut) : bytes, bytes.mid(cut + 1), key).ok, QString());

    const QStringList left = UpdateCheck::remaining(server.entries, local.entries);
    FUZZ_CHECK(left.size() <= server.entries.size(), QString());
    FUZZ_CHECK(left.size() >= server.entries.size() - local.entries.size(), QString());
    for (const QString &entry : left)
        FUZZ_CHECK(server.entries.contains(entry), entry);
    FUZZ_CHECK(UpdateCheck::remaining(server.entries, server.entries).isEmpty(), QString());
    FUZZ_CHECK(UpdateCheck::differs(server.version, local.version)
                   == (server.version != local.version), QString());

    const QString programDir = QStringLiteral("/opt/nuvoxa");
    for (const QString &entry : left) {
        if (!Installer::isSafeEntry(entry))
            continue;
        const QString target = QDir::cleanPath(programDir + QLatin1Char('/') + entry);
        FUZZ_CHECK(target.startsWith(programDir + QLatin1Char('/')), entry);
        FUZZ_CHECK(target != programDir, entry);
    }
    return 0;
}
