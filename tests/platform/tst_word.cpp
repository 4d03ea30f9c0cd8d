// The word processor reads a filled template's bytes as UTF-8 wherever they form it, and any
// other byte as windows-1251.
#include "platform/errors.h"
#include "platform/wordml_render.h"
#include "support/cases.h"

#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {

// A run's text, then a text in the paragraph outside any run, which no reader forgives.
QByteArray document(const QByteArray& run, const QByteArray& outside = "ok",
                    const QByteArray& after = {}) {
    return "<?xml version=\"1.0\"?><w:wordDocument "
           "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body><w:p><w:r>"
           "<w:t>" +
           run + "</w:t></w:r>" + outside + "</w:p></w:body></w:wordDocument>" + after;
}

// A sheet with its texts in runs plain, bold (with a tab), in capitals (with a break) and in a
// table cell, then a text after the root and the style of the second run, "b" unless given;
// the comment before the root makes its markup one of its own.
QByteArray sheet(QStringList texts, const QByteArray& own) {
    texts.resize(5);
    if (texts[4].isEmpty())
        texts[4] = QStringLiteral("b");
    QByteArrayList t;
    for (const QString& text : texts)
        t.append(text.toUtf8());
    return "<?xml version=\"1.0\"?>\n<!--" + own +
           "-->\n<w:wordDocument "
           "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\">\n<w:body><w:p>"
           "<w:r><w:t>" +
           t[0] + "</w:t></w:r><w:r><w:rPr><w:" + t[4] + "/></w:rPr><w:t>" + t[1] +
           "</w:t><w:tab/><w:t>" + t[1] + "</w:t></w:r>\n<w:r><w:rPr><w:caps/></w:rPr><w:t>" +
           t[2] +
           "</w:t><w:br/></w:r></w:p><w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/></w:tblGrid>"
           "<w:tr><w:tc><w:p><w:r><w:t>" +
           t[0] +
           "</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:sectPr><w:pgSz w:w=\"16838\" "
           "w:h=\"11906\"/></w:sectPr></w:body></w:wordDocument>\n" +
           t[3];
}

// What a document draws as: its HTML and page, or the error it raises.
QString drawn(const QByteArray& bytes) {
    try {
        const WordHtml out = render_wordml(platform::decode_document(bytes));
        return QStringLiteral("%1x%2\n").arg(out.page.width).arg(out.page.height) + out.html;
    } catch (const tavrelis::Error& e) {
        return QStringLiteral("error: ") + e.description();
    }
}

// A markup not met before.
QByteArray own_markup() {
    static int n = 0;
    return QByteArray::number(++n).rightJustified(6, '0');
}

bool renders(const QString& xml) {
    try {
        render_wordml(xml);
        return true;
    } catch (const tavrelis::Error&) {
        return false;
    }
}

} // namespace

class TestWord : public QObject {
    Q_OBJECT

private slots:
    void decode_document_data() {
        columns<QByteArray, QString>(); // bytes, text
        QTest::newRow("utf-8") << QString("Сумма №").toUtf8() << "Сумма №";
        row("windows-1251 bytes in between",
            QByteArray("\xAB") + QString("Ёлка").toUtf8() + QByteArray("\xBB"), "«Ёлка»");
    }
    void decode_document() {
        auto [bytes, text] = fetch<QByteArray, QString>();
        QCOMPARE(platform::decode_document(bytes), text);
    }

    // A document is checked as it would be drawn, also right after a sound one of the same
    // markup was checked.
    void check_as_drawn_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << document("Сумма");
        QTest::newRow("markup in a run") << document("a < b & c > d");
        QTest::newRow("references") << document("&amp;&#x0;&bogus;", "&lt;&#1057;");
        QTest::newRow("control character in a run") << document("a\x01b");
        QTest::newRow("control character outside") << document("x", "a\x01b");
        QTest::newRow("bare & outside") << document("x", "a & b");
        QTest::newRow("]]> outside") << document("x", "a]]>b");
        QTest::newRow("nothing outside") << document("x", "");
        QTest::newRow("text after the document") << document("x", "ok", "tail");
        QTest::newRow("cut short") << document("x").chopped(3);
    }
    void check_as_drawn() {
        QFETCH(QByteArray, bytes);
        QVERIFY(renders(platform::decode_document(document("sound"))));
        check_wordml(platform::decode_document(document("sound")));
        const QString xml = platform::decode_document(bytes);
        bool checked = true;
        try {
            check_wordml(xml);
        } catch (const tavrelis::Error&) {
            checked = false;
        }
        QCOMPARE(checked, renders(xml));
    }

    // A document of the same markup as one drawn before draws as it does on its own.
    void drawn_as_on_its_own_data() {
        columns<QStringList, QStringList>(); // before, texts
        row("other texts", QStringList{"Сумма", "1", "x"}, QStringList{"Итого", "22", "yy"});
        QTest::newRow("a text emptied") << QStringList{"a", "b", "c"} << QStringList{"", "", ""};
        QTest::newRow("a text filled") << QStringList{"", "", ""} << QStringList{"a", "b", "c"};
        QTest::newRow("blank texts") << QStringList{"a", "b", "c"} << QStringList{" ", "\t", "\n"};
        row("references", QStringList{"a", "b", "c"},
            QStringList{"&amp;&lt;", "&#1057;&#x41;&#x1F600;", "&quot;"});
        row("markup characters", QStringList{"a", "b", "c"}, QStringList{"a > b", "\"'", "ж & з"});
        row("line breaks", QStringList{"a", "b", "c"}, QStringList{"a\r\nb", "c\rd", "e\r"});
        QTest::newRow("capitals") << QStringList{"a", "b", "c"} << QStringList{"a", "b", "ёлка"};
        row("markup in a run", QStringList{"a", "b", "c"}, QStringList{"a</w:t>b", "<w:t>", "c"});
        row("after markup in a run", QStringList{"a</w:t>b", "b", "c"}, QStringList{"x", "y", "z"});
        row("reference the reader refuses", QStringList{"a", "b", "c"},
            QStringList{"&#X41;", "b", "c"});
        row("signed reference", QStringList{"a", "b", "c"}, QStringList{"&#+65;", "b", "c"});
        row("text after the document", QStringList{"a", "b", "c"},
            QStringList{"a", "b", "c", "tail"});
        row("another style", QStringList{"a", "b", "c"}, QStringList{"a", "b", "c", "", "i"});
    }
    void drawn_as_on_its_own() {
        auto [before, texts] = fetch<QStringList, QStringList>();
        const QString alone = drawn(sheet(texts, own_markup()));
        const QByteArray markup = own_markup();
        drawn(sheet(before, markup));
        QCOMPARE(drawn(sheet(texts, markup)), alone);
    }

    // A document of the same texts as one drawn before but of other markup draws its own.
    void other_markup_drawn_as_its_own_data() {
        columns<QString, QString, QString>(); // before, style, shows
        row("italic after bold", "b", "i", "font-style:italic");
        row("bold after underline", "u", "b", "font-weight:bold");
    }
    void other_markup_drawn_as_its_own() {
        auto [before, style, shows] = fetch<QString, QString, QString>();
        const QByteArray markup = own_markup();
        drawn(sheet({"a", "b", "c", "", before}, markup));
        const QString html = drawn(sheet({"a", "b", "c", "", style}, markup));
        QVERIFY2(html.contains(shows), qPrintable(html));
    }
};

QTEST_MAIN(TestWord)
#include "tst_word.moc"
