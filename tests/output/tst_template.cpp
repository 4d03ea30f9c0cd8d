#include "common/session.h"
#include "output/pechat.h"
#include "output/template_buffer.h"
#include "platform/errors.h"
#include "support/cases.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace tavrelis;

class TestTemplate : public QObject {
    Q_OBJECT
private slots:
    void values_data() {
        columns<QString, QString, QByteArray>(); // key, text, bytes
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
        auto [key, text, bytes] = fetch<QString, QString, QByteArray>();
        QCOMPARE(template_value(key, text), bytes);
    }

    // A value takes the place of the character after its key; a key the template lacks, or
    // has with no text run after it, is refused.
    void put_at_key() {
        QCOMPARE(put_value("<j><w:t>_</w:t><k><w:t>_</w:t>", "k", "12"),
                 QByteArray("<j><w:t>_</w:t><k><w:t>12</w:t>"));
        for (const char* text : {"<w:t>_</w:t>", "<w:t>_</w:t><k>", "<k><w:t>"}) {
            QCOMPARE(error_of([&] { put_value(text, "k", "1"); }),
                     "В шаблоне платежного поручения нет поля <k>");
        }
    }

    // On the sheet field 101 follows the payer, "01" for an organisation and "13" for a
    // natural person, and field 110 stays empty for an order without a payment type.
    void payer_status_data() {
        columns<QString, QByteArray>(); // inn, status
        QTest::newRow("organisation") << "7705123452" << QByteArray("01");
        QTest::newRow("natural person") << "695201234516" << QByteArray("13");
    }
    void payer_status() {
        auto [inn, status] = fetch<QString, QByteArray>();
        Session session;
        xml_loader();
        Order o;
        o[Field::InnSender] = inn;
        fill_keys(o);
        const QByteArray& text = template_buffer().RB1;
        const auto value_of = [&text](const QByteArray& key) {
            const qsizetype from = text.indexOf("<w:t>", text.indexOf('<' + key + '>')) + 5;
            return text.mid(from, text.indexOf("</w:t>", from) - from);
        };
        QCOMPARE(value_of("status"), status);
        QCOMPARE(value_of("payment_type"), QByteArray());
        QCOMPARE(value_of("inn_sender"), inn.toLatin1());
    }

    // The filled template goes to "result.xml" in the temporary folder, else with a number;
    // each sheet tries "result.xml" first.
    void filled_file_name() {
        QTemporaryDir temp;
        const QByteArray before = qgetenv("TEMP");
        qputenv("TEMP", QFile::encodeName(temp.path()));
        Session s;
        template_buffer().RB1 = "<w:t>x</w:t>";
        QVERIFY(QDir().mkpath(filled_file(QString()))); // a folder where the file would go
        xml_saver();
        QCOMPARE(template_buffer().next_file, QStringLiteral("1"));
        QVERIFY(QDir().rmdir(filled_file(QString())));
        xml_saver();
        QCOMPARE(template_buffer().next_file, QString());
        QVERIFY(QFileInfo::exists(temp.filePath(QStringLiteral("result.xml"))));
        // A full disk, whether the write or the flush finds it, is a failed save too.
        for (const int size : {10, 1 << 16}) {
            QVERIFY(QFile::remove(filled_file(QString())));
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), filled_file(QString())));
            template_buffer().RB1 = QByteArray(size, 'x');
            xml_saver();
            QCOMPARE(template_buffer().next_file, QStringLiteral("1"));
        }

        // A hundred names taken: the user is told, though the hundred-and-first is free.
        for (int i = 0; i < 100; ++i) {
            const QString name = filled_file(i ? QString::number(i) : QString());
            QFile::remove(name);
            QVERIFY(QDir().mkpath(name));
        }
        QCOMPARE(error_of([] { xml_saver(); }),
                 QStringLiteral("Не удалось сохранить заполненный бланк во временной "
                                "папке \"") +
                     QDir::toNativeSeparators(temp.path()) + u'"');
        QVERIFY(!QFileInfo::exists(filled_file(QStringLiteral("100"))));
        qputenv("TEMP", before);
    }
};

QTEST_MAIN(TestTemplate)
#include "tst_template.moc"
