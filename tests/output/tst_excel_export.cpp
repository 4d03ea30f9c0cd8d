#include "common/session.h"
#include "output/excel_export.h"
#include "output/form2.h"
#include "platform/env.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "platform/spreadsheet.h"
#include "support/support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <QtTest>
#include <map>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

const QString kNoExcel = QStringLiteral(
    "Модуль формирования платежных поручений требует наличия Microsoft Excel 2003 или "
    "Microsoft Excel 2007. Установите одну из этих версий и повторите действие");

QByteArray workbook(const QByteArray& table) {
    return R"(<?xml version="1.0"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Styles><Style ss:ID="b"><Font ss:Bold="1"/></Style></Styles>
 <Worksheet ss:Name="Лист1">)" +
           table + R"(<WorksheetOptions xmlns="urn:schemas-microsoft-com:office:excel"/>
 </Worksheet>
 <Worksheet ss:Name="Лист2"/>
</Workbook>
)";
}

// Cells of a saved SpreadsheetML sheet, read independently of the stand-in: (row, column)
// to text, following ss:Index, ss:Span and ss:MergeAcross; plus the sheet's declared size.
struct Sheet {
    std::map<std::pair<int, int>, QString> cells;
    int expanded_rows = 0, expanded_columns = 0;
    QString name;
};

Sheet read_sheet(const QString& path, int wanted = 1) {
    Sheet out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QXmlStreamReader r(&f);
    const QString ns = QStringLiteral("urn:schemas-microsoft-com:office:spreadsheet");
    int sheet = 0, row = 0, col = 0, span = 0;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (r.namespaceUri() != ns)
            continue;
        if (token == QXmlStreamReader::EndElement && r.name() == u"Row" && sheet == wanted) {
            for (int k = 1; k <= span; ++k) // a spanned row stands for copies of itself
                for (const auto& [at, text] : std::map(out.cells))
                    if (at.first == row)
                        out.cells[{row + k, at.second}] = text;
            row += span;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attr = [&](const char* name, int otherwise) {
            const auto v = r.attributes().value(ns, QLatin1String(name));
            return v.isEmpty() ? otherwise : v.toInt();
        };
        if (r.name() == u"Worksheet") {
            if (++sheet == wanted)
                out.name = r.attributes().value(ns, QStringLiteral("Name")).toString();
        } else if (sheet != wanted) {
            continue;
        } else if (r.name() == u"Table") {
            out.expanded_rows = attr("ExpandedRowCount", 0);
            out.expanded_columns = attr("ExpandedColumnCount", 0);
        } else if (r.name() == u"Row") {
            row = attr("Index", row + 1);
            span = attr("Span", 0);
            col = 0;
        } else if (r.name() == u"Cell") {
            col = attr("Index", col + 1);
            out.cells[{row, col}];
            const int first = col;
            col += attr("MergeAcross", 0);
            if (r.readNextStartElement() && r.name() == u"Data")
                out.cells[{row, first}] = r.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return out;
}

class VersionedSpreadsheet : public Spreadsheet {
public:
    explicit VersionedSpreadsheet(QString v) : v_(std::move(v)) {}
    QString Version() const override { return v_; }

private:
    QString v_;
};

// A spreadsheet program whose template cannot be found.
class NoTemplate : public Spreadsheet {
public:
    Workbook& add_workbook(const QString& t) override {
        return Spreadsheet::add_workbook(t + QStringLiteral(".missing"));
    }
};

class Objects : public ObjectFactory {
public:
    std::function<std::unique_ptr<Spreadsheet>()> make;
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<Spreadsheet> create_spreadsheet() override { return make(); }
};

// One order's list texts, columns 1..29.
QStringList order_texts() {
    return {"15",
            "05.03.2024",
            "1 234 567,80",
            "УФК \"Казна\" & Co",
            "7701107259",
            "770101001",
            "18210101011011000110",
            "45286555000",
            "044583001",
            "40101810800000010041",
            "",
            "Отделение <1>",
            "ООО 'Ромашка'",
            "7701000001",
            "770101001",
            "45286560000",
            "044525225",
            "40702810938000000001",
            "30101810400000000225",
            "ПАО Банк",
            "ЭЛЕКТРОННО",
            "5",
            "ТП",
            "0",
            "Налог &amp; сбор",
            "КВ.01.2024",
            "",
            "Один миллион & 80 копеек",
            "1001"};
}

} // namespace

class TestExcelExport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<RecordingUi> rec_;
    std::unique_ptr<UiScope> scope_;
    Objects objects_;

    QString file(const QString& name, const QByteArray& content = {}) {
        const QString path = dir_.filePath(name);
        if (!content.isEmpty())
            testsupport::write_file(path, content);
        return path;
    }

private slots:
    void init() {
        session_ = std::make_unique<Session>();
        rec_ = std::make_unique<RecordingUi>();
        scope_ = std::make_unique<UiScope>(*rec_);
    }
    void cleanup() {
        set_factory(nullptr);
        scope_.reset();
        rec_.reset();
        session_.reset();
    }

    // Two orders listed; the export takes the current row, the second.
    void list_order() {
        Form2& f = form2();
        f.add_row()->setText(1, QStringLiteral("99"));
        const QStringList texts = order_texts();
        QTreeWidgetItem* row = f.add_row();
        for (int col = 1; col <= 29; ++col)
            row->setText(col, texts[col - 1]);
        f.current_row = 2;
    }

    void sheet_holds_treated_values() {
        list_order();
        QVERIFY(out_excel(file("order.xls")));
        QVERIFY(rec_->boxes.isEmpty());
        const Sheet s = read_sheet(file("order.xls"));
        // Every text as listed, but the amount and the escaped free-text fields.
        QStringList expected = order_texts().mid(0, 28);
        expected[2] = QStringLiteral("1234567,80");
        expected[3] = QStringLiteral("УФК &quot;Казна&quot; &amp; Co");
        expected[11] = QStringLiteral("Отделение &lt;1&gt;");
        expected[12] = QStringLiteral("ООО &apos;Ромашка&apos;");
        expected[24] = QStringLiteral("Налог &amp;amp; сбор");
        for (int r = 1; r <= 28; ++r) {
            QCOMPARE(s.cells.count({r, 2}), size_t(1)); // an empty value is still a cell
            QCOMPARE(s.cells.at({r, 2}), expected[r - 1]);
        }
        QCOMPARE(s.cells.at({1, 1}), QStringLiteral("№ п/п")); // the template's captions stay
        QCOMPARE(s.cells.at({28, 1}), QStringLiteral("Сумма прописью"));
        QCOMPARE(s.cells.rbegin()->first.first, 28);
    }

    void versions_data() {
        QTest::addColumn<QString>("version"); // "none": the program cannot be started
        QTest::addColumn<bool>("saved");
        QTest::newRow("2003") << "11.0" << true;
        QTest::newRow("2007") << "12.0" << true;
        QTest::newRow("2010") << "14.0" << false;
        QTest::newRow("97") << "8.0" << false;
        QTest::newRow("none") << "none" << false;
    }
    void versions() {
        QFETCH(QString, version);
        QFETCH(bool, saved);
        objects_.make = [version]() -> std::unique_ptr<Spreadsheet> {
            if (version == u"none")
                return nullptr;
            return std::make_unique<VersionedSpreadsheet>(version);
        };
        set_factory(&objects_);
        list_order();
        const QString target = file(QString::fromLatin1(QTest::currentDataTag()) + ".xls");
        QCOMPARE(out_excel(target), saved);
        QCOMPARE(QFile::exists(target), saved);
        if (saved) {
            QVERIFY(rec_->boxes.isEmpty());
            return;
        }
        QCOMPARE(rec_->boxes.size(), 1);
        QCOMPARE(rec_->boxes[0].text, kNoExcel);
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("critical"));
        QCOMPARE(rec_->boxes[0].title, QStringLiteral("Вальмора-2: Фискалон"));
    }

    void failures_data() {
        QTest::addColumn<bool>("template_missing");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("template") << true << "t.xls"
                                  << "Произошла ошибка в модуле out_excel(2): ";
        QTest::newRow("save") << false << "missing/t.xls"
                              << "Произошла ошибка в модуле out_excel(5): ";
        QTest::newRow("no current row") << false << "r.xls"
                                        << "Произошла ошибка в модуле out_excel(4): ";
    }
    void failures() {
        QFETCH(bool, template_missing);
        QFETCH(QString, target);
        QFETCH(QString, prefix);
        objects_.make = [template_missing]() -> std::unique_ptr<Spreadsheet> {
            if (template_missing)
                return std::make_unique<NoTemplate>();
            return std::make_unique<Spreadsheet>();
        };
        set_factory(&objects_);
        list_order();
        if (QTest::currentDataTag() == QByteArray("no current row"))
            form2().current_row = 3;
        QVERIFY(!out_excel(file(target)));
        QVERIFY(!QFile::exists(file(target)));
        QCOMPARE(rec_->boxes.size(), 1);
        QVERIFY2(rec_->boxes[0].text.startsWith(prefix), qPrintable(rec_->boxes[0].text));
        QVERIFY(rec_->boxes[0].text.size() > prefix.size());
        QCOMPARE(rec_->boxes[0].title, QString());
        QCOMPARE(rec_->boxes[0].icon, QStringLiteral("none"));
    }

    // The stand-in sets cells wherever they fall among those the template has.
    void set_cells_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QStringList>("expected"); // "row,col=text" of every cell afterwards
        QTest::newRow("no table") << QByteArray() << 2 << 3 << QStringList{"2,3=x"};
        QTest::newRow("empty table") << QByteArray("<Table/>") << 1 << 1 << QStringList{"1,1=x"};
        QTest::newRow("replaces a value")
            << QByteArray(R"(<Table><Row><Cell><Data ss:Type="Number">5</Data></Cell></Row>
                             </Table>)")
            << 1 << 1 << QStringList{"1,1=x"};
        QTest::newRow("after the last row")
            << QByteArray(R"(<Table><Row><Cell><Data ss:Type="String">a</Data></Cell></Row>
                             </Table>)")
            << 4 << 2 << QStringList{"1,1=a", "4,2=x"};
        QTest::newRow("into a gap, before an indexed row")
            << QByteArray(R"(<Table><Row><Cell><Data ss:Type="String">a</Data></Cell></Row>
                             <Row ss:Index="5"><Cell><Data ss:Type="String">b</Data></Cell></Row>
                             <Row><Cell><Data ss:Type="String">c</Data></Cell></Row></Table>)")
            << 3 << 1 << QStringList{"1,1=a", "3,1=x", "5,1=b", "6,1=c"};
        QTest::newRow("cell between cells")
            << QByteArray(R"(<Table><Row><Cell><Data ss:Type="String">a</Data></Cell>
                             <Cell ss:Index="4"><Data ss:Type="String">d</Data></Cell>
                             <Cell><Data ss:Type="String">e</Data></Cell></Row></Table>)")
            << 1 << 2 << QStringList{"1,1=a", "1,2=x", "1,4=d", "1,5=e"};
        QTest::newRow("inside a spanned row")
            << QByteArray(R"(<Table><Row ss:Span="3"><Cell><Data ss:Type="String">s</Data>
                             </Cell></Row><Row><Cell><Data ss:Type="String">z</Data></Cell></Row>
                             </Table>)")
            << 2 << 2 << QStringList{"1,1=s", "2,1=s", "2,2=x", "3,1=s", "4,1=s", "5,1=z"};
    }
    void set_cells() {
        QFETCH(QByteArray, table);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QStringList, expected);
        Spreadsheet xl;
        Workbook& book = xl.add_workbook(file("t.xml", workbook(table)));
        QCOMPARE(book.sheet_count(), 2);
        book.sheets(1).set_cell(row, col, QStringLiteral("x"));
        QCOMPARE(book.sheets(1).cell(row, col), QStringLiteral("x"));
        book.SaveAs(file("out.xls"));
        const Sheet s = read_sheet(file("out.xls"));
        QStringList got;
        for (const auto& [at, text] : s.cells)
            got.append(QStringLiteral("%1,%2=%3").arg(at.first).arg(at.second).arg(text));
        QCOMPARE(got, expected);
        QCOMPARE(s.name, QStringLiteral("Лист1"));
    }

    void stand_in_rules() {
        Spreadsheet xl;
        QCOMPARE(xl.Version(), QStringLiteral("12.0"));
        Workbook& book = xl.add_workbook(
            file("m.xml", workbook(R"(<Table ss:ExpandedRowCount="1" ss:ExpandedColumnCount="3">
                <Row><Cell ss:StyleID="b" ss:Formula="=1+1" ss:MergeAcross="2"><Data
                ss:Type="Number">2</Data></Cell></Row></Table>)")));
        Worksheet& sheet = book.sheets(1);
        QVERIFY_THROWS_EXCEPTION(std::exception, sheet.set_cell(1, 2, "x")); // part of a merge
        QVERIFY_THROWS_EXCEPTION(std::exception, sheet.set_cell(0, 1, "x"));
        QVERIFY_THROWS_EXCEPTION(std::exception, book.sheets(3));
        sheet.set_cell(1, 1, QString()); // empties the cell, keeps its style
        sheet.set_cell(7, 9, QStringLiteral("a < b & \"c\""));
        book.SaveAs(file("m.xls"));
        const QByteArray saved = testsupport::read_file(file("m.xls"));
        QVERIFY(saved.contains(R"(<Cell ss:StyleID="b" ss:MergeAcross="2"/>)"));
        QVERIFY(saved.contains("<?mso-application progid=\"Excel.Sheet\"?>"));
        QVERIFY(saved.contains(R"(<Style ss:ID="b"><Font ss:Bold="1"/></Style>)"));
        const Sheet s = read_sheet(file("m.xls"));
        QCOMPARE(s.expanded_rows, 7);
        QCOMPARE(s.expanded_columns, 9);
        QCOMPARE(s.cells.at({7, 9}), QStringLiteral("a < b & \"c\""));
        QVERIFY_THROWS_EXCEPTION(std::exception, xl.add_workbook(file("none.xml")));
        QVERIFY_THROWS_EXCEPTION(std::exception, xl.add_workbook(file("bad.xml", "<Workbook>")));
        QVERIFY_THROWS_EXCEPTION(std::exception, book.SaveAs(file("no/such/dir.xls")));
    }
};

QTEST_MAIN(TestExcelExport)
#include "tst_excel_export.moc"
