#include "platform/env.h"
#include "platform/errors.h"
#include "platform/objects.h"
#include "platform/registry_file.h"
#include "platform/word.h"
#include "platform/wordml_render.h"
#include "support/support.h"

#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
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

QByteArray cell(const QByteArray& text, const QByteArray& tcpr = QByteArray()) {
    return "<w:tc>" + (tcpr.isEmpty() ? QByteArray() : "<w:tcPr>" + tcpr + "</w:tcPr>") +
           para(text) + "</w:tc>";
}

// A 3x3 grid: "a" spans two columns, "b" two rows.
QByteArray merged_table() {
    return "<w:tbl><w:tblPr><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\"/>"
           "<w:insideH w:val=\"single\" w:sz=\"4\"/></w:tblBorders></w:tblPr>"
           "<w:tblGrid><w:gridCol w:w=\"1500\"/><w:gridCol w:w=\"3000\"/>"
           "<w:gridCol w:w=\"1500\"/></w:tblGrid>"
           "<w:tr>" +
           cell("a", "<w:gridSpan w:val=\"2\"/>") + cell("b", "<w:vmerge w:val=\"restart\"/>") +
           "</w:tr><w:tr>" + cell("c") + cell("d") + cell("", "<w:vmerge/>") +
           "</w:tr><w:tr><w:trPr><w:trHeight w:val=\"1500\"/></w:trPr>" + cell("e") + cell("f") +
           cell("g", "<w:vAlign w:val=\"center\"/>") + "</w:tr></w:tbl>" + para("");
}

struct Loaded {
    QTextDocument doc;
    QList<QTextTable*> tables;
    explicit Loaded(const QString& html) {
        doc.setHtml(html);
        for (QTextFrame* f : doc.rootFrame()->childFrames())
            if (auto* t = qobject_cast<QTextTable*>(f))
                tables.append(t);
    }
    // The character format of the first occurrence of a text.
    QTextCharFormat format_of(const QString& text) const {
        QTextCursor c = doc.find(text);
        return c.isNull() ? QTextCharFormat() : c.charFormat();
    }
};

QString cell_text(const QTextTableCell& c) {
    QTextCursor cur = c.firstCursorPosition();
    cur.setPosition(c.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cur.selectedText().remove(QChar::ObjectReplacementCharacter).trimmed();
}

// A factory as a test puts in place: the stand-in, but of another version.
class LaterWord : public ObjectFactory {
public:
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<WordApplication> create_word() override {
        return make_word_application(QStringLiteral("14.0"));
    }
};

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
    void cleanup() {
        set_print_folder(QString());
        set_registry_file(QString());
        set_factory(nullptr);
    }

    void registered_version_data() {
        QTest::addColumn<QByteArray>("registry");
        QTest::addColumn<QString>("version"); // empty: the object cannot be created
        QTest::newRow("nothing registered") << QByteArray() << "12.0";
        QTest::newRow("Word 2003") << QByteArray("[HKEY_CLASSES_ROOT\\Word.Application\\CurVer]\r\n"
                                                 "@=\"Word.Application.11\"\r\n")
                                   << "11.0";
        QTest::newRow("a later Word")
            << QByteArray("[HKEY_CLASSES_ROOT\\Word.Application\\CurVer]\r\n"
                          "@=\"Word.Application.14\"\r\n")
            << "14.0";
        QTest::newRow("not a version")
            << QByteArray("[HKEY_CLASSES_ROOT\\Word.Application\\CurVer]\r\n@=\"Writer\"\r\n")
            << "";
    }
    void registered_version() {
        QFETCH(QByteArray, registry);
        QFETCH(QString, version);
        set_registry_file(
            write("reg.reg", "Windows Registry Editor Version 5.00\r\n\r\n" + registry));
        const std::unique_ptr<WordApplication> w = factory().create_word();
        if (version.isEmpty()) {
            QVERIFY(!w);
            return;
        }
        QVERIFY(w);
        QCOMPARE(w->Version(), version);
    }

    void a_factory_put_in_place_gives_its_own_word_processor() {
        LaterWord later;
        set_factory(&later);
        const std::unique_ptr<WordApplication> w = factory().create_word();
        QVERIFY(w);
        QCOMPARE(w->Version(), QStringLiteral("14.0"));
    }

    void decode_document_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QString("Сумма №").toUtf8() << "Сумма №";
        QTest::newRow("windows-1251 bytes in between")
            << QByteArray("\xAB") + QString("Ёлка").toUtf8() + QByteArray("\xBB") << "«Ёлка»";
        QTest::newRow("a lone lead byte") << QByteArray("\xD0 x") << "Р x";
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
        QTest::newRow("another root") << QByteArray("<?xml version=\"1.0\"?><html/>");
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
        QTest::newRow("markup") << QByteArray("<w:t><b>x</b><!-- y --></w:t>")
                                << "<b>x</b><!-- y -->";
        QTest::newRow("bare ampersands")
            << QByteArray("<w:t>A & B &nbsp; &#1; &#xZ; &;</w:t>") << "A & B &nbsp; &#1; &#xZ; &;";
        QTest::newRow("references kept as their characters")
            << QByteArray("<w:t>&lt;&amp;&quot;&#1025;&#x401;</w:t>") << "<&\"ЁЁ";
        QTest::newRow("control characters as blanks") << QByteArray("<w:t>a\x01"
                                                                    "b\x1F\x0B\x0C\x7F</w:t>")
                                                      << "a b   \x7F";
        QTest::newRow("windows-1251 bytes") << QByteArray("<w:t>\xAB<\xBB</w:t>") << "«<»";
        QTest::newRow("a run tag in a value") << QByteArray("<w:t><w:t></w:t>") << "<w:t>";
        QTest::newRow("run ends and tags in a value")
            << QByteArray("<w:t>a</w:t>b</w:t><c></w:t></w:r></w:t>")
            << "a</w:t>b</w:t><c></w:t></w:r>";
        QTest::newRow("attributes")
            << QByteArray("<w:t xml:space=\"preserve\"> <x> </w:t>") << " <x> ";
        QTest::newRow("texts of one run stay apart")
            << QByteArray("<w:t>a<</w:t><w:tab/><w:t>>b</w:t>") << "a<\t>b";
    }
    void run_texts_are_read_as_written() {
        QFETCH(QByteArray, run);
        QFETCH(QString, text);
        const WordHtml out = render_wordml(platform::decode_document(
            document("<w:p><w:r><w:t>|</w:t>" + run + "<w:t>|</w:t></w:r></w:p>")));
        QCOMPARE(Loaded(out.html).doc.toPlainText().trimmed(), u'|' + text + u'|');
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

    void a_missing_file_is_not_opened() {
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        QVERIFY_THROWS_EXCEPTION(Error, w->Documents_Add(dir_.filePath("none.xml")));
    }

    void runs_keep_their_formatting() {
        const WordHtml out = render_wordml(QString::fromUtf8(
            document(para("bold", "<w:b/>") + para("italic", "<w:i/>") +
                     para("under", "<w:u w:val=\"single\"/>") +
                     para("big", "<w:sz w:val=\"28\"/>") + para("plain", "<w:b w:val=\"off\"/>") +
                     para("middle", QByteArray(), "<w:jc w:val=\"center\"/>") +
                     para("font", "<w:rFonts w:ascii=\"Courier New\"/>"))));
        const Loaded l(out.html);
        QVERIFY(l.format_of("bold").fontWeight() >= QFont::Bold);
        QVERIFY(l.format_of("italic").fontItalic());
        QVERIFY(l.format_of("under").fontUnderline());
        QCOMPARE(l.format_of("big").fontPointSize(), 14.0);
        QVERIFY(l.format_of("plain").fontWeight() < QFont::Bold);
        QVERIFY(!l.format_of("plain").fontItalic());
        QCOMPARE(l.doc.find("middle").blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);
        QVERIFY(l.format_of("font").fontFamilies().toStringList().contains("Courier New"));
    }

    void paragraph_style_and_defaults_apply() {
        const QByteArray doc =
            "<?xml version=\"1.0\"?><w:wordDocument "
            "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\">"
            "<w:styles><w:style w:type=\"paragraph\" w:default=\"on\" w:styleId=\"Normal\">"
            "<w:rPr><w:sz w:val=\"16\"/></w:rPr></w:style>"
            "<w:style w:type=\"paragraph\" w:styleId=\"Head\"><w:basedOn w:val=\"Normal\"/>"
            "<w:rPr><w:b/></w:rPr></w:style></w:styles><w:body>" +
            para("normal") + para("heading", QByteArray(), "<w:pStyle w:val=\"Head\"/>") +
            "</w:body></w:wordDocument>";
        const Loaded l(render_wordml(QString::fromUtf8(doc)).html);
        QCOMPARE(l.format_of("normal").fontPointSize(), 8.0);
        QVERIFY(l.format_of("normal").fontWeight() < QFont::Bold);
        QVERIFY(l.format_of("heading").fontWeight() >= QFont::Bold);
    }

    void tables_keep_their_grid_spans_and_merges() {
        const WordHtml out = render_wordml(QString::fromUtf8(document(merged_table())));
        const Loaded l(out.html);
        QCOMPARE(l.tables.size(), 1);
        const QTextTable* t = l.tables[0];
        // Find each cell by its text and check where it lies and how far it reaches.
        QHash<QString, QTextTableCell> cells;
        for (int r = 0; r < t->rows(); ++r)
            for (int c = 0; c < t->columns(); ++c) {
                const QTextTableCell cl = t->cellAt(r, c);
                if (cl.row() == r && cl.column() == c && !cell_text(cl).isEmpty())
                    cells.insert(cell_text(cl), cl);
            }
        QCOMPARE(cells.value("a").columnSpan(), 2);
        QCOMPARE(cells.value("b").rowSpan(), 2);
        QCOMPARE(cells.value("b").column(), 2);
        QCOMPARE(cells.value("c").row(), cells.value("d").row());
        QCOMPARE(cells.value("d").column(), 1);
        QCOMPARE(cells.value("e").row(), cells.value("c").row() + 1);
        QCOMPARE(cells.value("g").column(), 2);
        // Column widths follow the grid, whatever spans the first row has.
        const QList<QTextLength> widths = t->format().columnWidthConstraints();
        QCOMPARE(widths.value(0).rawValue(), 100.0);
        QCOMPARE(widths.value(1).rawValue(), 200.0);
        QCOMPARE(widths.value(2).rawValue(), 100.0);
    }

    void borders_come_from_the_cell_or_the_table() {
        const QByteArray table =
            "<w:tbl><w:tblPr><w:tblBorders><w:insideV w:val=\"single\" w:sz=\"4\"/>"
            "</w:tblBorders></w:tblPr><w:tblGrid><w:gridCol w:w=\"1500\"/>"
            "<w:gridCol w:w=\"1500\"/></w:tblGrid><w:tr>" +
            cell("x", "<w:tcBorders><w:bottom w:val=\"single\" w:sz=\"12\"/>"
                      "<w:right w:val=\"nil\"/></w:tcBorders>") +
            cell("y") + "</w:tr></w:tbl>" + para("");
        const Loaded l(render_wordml(QString::fromUtf8(document(table))).html);
        const QTextTable* t = l.tables.value(0);
        QVERIFY(t);
        QTextTableCell x, y;
        for (int c = 0; c < t->columns(); ++c) {
            const QTextTableCell cl = t->cellAt(t->rows() - 1, c);
            if (cell_text(cl) == "x")
                x = cl;
            if (cell_text(cl) == "y")
                y = cl;
        }
        const QTextTableCellFormat fx = x.format().toTableCellFormat();
        const QTextTableCellFormat fy = y.format().toTableCellFormat();
        QCOMPARE(fx.bottomBorder(), 2.0); // 1.5 pt
        QCOMPARE(fx.rightBorderStyle(), QTextFrameFormat::BorderStyle_None);
        QCOMPARE(fy.leftBorder(), 1.0); // the table's inside line
        QCOMPARE(fy.leftBorderStyle(), QTextFrameFormat::BorderStyle_Solid);
        QCOMPARE(fy.bottomBorderStyle(), QTextFrameFormat::BorderStyle_None);
    }

    void page_setup_comes_from_the_section() {
        const WordHtml out = render_wordml(QString::fromUtf8(document(
            para("p") + "<w:sectPr><w:pgSz w:w=\"16838\" w:h=\"11906\"/><w:pgMar w:top=\"567\" "
                        "w:right=\"600\" w:bottom=\"700\" w:left=\"800\"/></w:sectPr>")));
        QCOMPARE(out.page.width, 16838);
        QCOMPARE(out.page.height, 11906);
        QCOMPARE(out.page.top, 567);
        QCOMPARE(out.page.right, 600);
        QCOMPARE(out.page.bottom, 700);
        QCOMPARE(out.page.left, 800);
    }

    void preview_macro_writes_the_active_document() {
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        WordDocument* d = w->Documents_Add(
            write("doc.xml", document(para("Привет \xAB\xD0\xBC\xD0\xB8\xD1\x80\xBB"))));
        d->Activate();
        const QString preview = dir_.filePath("preview.htm");
        w->run("to_preview", preview);
        QTextDocument shown;
        shown.setHtml(QString::fromUtf8(testsupport::read_file(preview)));
        QCOMPARE(shown.toPlainText().trimmed(), QStringLiteral("Привет «мир»"));
    }

    void macros_need_a_name_they_know_and_an_open_document() {
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        QVERIFY_THROWS_EXCEPTION(Error, w->run("to_preview", dir_.filePath("p.htm")));
        WordDocument* d = w->Documents_Add(write("d.xml", document(para("x"))));
        QVERIFY_THROWS_EXCEPTION(Error, w->run("other", dir_.filePath("p.htm")));
        d->Close();
        QVERIFY_THROWS_EXCEPTION(Error, w->run("to_preview", dir_.filePath("p.htm")));
        QVERIFY_THROWS_EXCEPTION(Error, w->PrintOut());
    }

    void nothing_works_after_quit() {
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        w->Quit();
        QVERIFY_THROWS_EXCEPTION(Error, w->Version());
        QVERIFY_THROWS_EXCEPTION(Error, w->Documents_Add(write("q.xml", document(para("x")))));
    }

    void printout_goes_to_the_print_folder_as_pdf() {
        const QString folder = dir_.filePath("printed/sheets"); // made when missing
        set_print_folder(folder);
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        w->Documents_Add(write("p.xml", document(para("Платежное поручение 0401060"))))->Activate();
        w->set_print_name("7705012345_N15_20240305", dir_.filePath("unused"));
        w->PrintOut();
        const QString pdf = QDir(folder).filePath("7705012345_N15_20240305.pdf");
        QVERIFY(testsupport::read_file(pdf).startsWith("%PDF"));
        QVERIFY(!QDir(dir_.filePath("unused")).exists());
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QVERIFY(testsupport::pdf_text(pdf).contains(QStringLiteral("Платежное поручение 0401060")));
    }

    void with_no_printer_the_sheet_goes_to_the_named_folder() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a printer");
        const std::unique_ptr<WordApplication> w = make_word_application("12.0");
        w->Documents_Add(write("n.xml", document(para("x"))))->Activate();
        w->set_print_name("sheet", dir_.path());
        w->PrintOut();
        QVERIFY(testsupport::read_file(dir_.filePath("sheet.pdf")).startsWith("%PDF"));
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
