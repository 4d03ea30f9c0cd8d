#include "common/session.h"
#include "output/form2.h"
#include "output/pechat.h"
#include "output/template_buffer.h"
#include "platform/errors.h"
#include "platform/wordml_render.h"
#include "support/support.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QXmlStreamReader>
#include <QtTest>

using namespace tavrelis;

namespace {

// The text of a cell of a rendered table, as the printout shows it.
QString text(const QTextTableCell& cell) {
    QTextCursor c = cell.firstCursorPosition();
    c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return c.selectedText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .remove(QChar::ObjectReplacementCharacter) // images
        .trimmed();
}

// The tables of a rendered document as the printout lays them out: the text of the cell
// right of (or above) the n-th cell whose text is exactly `label`; null when there is none.
QString next_to(const QTextFrame* frame, const QString& label, bool above, int& n) {
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* t = qobject_cast<QTextTable*>(child))
            for (int r = 0; r < t->rows(); ++r)
                for (int c = 0; c < t->columns(); ++c) {
                    const QTextTableCell cell = t->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c || text(cell) != label || n-- > 0)
                        continue;
                    const int row = above ? r - 1 : r, col = above ? c : c + cell.columnSpan();
                    return row < 0 || col >= t->columns() ? QString() : text(t->cellAt(row, col));
                }
        const QString inner = next_to(child, label, above, n);
        if (!inner.isNull())
            return inner;
    }
    return QString();
}

} // namespace

class TestTemplate : public QObject {
    Q_OBJECT
    QTemporaryDir temp_;
    QByteArray saved_temp_;

private slots:
    void initTestCase() {
        saved_temp_ = qgetenv("TEMP");
        qputenv("TEMP", QFile::encodeName(temp_.path()));
    }
    void cleanupTestCase() { qputenv("TEMP", saved_temp_); }

    void values_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        auto row = [](const char* tag, const char* key, const char* text, QByteArray bytes) {
            QTest::newRow(tag) << key << text << bytes;
        };
        row("ampersand becomes a blank, markup stays", "receiver", "<A&B>", "<A B>");
        row("Ёё№—", "sender", "Ёё№—", "\xD0\x81\xD1\x91\xE2\x84\x96\xE2\x80\x94");
        row("А to п, р to я", "bank", "Апря", "\xD0\x90\xD0\xBF\xD1\x80\xD1\x8F");
        // Other windows-1251 codes go in as their one byte, which is not UTF-8.
        row("guillemets one byte, no code a ?", "payment_aim", "«ä€»", "\xAB?\x88\xBB");
    }
    void values() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(template_value(key, text), bytes);
    }

    // Which run a key's value goes in is checked on the filled template below.
    void missing_key() {
        for (const char* text : {"<w:t>_</w:t>", "<w:t>_</w:t><k>", "<k><w:t>"}) {
            QString said;
            try {
                put_value(text, "k", "1");
            } catch (const Error& e) {
                said = e.description();
            }
            QCOMPARE(said, "В шаблоне платежного поручения нет поля <k>");
        }
    }

    // The shipped template filled for one order: nothing is left unfilled, it is well formed,
    // and every value is in its box of form 0401060.
    void filled_order_puts_each_value_in_its_box() {
        const QByteArray shipped =
            testsupport::read_file(QStringLiteral(TAVRELIS_SOURCE_DIR "/templates/Payments.xml"));
        Session s;
        Order o;
        const QStringList texts =
            QStringLiteral(
                "15|05.03.2024|1 234,50|УФК (ИФНС № 5, т/о \"Замоскворечье\")|7705046089|770501001|"
                "18210301000011000110|45286555000|044583001|40101810800000010041|"
                "30101810000000000099|ГУ Банка России по ЦФО|ООО \"Хлеб & Соль\"|7705012345|"
                "770501002|45286560000|044525225|40702810938000000001|30101810400000000225|"
                "ПАО Сбербанк|электронно|5|ТП|НС|НДС за IV квартал 2026 г.|КВ.04.2026|20.01.2027|"
                "Одна тысяча|101")
                .split('|');
        for (int c = 1; c < kFieldCount; ++c)
            o.texts[size_t(c)] = texts[c - 1];
        form2().orders().append(o);
        xml_loader();
        QCOMPARE(template_buffer().RB1, shipped);
        fill_keys(1);
        const QByteArray filled = template_buffer().RB1;
        QCOMPARE(filled.count("<w:t>_</w:t>"), 0);
        QXmlStreamReader r(filled);
        while (!r.atEnd())
            r.readNext();
        QVERIFY2(!r.hasError(), qPrintable(r.errorString()));

        QTextDocument doc;
        doc.setHtml(platform::render_wordml(platform::decode_document(filled)).html);
        const std::tuple<const char*, bool, int, const char*> boxes[] = {
            {"ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №", false, 0, "15"},
            {"Дата", true, 0, "05.03.2024"},
            {"Вид платежа", true, 0, "электронно"},
            {"Сумма\nпрописью", false, 0, "Одна тысяча"},
            {"ИНН 7705012345", false, 0, "КПП 770501002"},
            {"КПП 770501002", false, 0, "Сумма"},
            {"Сумма", false, 0, "1234-50"},
            {"Плательщик", true, 0, "ООО \"Хлеб   Соль\""},
            {"Сч. №", false, 0, "40702810938000000001"},
            {"Банк плательщика", true, 0, "ПАО Сбербанк"},
            {"БИК", false, 0, "044525225"},
            {"Сч. №", false, 1, "30101810400000000225"},
            {"Банк получателя", true, 0, "ГУ Банка России по ЦФО"},
            {"БИК", false, 1, "044583001"},
            {"Сч. №", false, 2, "30101810000000000099"},
            {"ИНН 7705046089", false, 0, "КПП 770501001"},
            {"Сч. №", false, 3, "40101810800000010041"},
            {"Получатель", true, 0, "УФК (ИФНС № 5, т/о \"Замоскворечье\")"},
            {"Вид оп.", false, 0, "01"},
            {"Очер. плат.", false, 0, "5"},
            {"18210301000011000110", false, 0, "45286555000"}, // one row of boxes
            {"45286555000", false, 0, "ТП"},
            {"ТП", false, 0, "КВ.04.2026"},
            {"КВ.04.2026", false, 0, "0"},
            {"20.01.2027", false, 0, "НС"},
            {"Назначение платежа", true, 0, "НДС за IV квартал 2026 г."},
        };
        for (auto [label, above, n, value] : boxes) // label, above it or right of it, n-th
            QCOMPARE(next_to(doc.rootFrame(), label, above, n), QString(value));
        // The payer's territory code has no box, and no key shows.
        QVERIFY(!doc.toPlainText().contains("45286560000"));
        for (const Field f : template_fields())
            QVERIFY(!doc.toPlainText().contains(QLatin1String(field_table()[size_t(f)].key)));
    }

    // result.xml still held by the word processor cannot be written (a folder of that name
    // stands for it, since file modes do not stop every user): result1.xml is used.
    void saver() {
        Session s;
        QVERIFY(QDir(temp_.path()).mkdir("result.xml"));
        template_buffer().RB1 = "<y/>";
        xml_saver();
        QVERIFY(QDir(temp_.path()).rmdir("result.xml"));
        QCOMPARE(template_buffer().next_file, QStringLiteral("1"));
        QCOMPARE(testsupport::read_file(temp_.filePath("result1.xml")), QByteArray("<y/>"));
        xml_saver();
        QCOMPARE(template_buffer().next_file, QString());
        QCOMPARE(testsupport::read_file(temp_.filePath("result.xml")), QByteArray("<y/>"));
    }
};

QTEST_MAIN(TestTemplate)
#include "tst_template.moc"
