#include "platform/codepage.h"
#include "support/cases.h"

#include <QtTest>

using namespace tavrelis::platform;

class TestCodepage : public QObject {
    Q_OBJECT
private slots:
    void encode_data() {
        columns<QString, QByteArray>(); // text, bytes
        row("cyrillic", "Ёж ёж АЯая", QByteArray("\xa8\xe6 \xb8\xe6 \xc0\xdf\xe0\xff"));
        QTest::newRow("number sign") << "№ 5" << QByteArray("\xb9 5");
        QTest::newRow("guillemets") << "«ООО»" << QByteArray("\xab\xce\xce\xce\xbb");
        QTest::newRow("emoji is one character") << "x😀y" << QByteArray("x?y");
    }
    void encode() {
        auto [text, bytes] = fetch<QString, QByteArray>();
        QCOMPARE(to_cp1251(text), bytes);
    }

    // UTF-8 written by hand is Qt's, in length and bytes, wherever the wide characters and
    // pairs fall among the four read at a time; a lone surrogate is told, not written.
    void utf8_data() {
        columns<QString, bool>(); // text, whole
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("latin") << "abc 123, 45" << true;
        QTest::newRow("cyrillic") << "Оплата налога за 2026 год" << true;
        QTest::newRow("high bit only") << QString::fromUtf16(u"\u0080\u07FF\u00A0x") << true;
        // Each mix of one- and two-byte characters in a block of four, after a block of ASCII
        // and with DEL and U+0080, the edges of the one-byte range.
        for (int mix = 0; mix < 16; ++mix) {
            QString t = QStringLiteral("abcd");
            for (int bit = 0; bit < 4; ++bit)
                t += mix & (1 << bit) ? u'ж' : u'\x7F';
            QTest::addRow("mix %d", mix) << t + QChar(0x80) + u'z' << true;
        }
        for (int at = 0; at < 6; ++at) {
            QString t(9, u'ж');
            QTest::addRow("number sign at %d", at) << t.replace(at, 1, u'№') << true;
            QString pair = QString(9, u'a').insert(at, QStringLiteral("😀"));
            QTest::addRow("pair at %d", at) << pair << true;
            QTest::addRow("lone high at %d", at)
                << QString(9, u'ы').insert(at, QChar(0xD83D)) << false;
            QTest::addRow("lone low at %d", at)
                << QString(9, u'ы').insert(at, QChar(0xDE00)) << false;
        }
    }
    void utf8() {
        auto [text, whole] = fetch<QString, bool>();
        const qsizetype n = utf8_size(text);
        if (!whole) {
            QCOMPARE(n, -1);
            return;
        }
        QByteArray out(n, '\0');
        QCOMPARE(put_utf8(out.data(), text) - out.data(), n);
        QCOMPARE(out, text.toUtf8());
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
