#include "common/session.h"
#include "output/excel_export.h"
#include "output/form2.h"
#include "output/xml_export.h"
#include "platform/objects.h"
#include "platform/recording_ui.h"
#include "platform/spreadsheet.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// The spreadsheet program of a version.
struct Program : Spreadsheet {
    QString v;
    QString Version() const override { return v; }
};

struct Objects : ObjectFactory {
    QString version;
    std::unique_ptr<VersionInfo> create_version() override { return nullptr; }
    std::unique_ptr<WorkCalendar> create_calendar() override { return nullptr; }
    std::unique_ptr<Spreadsheet> create_spreadsheet() override {
        auto p = std::make_unique<Program>();
        p->v = version;
        return p;
    }
};

} // namespace

// How the stand-in writes a workbook is checked in tests/platform/tst_spreadsheet.cpp; here
// it reads the saved one back.
class TestExcelExport : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    Objects objects_;

private slots:
    void init() { set_factory(&objects_); }
    void cleanup() { set_factory(nullptr); }

    void exporting_data() {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("message"); // the box; empty: saved
        const QString refused = "Модуль формирования платежных поручений требует наличия "
                                "Microsoft Excel 2003 или Microsoft Excel 2007. Установите одну "
                                "из этих версий и повторите действие";
        const QString failed = "Произошла ошибка в модуле out_excel(%1): ";
        auto row = [](const char* version, const char* target, const QString& message) {
            QTest::newRow(version) << version << target << message;
        };
        row("11.0", "a.xls", "");
        row("14.0", "b.xls", refused);
        row("12.0", "none/e.xls", failed.arg(5)); // cannot be saved
    }
    // Column B gets the 28 texts of the current row as the XML export treats them, the
    // template's captions stay; a failure is said in a box, and no file is left.
    void exporting() {
        QFETCH(QString, version);
        QFETCH(QString, target);
        QFETCH(QString, message);
        objects_.version = version;
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        form2().orders().append(Order{});
        Order o;
        for (int c = 1; c < kFieldCount; ++c)
            o.texts[size_t(c)] = QStringLiteral("т %1 & \"%1\"").arg(c);
        o[Field::Sum] = "1 234 567,80";
        form2().orders().append(o);
        form2().current_row = 2;
        const QString path = dir_.filePath(target);
        QCOMPARE(out_excel(path), message.isEmpty());
        QCOMPARE(QFile::exists(path), message.isEmpty());
        QCOMPARE(rec.texts().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QVERIFY2(rec.texts()[0].startsWith(message) &&
                         (message.endsWith(": ") || rec.texts()[0] == message),
                     qPrintable(rec.texts()[0]));
            return;
        }
        Spreadsheet xl;
        Worksheet& sheet = xl.add_workbook(path).sheets(1);
        for (int r = 1; r <= 28; ++r)
            QCOMPARE(sheet.cell(r, 2), export_text(Field(r), o[Field(r)]));
        QCOMPARE(sheet.cell(3, 2), "1234567,80");
        QCOMPARE(sheet.cell(4, 2), "т 4 &amp; &quot;4&quot;");
        QCOMPARE(sheet.cell(1, 1), QStringLiteral("№ п/п"));
    }
};

QTEST_MAIN(TestExcelExport)
#include "tst_excel_export.moc"
