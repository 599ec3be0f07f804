// Qt's reader of the shared MIME database, as a file manager would use it, on the type the
// package installs: XDG_DATA_DIRS points at the package's share folder.
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QtTest>

class MimeTypeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void projectsAreKnownByNameAndByContent_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("type");
        const QByteArray project = QByteArray::fromHex("0100000001000000020"
                                                       "0ffff01000800") +
                                   "FileNode" + QByteArray(16, '\0');
        QTest::newRow("by name") << "Plant.zavproj" << QByteArray("not really") << "application/x-zavproj";
        QTest::newRow("by content") << "Plant.bak" << project << "application/x-zavproj";
        QTest::newRow("other content") << "notes.bak" << QByteArray(40, 'x') << "";
        QTest::newRow("another class first")
            << "other.bak" << QByteArray::fromHex("01000000010000000200ffff01000800") + "Fil3Node"
            << "";
    }
    void projectsAreKnownByNameAndByContent()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, type);
        QTemporaryDir dir;
        QFile file(dir.filePath(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const QMimeType found = QMimeDatabase().mimeTypeForFile(file.fileName());
        if (type.isEmpty()) {
            QVERIFY2(found.name() != "application/x-zavproj", qPrintable(found.name()));
        } else {
            QCOMPARE(found.name(), type);
            QCOMPARE(found.comment(), QString("Quillan project"));
        }
    }
};

QTEST_GUILESS_MAIN(MimeTypeTest)
#include "MimeTypeTest.moc"
