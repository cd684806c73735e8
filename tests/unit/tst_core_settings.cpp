#include "core/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions Others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;

// What another reader finds in the file right now.
QString onDisk(const QString& path, const QString& key)
{
    QSettings file(path, QSettings::IniFormat);
    return file.value(QStringLiteral("Dovetab/") + key, QStringLiteral("<absent>")).toString();
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void fileInTheUserConfigFolder()
    {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QCOMPARE(SettingsStore::defaultFilePath(), dir.filePath(QStringLiteral("Harrowick.conf")));
        SettingsStore store;
        store.write(QStringLiteral("Port"), QStringLiteral("50069"));
        QFile file(dir.filePath(QStringLiteral("Harrowick.conf")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Dovetab]\nPort=50069\n"));
    }

    void absentKeyGivesDefaultStoredEmptyDoesNot()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.conf"));
        SettingsStore store(path);
        QCOMPARE(store.read(QStringLiteral("Port"), QStringLiteral("50069")),
                 QStringLiteral("50069"));
        QCOMPARE(store.read(QStringLiteral("User")), QString());
        store.write(QStringLiteral("Port"), QString());
        SettingsStore again(path);
        QCOMPARE(again.read(QStringLiteral("Port"), QStringLiteral("50069")), QString());
    }

    // Each write reaches the disk at once, replacing the last.
    void writesAreOnDiskAtOnce()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/folder/s.conf"));
        SettingsStore store(path);
        for (const QString& text :
             {QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("abc")}) {
            store.write(QStringLiteral("PostgreSQLUser"), text);
            QCOMPARE(onDisk(path, QStringLiteral("PostgreSQLUser")), text);
        }
        QVERIFY(!store.lastWriteFailed());
    }

    void textsRoundTripUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("blanks") << "  spaced out  ";
        QTest::newRow("comma") << "a, b,c";
        QTest::newRow("equals and semicolon") << "pa=ss;word";
        QTest::newRow("quotes and backslash") << "\"q\" \\ 'x'";
        QTest::newRow("at sign first") << "@Variant(x)";
        QTest::newRow("non-ASCII") << QStringLiteral("Zürich ✓ 東京");
        QTest::newRow("hash and brackets") << "#[Dovetab]";
    }
    void textsRoundTripUnchanged()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.conf"));
        SettingsStore(path).write(QStringLiteral("Password"), text);
        QCOMPARE(SettingsStore(path).read(QStringLiteral("Password")), text);
    }

    void fileIsOwnerOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.conf"));
        SettingsStore store(path);
        store.write(QStringLiteral("Password"), QStringLiteral("secret"));
        QCOMPARE(QFile::permissions(path) & (OwnerOnly | Others), OwnerOnly);
        store.write(QStringLiteral("Password"), QStringLiteral("secret2"));
        QCOMPARE(QFile::permissions(path) & (OwnerOnly | Others), OwnerOnly);
    }

    // A file left readable by others (an older copy, a hand edit) is closed at the next write.
    void existingOpenFileIsTightened()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.conf"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Dovetab]\nServer=db2host\n");
        }
        QVERIFY(QFile::setPermissions(path,
                                      OwnerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        SettingsStore store(path);
        QCOMPARE(store.read(QStringLiteral("Server")), QStringLiteral("db2host"));
        store.write(QStringLiteral("User"), QStringLiteral("me"));
        QCOMPARE(QFile::permissions(path) & (OwnerOnly | Others), OwnerOnly);
        QCOMPARE(onDisk(path, QStringLiteral("Server")), QStringLiteral("db2host"));
    }

    // A folder that cannot be made (a file stands in its way, which stops root too).
    void unwritableFolderIsNoCrash()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        {
            QFile file(blocker);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        SettingsStore store(blocker + QStringLiteral("/Harrowick.conf"));
        store.write(QStringLiteral("Port"), QStringLiteral("50069"));
        QVERIFY(store.lastWriteFailed());
        QCOMPARE(store.read(QStringLiteral("Server"), QStringLiteral("d")), QStringLiteral("d"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_core_settings.moc"
