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
    "\"Quoted\"=\"say \\\"hi\\\"\"\r\n"
    "\"Expanded\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,\\\r\n"
    "  00,25,00,5c,00,78,00,00,00\r\n"
    "\"Level\"=dword:0000005d\r\n"
    "\"Blob\"=hex:01,02,03\r\n"
    "\"Gone\"=\"x\"\r\n"
    "\"Gone\"=-\r\n"
    "@=\"default text\"\r\n"
    "; a comment line\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Old]\r\n"
    "\"DataBasePath\"=\"D:\\\\Old\"\r\n"
    "\r\n"
    "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Old]\r\n"
    "\r\n"
    "[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
    "\"VersionAssemble\"=dword:0000005d\r\n");

QByteArray utf16le(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : text) {
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
    void initTestCase() { QVERIFY(dir.isValid()); }
    void init() { platform::set_registry_file(file(export_text.toUtf8())); }
    void cleanupTestCase() { platform::set_registry_file(QString()); }

    void values_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        const QString zero(QChar(0));
        QTest::newRow("database folder, with its terminating zero")
            << general << "DataBasePath" << QVariant(QStringLiteral("C:\\Host\\Data") + zero);
        QTest::newRow("names ignore case")
            << "software\\TORMESK\\valmora2\\general"
            << "databasepath" << QVariant(QStringLiteral("C:\\Host\\Data") + zero);
        QTest::newRow("escaped quotes")
            << general << "Quoted" << QVariant(QStringLiteral("say \"hi\"") + zero);
        QTest::newRow("default value")
            << general << "" << QVariant(QStringLiteral("default text") + zero);
        QTest::newRow("dword") << general << "Level" << QVariant(quint32(93));
        QTest::newRow("expandable string counts as missing") << general << "Expanded" << QVariant();
        QTest::newRow("binary counts as missing") << general << "Blob" << QVariant();
        QTest::newRow("missing value") << general << "NoSuchValue" << QVariant();
        QTest::newRow("deleted value") << general << "Gone" << QVariant();
        QTest::newRow("missing key") << "SOFTWARE\\Tormesk\\Valmora3"
                                     << "DataBasePath" << QVariant();
        QTest::newRow("deleted key") << "SOFTWARE\\Tormesk\\Old"
                                     << "DataBasePath" << QVariant();
    }
    void values() {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, key, name), value);
    }

    // The value is looked for under the root asked for only.
    void another_root_has_its_own_keys() {
        QVERIFY(!reg_get_value(HKEY_CLASSES_ROOT, general, "DataBasePath").isValid());
        QCOMPARE(reg_get_value(HKEY_CLASSES_ROOT, "Fsk_Version.VersionInfo", "VersionAssemble"),
                 QVariant(quint32(93)));
    }

    void query_status_by_type_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("filled");
        QTest::newRow("string") << "DataBasePath" << 0 << true;
        QTest::newRow("dword") << "Level" << 0 << true;
        QTest::newRow("expandable string") << "Expanded" << -1 << false;
        QTest::newRow("binary") << "Blob" << -1 << false;
        QTest::newRow("missing") << "NoSuchValue" << -1 << false;
    }
    void query_status_by_type() {
        QFETCH(QString, name);
        QFETCH(int, status);
        QFETCH(bool, filled);
        RegKey key = 0;
        QCOMPARE(reg_open_key_ex(HKEY_LOCAL_MACHINE, general, KEY_ACCESS_0x3F, key), REG_OK);
        QVERIFY(key != 0);
        QVariant out = QStringLiteral("left over");
        QCOMPARE(reg_query_value(key, name, out), long(status));
        QCOMPARE(out.isValid(), filled);
        QCOMPARE(reg_close_key(key), REG_OK);
        QCOMPARE(reg_close_key(key), REG_INVALID_HANDLE);
    }

    void opening_a_missing_key_fails() {
        RegKey key = 77;
        QCOMPARE(reg_open_key_ex(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", KEY_ACCESS_0x3F, key),
                 REG_FILE_NOT_FOUND);
        QCOMPARE(key, RegKey(0));
        QVariant out;
        QCOMPARE(reg_query_value(key, "DataBasePath", out), -1L);
        QVERIFY(!out.isValid());
    }

    void continued_hex_list_is_read_whole() {
        const platform::RegValue v = platform::read_registry_value("HKEY_LOCAL_MACHINE\\" + general,
                                                                   QStringLiteral("Expanded"));
        QCOMPARE(v.type, int(platform::RegExpandSz));
        QCOMPARE(v.data.toString(), QStringLiteral("%SystemRoot%\\x"));
    }

    void utf16_file_as_regedit_writes_it() {
        QString text = export_text;
        text.replace(QStringLiteral("C:\\\\Host\\\\Data"), QStringLiteral("C:\\\\Хост\\\\Данные"));
        platform::set_registry_file(file(utf16le(text)));
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, general, "DataBasePath"),
                 QVariant(QStringLiteral("C:\\Хост\\Данные") + QChar(0)));
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, general, "Level"), QVariant(quint32(93)));
    }

    void utf8_file_with_bom() {
        platform::set_registry_file(file("\xEF\xBB\xBF" + export_text.toUtf8()));
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, general, "Level"), QVariant(quint32(93)));
    }

    void unreadable_file_reads_as_missing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no header") << QByteArray("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2"
                                                 "\\General]\n\"DataBasePath\"=\"C:\\\\Host\"\n");
        QTest::newRow("REGEDIT4 header")
            << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\n"
                          "\"DataBasePath\"=\"C:\\\\Host\"\n");
        QTest::newRow("binary junk") << QByteArray("\x00\x01\xFF\xFE\x80\x81", 6);
        QTest::newRow("not UTF-8") << QByteArray("Windows Registry Editor Version 5.00\n[HKEY_"
                                                 "LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\"
                                                 "General]\n\"DataBasePath\"=\"C:\\\\\xC4\xC0\"\n");
        QTest::newRow("odd UTF-16") << QByteArray("\xFF\xFE\x57", 3);
        QTest::newRow("unclosed quote")
            << QByteArray("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                          "Tormesk\\Valmora2\\General]\n\"DataBasePath\"=\"C:\\\\Host\n");
        QTest::newRow("unclosed section")
            << QByteArray("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                          "Tormesk\\Valmora2\\General\n\"DataBasePath\"=\"C:\\\\Host\"\n");
        QTest::newRow("bad dword") << QByteArray(
            "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\"
            "Valmora2\\General]\n\"DataBasePath\"=dword:xyz\n");
        QTest::newRow("bad hex list") << QByteArray(
            "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\"
            "Valmora2\\General]\n\"DataBasePath\"=hex(1):43,zz,\\\n");
        QTest::newRow("value before any key")
            << QByteArray("Windows Registry Editor Version 5.00\n\"DataBasePath\"=\"C:\\\\\"\n");
    }
    void unreadable_file_reads_as_missing() {
        QFETCH(QByteArray, bytes);
        platform::set_registry_file(file(bytes));
        QVERIFY(!reg_get_value(HKEY_LOCAL_MACHINE, general, "DataBasePath").isValid());
    }

    void missing_file_reads_as_missing() {
        platform::set_registry_file(dir.filePath("nothing-here.reg"));
        QVERIFY(!reg_get_value(HKEY_LOCAL_MACHINE, general, "DataBasePath").isValid());
        platform::set_registry_file(QString());
        QVERIFY(!reg_get_value(HKEY_LOCAL_MACHINE, general, "DataBasePath").isValid());
    }

    // A line that cannot be read costs only its own value.
    void a_bad_line_leaves_the_others() {
        platform::set_registry_file(file(QByteArray(
            "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\"
            "Valmora2\\General]\n\"Broken\"=what\n\"DataBasePath\"=\"E:\\\\Db\\\\\"\n")));
        QCOMPARE(reg_get_value(HKEY_LOCAL_MACHINE, general, "DataBasePath"),
                 QVariant(QStringLiteral("E:\\Db\\") + QChar(0)));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
