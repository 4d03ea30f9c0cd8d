// The word processor's reader of the print template: forgiving inside run texts, strict
// everywhere else.
#include "platform/errors.h"
#include "platform/word.h"
#include "platform/wordml_render.h"
#include "support/support.h"

#include <QTextDocument>
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

QByteArray para(const QByteArray& text, const QByteArray& rpr = QByteArray(),
                const QByteArray& ppr = QByteArray()) {
    return "<w:p>" + (ppr.isEmpty() ? QByteArray() : "<w:pPr>" + ppr + "</w:pPr>") + "<w:r>" +
           (rpr.isEmpty() ? QByteArray() : "<w:rPr>" + rpr + "</w:rPr>") + "<w:t>" + text +
           "</w:t></w:r></w:p>";
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
        QTest::newRow("overlong form") << QByteArray("\xC0\xAF") << "АЇ";
        QTest::newRow("byte order mark dropped") << QByteArray("\xEF\xBB\xBFok") << "ok";
    }
    void decode_document() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(platform::decode_document(bytes), text);
    }

    void not_a_wordprocessingml_document_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not xml") << QByteArray("plain text");
        QTest::newRow("unclosed") << kHead + "<w:p>";
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

    // Inside a run, everything up to the "</w:t>" that closes it is text, whatever it holds.
    void run_texts_are_read_as_written_data() {
        QTest::addColumn<QByteArray>("run");
        QTest::addColumn<QString>("text");
        QTest::newRow("less and greater than") << QByteArray("<w:t>a < b > c</w:t>") << "a < b > c";
        QTest::newRow("bare ampersands")
            << QByteArray("<w:t>A & B &nbsp; &#1; &#xZ; &;</w:t>") << "A & B &nbsp; &#1; &#xZ; &;";
        QTest::newRow("references kept as their characters")
            << QByteArray("<w:t>&lt;&amp;&quot;&#1025;&#x401;</w:t>") << "<&\"ЁЁ";
        QTest::newRow("control characters as blanks") << QByteArray("<w:t>a\x01"
                                                                    "b\x1F\x0B\x0C\x7F</w:t>")
                                                      << "a b   \x7F";
        QTest::newRow("windows-1251 bytes") << QByteArray("<w:t>\xAB<\xBB</w:t>") << "«<»";
        QTest::newRow("run ends and tags in a value")
            << QByteArray("<w:t>a</w:t>b</w:t><c></w:t></w:r></w:t>")
            << "a</w:t>b</w:t><c></w:t></w:r>";
        QTest::newRow("texts of one run stay apart")
            << QByteArray("<w:t>a<</w:t><w:tab/><w:t>>b</w:t>") << "a<\t>b";
    }
    void run_texts_are_read_as_written() {
        QFETCH(QByteArray, run);
        QFETCH(QString, text);
        const WordHtml out = render_wordml(platform::decode_document(
            document("<w:p><w:r><w:t>|</w:t>" + run + "<w:t>|</w:t></w:r></w:p>")));
        QTextDocument doc;
        doc.setHtml(out.html);
        QCOMPARE(doc.toPlainText().trimmed(), u'|' + text + u'|');
    }

    // A break outside the run texts is reported where it stands in the file as written, as
    // in a file whose run texts need no rewriting.
    void a_break_is_reported_where_it_is_written_data() {
        QTest::addColumn<QByteArray>("hostile");
        QTest::addColumn<QByteArray>("plain"); // as long, line for line
        QTest::newRow("on the line of the run") << QByteArray("Ё<&ё") << QByteArray("Ё__ё");
        QTest::newRow("after a run of several lines")
            << QByteArray("<\n<<\n&<") << QByteArray("_\n__\n__");
    }
    void a_break_is_reported_where_it_is_written() {
        QFETCH(QByteArray, hostile);
        QFETCH(QByteArray, plain);
        const auto message = [](const QByteArray& text) {
            try {
                render_wordml(QString::fromUtf8(document(para("Ёлка") + para(text) + "</w:p>")));
            } catch (const Error& e) {
                return e.description();
            }
            return QString();
        };
        const QString expected = message(plain);
        QVERIFY2(expected.startsWith(QStringLiteral("Документ поврежден: ")), qPrintable(expected));
        QCOMPARE(message(hostile), expected);
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
