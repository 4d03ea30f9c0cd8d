#include "platform/objects.h"
#include "platform/registry_file.h"
#include "support/support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis::platform;

namespace {

QByteArray registry(const QByteArray& version_key) {
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tormesk\\Valmora2\\General]\r\n"
           "\"VersionAssemble\"=dword:00000063\r\n\r\n" +
           version_key;
}

class FixedVersion : public VersionInfo {
public:
    int VersionAssemble() const override { return 7; }
};

class Stand : public ObjectFactory {
public:
    std::unique_ptr<VersionInfo> create_version() override {
        return std::make_unique<FixedVersion>();
    }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
};

} // namespace

class TestObjects : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void cleanupTestCase() { set_registry_file(QString()); }

    void version_object_data() {
        QTest::addColumn<QByteArray>("version_key");
        QTest::addColumn<int>("assemble"); // -1: the object cannot be created
        QTest::newRow("registered") << QByteArray("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
                                                  "\"VersionAssemble\"=dword:0000005d\r\n")
                                    << 93;
        QTest::newRow("older host") << QByteArray("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
                                                  "\"VersionAssemble\"=dword:0000005c\r\n")
                                    << 92;
        // The value under HKEY_LOCAL_MACHINE does not register the object.
        QTest::newRow("key missing") << QByteArray() << -1;
        QTest::newRow("value missing")
            << QByteArray("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n\"Other\"=dword:1\r\n")
            << -1;
        QTest::newRow("value not a number")
            << QByteArray("[HKEY_CLASSES_ROOT\\Fsk_Version.VersionInfo]\r\n"
                          "\"VersionAssemble\"=\"93\"\r\n")
            << -1;
    }
    void version_object() {
        QFETCH(QByteArray, version_key);
        QFETCH(int, assemble);
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".reg");
        QVERIFY(testsupport::write_file(path, registry(version_key)));
        set_registry_file(path);
        const std::unique_ptr<VersionInfo> v = factory().create_version();
        if (assemble < 0) {
            QVERIFY(!v);
        } else {
            QVERIFY(v);
            QCOMPARE(v->VersionAssemble(), assemble);
        }
    }

    void no_registry_file_no_version_object() {
        set_registry_file(dir.filePath("missing.reg"));
        QVERIFY(!factory().create_version());
    }

    void a_factory_put_in_place_answers_until_removed() {
        set_registry_file(QString());
        Stand stand;
        set_factory(&stand);
        QCOMPARE(factory().create_version()->VersionAssemble(), 7);
        set_factory(nullptr);
        QVERIFY(!factory().create_version());
    }
};

QTEST_GUILESS_MAIN(TestObjects)
#include "tst_objects.moc"
