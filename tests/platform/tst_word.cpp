// The word processor reads a filled template's bytes as UTF-8 wherever they form it, and any
// other byte as windows-1251.
#include "platform/wordml_render.h"

#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

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
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
