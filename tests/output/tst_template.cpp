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
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <QtTest>

using namespace tavrelis;

namespace {

QString source_template() {
    return QStringLiteral(TAVRELIS_SOURCE_DIR "/templates/Payments.xml");
}

// A formed order as the list shows it, columns 1 to 29.
QStringList sample_row() {
    return {
        QStringLiteral("15"),
        QStringLiteral("05.03.2024"),
        QStringLiteral("1 234,50"),
        QStringLiteral("УФК по г. Москве (ИФНС России № 5 по г. Москве, т/о \"Замоскворечье\")"),
        QStringLiteral("7705046089"),
        QStringLiteral("770501001"),
        QStringLiteral("18210301000011000110"),
        QStringLiteral("45286555000"),
        QStringLiteral("044583001"),
        QStringLiteral("40101810800000010041"),
        QStringLiteral("30101810000000000099"),
        QStringLiteral("ГУ Банка России по ЦФО"),
        QStringLiteral("ООО Северный ветер"),
        QStringLiteral("7705012345"),
        QStringLiteral("770501002"),
        QStringLiteral("45286560000"),
        QStringLiteral("044525225"),
        QStringLiteral("40702810938000000001"),
        QStringLiteral("30101810400000000225"),
        QStringLiteral("ПАО Сбербанк г. Москва"),
        QStringLiteral("электронно"),
        QStringLiteral("5"),
        QStringLiteral("ТП"),
        QStringLiteral("НС"),
        QStringLiteral("НДС за IV квартал 2026 г. (1/3 части)"),
        QStringLiteral("КВ.04.2026"),
        QStringLiteral("20.01.2027"),
        QStringLiteral("Одна тысяча двести тридцать четыре рубля 50 копеек"),
        QStringLiteral("101"),
    };
}

void add_list_row(const QStringList& columns) {
    QTreeWidgetItem* row = form2().add_row();
    for (int c = 1; c <= columns.size(); ++c)
        row->setText(c, columns[c - 1]);
}

// The tables of a rendered document, read through QTextDocument as the printout lays them
// out: cells by position, with their spans.
class Sheet {
public:
    explicit Sheet(const QString& html) {
        doc_.setHtml(html);
        collect(doc_.rootFrame());
    }

    // The text of the cell next to the n-th cell (0-based, in reading order) whose text is
    // exactly `label`, in the direction given; a null string when there is none.
    QString next_to(const QString& label, int dr, int dc, int n = 0) const {
        for (QTextTable* t : tables_)
            for (int r = 0; r < t->rows(); ++r)
                for (int c = 0; c < t->columns(); ++c) {
                    const QTextTableCell cell = t->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c || text(cell) != label)
                        continue;
                    if (n-- > 0)
                        continue;
                    const int row = dr > 0 ? r + cell.rowSpan() : r + dr;
                    const int col = dc > 0 ? c + cell.columnSpan() : c + dc;
                    if (row < 0 || col < 0 || row >= t->rows() || col >= t->columns())
                        return QString();
                    return text(t->cellAt(row, col));
                }
        return QString();
    }
    QString right_of(const QString& label, int n = 0) const { return next_to(label, 0, 1, n); }
    QString above(const QString& label) const { return next_to(label, -1, 0); }
    QString below(const QString& label) const { return next_to(label, 1, 0); }

    // The texts of the row whose cells include `first`, from that cell on to the right; the
    // narrow column that keeps the rows' heights is left out.
    QStringList row_from(const QString& first) const {
        for (QTextTable* t : tables_)
            for (int r = 0; r < t->rows(); ++r)
                for (int c = 0; c < t->columns(); ++c)
                    if (text(t->cellAt(r, c)) == first) {
                        QStringList out;
                        for (int k = c; k < t->columns();) {
                            const QTextTableCell cell = t->cellAt(r, k);
                            out.append(text(cell));
                            k = cell.column() + cell.columnSpan();
                        }
                        while (!out.isEmpty() && out.last().isEmpty())
                            out.removeLast();
                        return out;
                    }
        return {};
    }

    QString plain() const { return doc_.toPlainText(); }

    static QString text(const QTextTableCell& cell) {
        QTextCursor c = cell.firstCursorPosition();
        c.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return c.selectedText()
            .replace(QChar::ParagraphSeparator, u'\n')
            .remove(QChar::ObjectReplacementCharacter) // images
            .trimmed();
    }

private:
    void collect(QTextFrame* frame) {
        for (QTextFrame* child : frame->childFrames()) {
            if (auto* t = qobject_cast<QTextTable*>(child))
                tables_.append(t);
            collect(child);
        }
    }

    QTextDocument doc_;
    QList<QTextTable*> tables_;
};

} // namespace

class TestTemplate : public QObject {
    Q_OBJECT

    QTemporaryDir temp_;
    QByteArray saved_temp_;

private slots:
    void initTestCase() {
        QVERIFY(temp_.isValid());
        saved_temp_ = qgetenv("TEMP");
        qputenv("TEMP", QFile::encodeName(temp_.path()));
    }
    void cleanupTestCase() { qputenv("TEMP", saved_temp_); }

    void to_utf8_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("digits and latin") << "12-ab" << QByteArray("12-ab");
        QTest::newRow("ampersand becomes a blank") << "A&B" << QByteArray("A B");
        QTest::newRow("markup goes in as it is") << "<a \"b\">" << QByteArray("<a \"b\">");
        QTest::newRow("capital Yo") << "Ё" << QByteArray("\xD0\x81");
        QTest::newRow("small yo") << "ё" << QByteArray("\xD1\x91");
        QTest::newRow("numero sign") << "№" << QByteArray("\xE2\x84\x96");
        QTest::newRow("em dash") << "—" << QByteArray("\xE2\x80\x94");
        QTest::newRow("А to п") << "Ап" << QByteArray("\xD0\x90\xD0\xBF");
        QTest::newRow("р to я") << "ря" << QByteArray("\xD1\x80\xD1\x8F");
        QTest::newRow("a word") << "Налог" << QString("Налог").toUtf8();
        // Other windows-1251 codes go in as their one byte, which is not UTF-8.
        QTest::newRow("guillemets stay one byte") << "«x»" << QByteArray("\xABx\xBB");
        QTest::newRow("no windows-1251 code") << "ä€ü" << QByteArray("?\x88?");
        QTest::newRow("empty") << "" << QByteArray();
    }
    void to_utf8() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(tavrelis::to_utf8(text), bytes);
    }

    void put_value_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("placeholder replaced")
            << QByteArray("a<k><w:r><w:t>_</w:t></w:r>b") << "k" << QByteArray("VAL")
            << QByteArray("a<k><w:r><w:t>VAL</w:t></w:r>b");
        QTest::newRow("the first run after the key")
            << QByteArray("<w:t>x</w:t><k><w:t>_</w:t><w:t>_</w:t>") << "k" << QByteArray("1")
            << QByteArray("<w:t>x</w:t><k><w:t>1</w:t><w:t>_</w:t>");
        QTest::newRow("key compared exactly")
            << QByteArray("<inn_sender><w:t>_</w:t><inn><w:t>_</w:t>") << "inn" << QByteArray("7")
            << QByteArray("<inn_sender><w:t>_</w:t><inn><w:t>7</w:t>");
        QTest::newRow("first occurrence of the key")
            << QByteArray("<k><w:t>_</w:t><k><w:t>_</w:t>") << "k" << QByteArray("1")
            << QByteArray("<k><w:t>1</w:t><k><w:t>_</w:t>");
        QTest::newRow("one byte dropped, whatever it is")
            << QByteArray("<k><w:t><</w:t>") << "k" << QByteArray("\xD0\x81")
            << QByteArray("<k><w:t>\xD0\x81</w:t>");
        QTest::newRow("empty value")
            << QByteArray("<k><w:t>_</w:t>") << "k" << QByteArray() << QByteArray("<k><w:t></w:t>");
        // The run is looked for from the key's second character on.
        QTest::newRow("key that is a run tag")
            << QByteArray("<w:t>_</w:t><w:t>_</w:t>") << "w:t" << QByteArray("9")
            << QByteArray("<w:t>_</w:t><w:t>9</w:t>");
    }
    void put_value() {
        QFETCH(QByteArray, text);
        QFETCH(QString, key);
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, result);
        QCOMPARE(tavrelis::put_value(text, key, value), result);
    }

    void put_value_without_the_key_fails_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("no key") << QByteArray("<w:t>_</w:t>");
        QTest::newRow("no run after the key") << QByteArray("<w:t>_</w:t><k>");
        QTest::newRow("no placeholder") << QByteArray("<k><w:t>");
    }
    void put_value_without_the_key_fails() {
        QFETCH(QByteArray, text);
        try {
            tavrelis::put_value(text, QStringLiteral("k"), "1");
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.description(),
                     QStringLiteral("В шаблоне платежного поручения нет поля <k>"));
        }
    }

    void xml_put_works_on_the_session_buffer() {
        Session s;
        template_buffer().RB1 = "<k><w:t>_</w:t>";
        xml_put(QStringLiteral("k"), "42");
        QCOMPARE(template_buffer().RB1, QByteArray("<k><w:t>42</w:t>"));
    }

    // Every key once, as "<key>" that never shows, followed by a run of one placeholder.
    void shipped_template_has_every_key_once() {
        const QByteArray t = testsupport::read_file(source_template());
        QVERIFY(!t.isEmpty());
        QCOMPARE(template_keys().size(), 27);
        for (const TemplateKey& k : template_keys()) {
            const QByteArray key = '<' + QByteArray(k.key) + '>';
            QCOMPARE(t.count(key), 1);
            const qsizetype run = t.indexOf("<w:t>", t.indexOf(key) + 1);
            QVERIFY2(run > 0, k.key);
            QCOMPARE(t.mid(run, 12), QByteArray("<w:t>_</w:t>"));
        }
    }

    void shipped_template_is_wordprocessingml_2003() {
        QXmlStreamReader r(testsupport::read_file(source_template()));
        QVERIFY(r.readNextStartElement());
        QCOMPARE(r.name().toString(), QStringLiteral("wordDocument"));
        QCOMPARE(r.namespaceUri().toString(),
                 QStringLiteral("http://schemas.microsoft.com/office/word/2003/wordml"));
        while (!r.atEnd())
            r.readNext();
        QVERIFY2(!r.hasError(), qPrintable(r.errorString()));
    }

    void the_keys_do_not_show_on_the_sheet() {
        const platform::WordHtml out = platform::render_wordml(
            platform::decode_document(testsupport::read_file(source_template())));
        const Sheet sheet(out.html);
        for (const TemplateKey& k : template_keys())
            QVERIFY2(!sheet.plain().contains(QLatin1String(k.key)), k.key);
        QVERIFY(sheet.plain().contains(QStringLiteral("ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №")));
        QVERIFY(sheet.plain().contains(QStringLiteral("0401060")));
    }

    // The module's copy of the template, filled for one order: nothing left unfilled, well
    // formed, and every value in its box of form 0401060.
    void filled_order_puts_each_value_in_its_box() {
        Session s;
        add_list_row(sample_row());
        xml_loader();
        fill_keys(1);
        const QByteArray filled = template_buffer().RB1;
        QCOMPARE(filled.count("<w:t>_</w:t>"), 0);

        QXmlStreamReader r(filled);
        while (!r.atEnd())
            r.readNext();
        QVERIFY2(!r.hasError(), qPrintable(r.errorString()));

        const Sheet sheet(platform::render_wordml(platform::decode_document(filled)).html);
        QCOMPARE(sheet.right_of(QStringLiteral("ПЛАТЕЖНОЕ ПОРУЧЕНИЕ №")), QStringLiteral("15"));
        QCOMPARE(sheet.above(QStringLiteral("Дата")), QStringLiteral("05.03.2024"));
        QCOMPARE(sheet.above(QStringLiteral("Вид платежа")), QStringLiteral("электронно"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сумма\nпрописью")),
                 QStringLiteral("Одна тысяча двести тридцать четыре рубля 50 копеек"));
        QCOMPARE(sheet.right_of(QStringLiteral("ИНН 7705012345")), QStringLiteral("КПП 770501002"));
        QCOMPARE(sheet.right_of(QStringLiteral("КПП 770501002")), QStringLiteral("Сумма"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сумма")), QStringLiteral("1234-50"));
        QCOMPARE(sheet.above(QStringLiteral("Плательщик")), QStringLiteral("ООО Северный ветер"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сч. №"), 0),
                 QStringLiteral("40702810938000000001"));
        QCOMPARE(sheet.above(QStringLiteral("Банк плательщика")),
                 QStringLiteral("ПАО Сбербанк г. Москва"));
        QCOMPARE(sheet.right_of(QStringLiteral("БИК"), 0), QStringLiteral("044525225"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сч. №"), 1),
                 QStringLiteral("30101810400000000225"));
        QCOMPARE(sheet.above(QStringLiteral("Банк получателя")),
                 QStringLiteral("ГУ Банка России по ЦФО"));
        QCOMPARE(sheet.right_of(QStringLiteral("БИК"), 1), QStringLiteral("044583001"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сч. №"), 2),
                 QStringLiteral("30101810000000000099"));
        QCOMPARE(sheet.right_of(QStringLiteral("ИНН 7705046089")), QStringLiteral("КПП 770501001"));
        QCOMPARE(sheet.right_of(QStringLiteral("Сч. №"), 3),
                 QStringLiteral("40101810800000010041"));
        QCOMPARE(sheet.above(QStringLiteral("Получатель")),
                 QStringLiteral("УФК по г. Москве (ИФНС России № 5 по г. Москве, т/о "
                                "\"Замоскворечье\")"));
        QCOMPARE(sheet.right_of(QStringLiteral("Вид оп.")), QStringLiteral("01"));
        QCOMPARE(sheet.right_of(QStringLiteral("Очер. плат.")), QStringLiteral("5"));
        QCOMPARE(sheet.row_from(QStringLiteral("18210301000011000110")),
                 (QStringList{"18210301000011000110", "45286555000", "ТП", "КВ.04.2026", "0",
                              "20.01.2027", "НС"}));
        QCOMPARE(sheet.above(QStringLiteral("Назначение платежа")),
                 QStringLiteral("НДС за IV квартал 2026 г. (1/3 части)"));
        // The payer's territory code has no box.
        QVERIFY(!sheet.plain().contains(QStringLiteral("45286560000")));
    }

    void names_with_guillemets_and_ampersand_print_right() {
        Session s;
        QStringList row = sample_row();
        row[12] = QStringLiteral("ООО «Хлеб & Соль»");
        add_list_row(row);
        xml_loader();
        fill_keys(1);
        const Sheet sheet(
            platform::render_wordml(platform::decode_document(template_buffer().RB1)).html);
        QCOMPARE(sheet.above(QStringLiteral("Плательщик")), QStringLiteral("ООО «Хлеб   Соль»"));
    }

    void saver_writes_result_xml() {
        Session s;
        QFile::remove(filled_file(QString()));
        template_buffer().RB1 = "<x/>";
        xml_saver();
        QCOMPARE(template_buffer().next_file, QString());
        QCOMPARE(filled_file(QString()), QDir(temp_.path()).filePath("result.xml"));
        QCOMPARE(testsupport::read_file(filled_file(QString())), QByteArray("<x/>"));
    }

    // result.xml still held by the word processor cannot be written; a folder of that name
    // stands for it here, since file modes do not stop every user.
    void a_result_file_that_cannot_be_written_moves_on_to_result1() {
        Session s;
        QFile::remove(filled_file(QString()));
        QFile::remove(filled_file(QStringLiteral("1")));
        QVERIFY(QDir(temp_.path()).mkdir("result.xml"));
        template_buffer().RB1 = "<y/>";
        xml_saver();
        QCOMPARE(template_buffer().next_file, QStringLiteral("1"));
        QCOMPARE(testsupport::read_file(QDir(temp_.path()).filePath("result1.xml")),
                 QByteArray("<y/>"));
        QVERIFY(QDir(temp_.path()).rmdir("result.xml"));
    }

    void a_temporary_folder_that_takes_nothing_is_reported() {
        Session s;
        const QString missing = temp_.filePath(QStringLiteral("no/such/folder"));
        qputenv("TEMP", QFile::encodeName(missing));
        template_buffer().RB1 = "<z/>";
        try {
            xml_saver();
            qputenv("TEMP", QFile::encodeName(temp_.path()));
            QFAIL("no error");
        } catch (const Error& e) {
            qputenv("TEMP", QFile::encodeName(temp_.path()));
            QCOMPARE(
                e.description(),
                QStringLiteral("Не удалось сохранить заполненный бланк во временной папке \"") +
                    QDir::toNativeSeparators(missing) + QStringLiteral("\""));
        }
    }

    void loader_reads_the_module_template() {
        Session s;
        template_buffer().RB1 = "old";
        xml_loader();
        QCOMPARE(template_buffer().RB1, testsupport::read_file(template_file()));
        QVERIFY(template_buffer().RB1.startsWith("<?xml"));
    }

    void the_amount_goes_in_with_a_hyphen_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("printed");
        QTest::newRow("groups") << "1 234,50" << QByteArray("1234-50");
        QTest::newRow("millions") << "12 345 678,05" << QByteArray("12345678-05");
        QTest::newRow("small") << "0,99" << QByteArray("0-99");
    }
    void the_amount_goes_in_with_a_hyphen() {
        QFETCH(QString, list);
        QFETCH(QByteArray, printed);
        QCOMPARE(template_value(QStringLiteral("summa_digits"), list), printed);
    }

    void codes_go_in_one_byte_a_character() {
        QCOMPARE(template_value(QStringLiteral("kpp"), QStringLiteral("7705 01")),
                 QByteArray("7705 01"));
        QCOMPARE(template_value(QStringLiteral("kbk"), QStringLiteral("18210301000011000110")),
                 QByteArray("18210301000011000110"));
        QCOMPARE(template_value(QStringLiteral("receiver"), QStringLiteral("А&Б")),
                 QByteArray("\xD0\x90 \xD0\x91"));
    }
};

QTEST_MAIN(TestTemplate)
#include "tst_template.moc"
