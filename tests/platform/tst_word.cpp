// The word processor reads a filled template's bytes as UTF-8 wherever they form it, and any
// other byte as windows-1251.
#include "platform/errors.h"
#include "platform/wordml_render.h"

#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// A run's text, then a text in the paragraph outside any run, which no reader forgives.
QByteArray document(const QByteArray& run, const QByteArray& outside = "ok",
                    const QByteArray& after = {}) {
    return "<?xml version=\"1.0\"?><w:wordDocument "
           "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body><w:p><w:r>"
           "<w:t>" +
           run + "</w:t></w:r>" + outside + "</w:p></w:body></w:wordDocument>" + after;
}

bool renders(const QString& xml) {
    try {
        render_wordml(xml);
        return true;
    } catch (const tavrelis::Error&) {
        return false;
    }
}

} // namespace

class TestWord : public QObject {
    Q_OBJECT

private slots:
    void decode_document_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QString("Сумма №").toUtf8() << "Сумма №";
        QTest::newRow("windows-1251 bytes in between")
            << QByteArray("\xAB") + QString("Ёлка").toUtf8() + QByteArray("\xBB") << "«Ёлка»";
    }
    void decode_document() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::decode_document(bytes), text);
    }

    // A document is checked as it would be drawn, also right after a sound one of the same
    // markup was checked.
    void check_as_drawn_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << document("Сумма");
        QTest::newRow("markup in a run") << document("a < b & c > d");
        QTest::newRow("references") << document("&amp;&#x0;&bogus;", "&lt;&#1057;");
        QTest::newRow("control character in a run") << document("a\x01b");
        QTest::newRow("control character outside") << document("x", "a\x01b");
        QTest::newRow("bare & outside") << document("x", "a & b");
        QTest::newRow("]]> outside") << document("x", "a]]>b");
        QTest::newRow("nothing outside") << document("x", "");
        QTest::newRow("text after the document") << document("x", "ok", "tail");
        QTest::newRow("cut short") << document("x").chopped(3);
    }
    void check_as_drawn() {
        QFETCH(QByteArray, bytes);
        QVERIFY(renders(platform::decode_document(document("sound"))));
        check_wordml(platform::decode_document(document("sound")));
        const QString xml = platform::decode_document(bytes);
        bool checked = true;
        try {
            check_wordml(xml);
        } catch (const tavrelis::Error&) {
            checked = false;
        }
        QCOMPARE(checked, renders(xml));
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
