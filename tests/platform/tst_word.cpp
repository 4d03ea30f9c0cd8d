// The word processor's reader of the print template: forgiving inside run texts, strict
// everywhere else.
#include "platform/errors.h"
#include "platform/word.h"
#include "platform/wordml_render.h"
#include "support/support.h"

#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QByteArray kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<w:wordDocument "
                         "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\" "
                         "xmlns:wx=\"http://schemas.microsoft.com/office/word/2003/auxHint\">"
                         "<w:body><wx:sect>";
const QByteArray kTail = "</wx:sect></w:body></w:wordDocument>";

QByteArray document(const QByteArray& body) {
    return kHead + body + kTail;
}

QByteArray para(const QByteArray& text) {
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

} // namespace

class TestWord : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        testsupport::write_file(path, bytes);
        return path;
    }

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

    void not_a_wordprocessingml_document_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not xml") << QByteArray("plain text");
        QTest::newRow("markup outside a run text") << document(para("A") + "<B>");
        QTest::newRow("a run text never closed") << document("<w:p><w:r><w:t>A</w:r></w:p>");
        QTest::newRow("a document type declaration")
            << "<?xml version=\"1.0\"?><!DOCTYPE w:wordDocument [<!ENTITY x \"y\">]>" +
                   kHead.mid(kHead.indexOf("<w:wordDocument")) + para("&x;") + kTail;
    }
    void not_a_wordprocessingml_document() {
        QFETCH(QByteArray, bytes);
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        const QString path = write("bad.xml", bytes);
        try {
            w->Documents_Add(path);
            QFAIL("opened");
        } catch (const Error& e) {
            QVERIFY2(e.description().startsWith(QStringLiteral("Не удалось открыть документ \"")),
                     qPrintable(e.description()));
        }
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
