#include "data/registry.h"
#include "platform/registry_file.h"
#include "support/support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::data;

namespace {

const QString general = QStringLiteral("SOFTWARE\\Tormesk\\Valmora2\\General");

// What regedit writes when it exports the host's keys.
const QString export_text = QStringLiteral(
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\r\n"
    "\"DataBasePath\"=\"C:\\\\Host\\\\Data\"\r\n"
    "\"Expanded\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
    "  00,25,00,5c,00,78,00,00,00\r\n"
    "\"Level\"=dword:0000005d\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "; a comment line\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Old]\r\n"
    "\"DataBasePath\"=\"D:\\\\Old\"\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Old]\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
    "\"VersionAssemble\"=dword:0000005d\r\n");

QByteArray utf16le(const QByteArray& utf8) {
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : QString::fromUtf8(utf8)) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString file(const QByteArray& bytes) {
        static int n = 0;
        const QString path = dir.filePath(QStringLiteral("registry%1.reg").arg(++n));
        testsupport::write_file(path, bytes);
        return path;
    }

private slots:
    void cleanupTestCase() { platform::set_registry_file(QString()); }

    void values_data() {
        QTest::addColumn<QByteArray>("bytes"); // the file; empty: the export above
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        auto row = [](const char* tag, const QByteArray& bytes, const QString& key,
                      const char* name,
                      QVariant value) { QTest::newRow(tag) << bytes << key << name << value; };
        const QString zero(QChar(0));
        row("database folder, with its terminating zero", {}, general, "DataBasePath",
            QStringLiteral("C:\\Host\\Data") + zero);
        row("dword after a continued hex list", {}, general, "Level", quint32(93));
        row("expandable string counts as missing", {}, general, "Expanded", {});
        row("deleted value", {}, general, "Gone", {});
        row("deleted key", {}, "SOFTWARE\\Tormesk\\Old", "DataBasePath", {});
        // Malformed files as the host's start meets them are checked in tests/entry/tst_faults.
        const QByteArray head = "Windows Registry Editor Version 5.00\n";
        const QByteArray key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\n";
        const QByteArray value = "\"DataBasePath\"=\"C:\\\\Host\"\n";
        row("a bad line costs only its own value", head + key + "\"Broken\"=what\n" + value,
            general, "DataBasePath", "C:\\Host" + zero);
        row("UTF-16, as regedit writes it",
            utf16le(head + key + "\"DataBasePath\"=\"C:\\\\Хост\"\n"), general, "DataBasePath",
            "C:\\Хост" + zero);
    }
    void values() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        static int n = 0; // a file of its own, whatever the reader keeps
        const QString path = dir.filePath(QStringLiteral("registry%1.reg").arg(++n));
        QVERIFY(testsupport::write_file(path, bytes.isEmpty() ? export_text.toUtf8() : bytes));
        platform::set_registry_file(path);
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, key, name), value);
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
