#include "platform/spreadsheet.h"
#include "support/support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <map>

using namespace tavrelis::platform;

namespace {

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

// Cells of the first sheet of a saved SpreadsheetML workbook, read independently of the
// stand-in: (row, column) to text, following ss:Index, ss:Span and ss:MergeAcross.
std::map<std::pair<int, int>, QString> read_sheet(const QString& path) {
    std::map<std::pair<int, int>, QString> out;
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
        if (token == QXmlStreamReader::EndElement && r.name() == u"Row" && sheet == 1) {
            for (int k = 1; k <= span; ++k) // a spanned row stands for copies of itself
                for (const auto& [at, text] : std::map(out))
                    if (at.first == row)
                        out[{row + k, at.second}] = text;
            row += span;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto attr = [&](const char* name, int otherwise) {
            const auto v = r.attributes().value(ns, QLatin1String(name));
            return v.isEmpty() ? otherwise : v.toInt();
        };
        if (r.name() == u"Worksheet") {
            ++sheet;
        } else if (sheet != 1) {
            continue;
        } else if (r.name() == u"Row") {
            row = attr("Index", row + 1);
            span = attr("Span", 0);
            col = 0;
        } else if (r.name() == u"Cell") {
            col = attr("Index", col + 1);
            out[{row, col}];
            const int first = col;
            col += attr("MergeAcross", 0);
            if (r.readNextStartElement() && r.name() == u"Data")
                out[{row, first}] = r.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    return out;
}

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString file(const QString& name, const QByteArray& content = {}) {
        const QString path = dir_.filePath(name);
        if (!content.isEmpty())
            testsupport::write_file(path, content);
        return path;
    }

private slots:
    // The stand-in sets cells wherever they fall among those the template has: between
    // indexed cells, in a gap before an indexed row, inside a spanned row; where there can be
    // no cell, it raises.
    void set_cells() {
        Spreadsheet xl;
        Workbook& book = xl.add_workbook(file("t.xml", workbook(R"(<Table>
            <Row><Cell><Data ss:Type="String">a</Data></Cell><Cell ss:Index="4"><Data
            ss:Type="String">d</Data></Cell><Cell><Data ss:Type="String">e</Data></Cell></Row>
            <Row ss:Index="5" ss:Span="1"><Cell><Data ss:Type="String">s</Data></Cell></Row>
            <Row><Cell><Data ss:Type="String">z</Data></Cell></Row></Table>)")));
        const int cells[][2] = {{1, 2}, {3, 1}, {6, 2}};
        for (const auto& c : cells)
            book.sheets(1).set_cell(c[0], c[1], QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(std::exception, book.sheets(1).set_cell(0, 1, "x"));
        QVERIFY_THROWS_EXCEPTION(std::exception, book.sheets(3));
        book.SaveAs(file("out.xls"));
        // What is not a cell's value stays as the template has it.
        const QByteArray saved = testsupport::read_file(file("out.xls"));
        QVERIFY(saved.contains("<?mso-application progid=\"Excel.Sheet\"?>"));
        QVERIFY(saved.contains(R"(<Style ss:ID="b"><Font ss:Bold="1"/></Style>)"));
        QStringList got;
        for (const auto& [at, text] : read_sheet(file("out.xls")))
            got.append(QStringLiteral("%1,%2=%3").arg(at.first).arg(at.second).arg(text));
        QCOMPARE(got, QStringList({"1,1=a", "1,2=x", "1,4=d", "1,5=e", "3,1=x", "5,1=s", "6,1=s",
                                   "6,2=x", "7,1=z"}));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
