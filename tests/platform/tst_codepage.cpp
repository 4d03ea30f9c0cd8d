#include "platform/codepage.h"

#include <QtTest>

using namespace tavrelis::platform;

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cyrillic") << "Ёж ёж АЯая"
                                  << QByteArray("\xa8\xe6 \xb8\xe6 \xc0\xdf\xe0\xff");
        QTest::newRow("number sign") << "№ 5" << QByteArray("\xb9 5");
        QTest::newRow("guillemets") << "«ООО»" << QByteArray("\xab\xce\xce\xce\xbb");
        QTest::newRow("emoji is one character") << "x😀y" << QByteArray("x?y");
    }
    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(to_cp1251(text), bytes);
    }

    // Every byte with a character comes back as itself.
    void every_byte_round_trips() {
        for (int b = 1; b < 256; ++b) {
            if (b == 0x98)
                continue; // the one byte with no character
            const QByteArray one(1, char(b));
            QCOMPARE(to_cp1251(from_cp1251(one)), one);
            QVERIFY(encodable_cp1251(from_cp1251(one).at(0)));
        }
        QVERIFY(!encodable_cp1251(QChar(0x2713)));
    }
};

QTEST_MAIN(TestCodepage)
#include "tst_codepage.moc"
