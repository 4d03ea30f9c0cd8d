#include "platform/env.h"
#include "platform/recording_ui.h"

#include <QDialog>
#include <QPushButton>
#include <QtTest>

using namespace tavrelis::platform;

class TestUi : public QObject {
    Q_OBJECT
private slots:
    void boxes_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<QString>("answer");
        QTest::newRow("plain OK") << int(vbOKOnly) << "none"
                                  << "OK"
                                  << "OK";
        QTest::newRow("critical") << int(vbCritical) << "critical"
                                  << "OK"
                                  << "OK";
        QTest::newRow("question yes default") << int(vbYesNo | vbQuestion) << "question"
                                              << "YesNo"
                                              << "Yes";
        QTest::newRow("no default") << int(vbYesNo | vbQuestion | vbDefaultButton2) << "question"
                                    << "YesNo"
                                    << "No";
        QTest::newRow("information") << int(vbInformation) << "information"
                                     << "OK"
                                     << "OK";
        QTest::newRow("exclamation") << int(vbExclamation) << "exclamation"
                                     << "OK"
                                     << "OK";
    }
    // With no scripted answer, a box takes its default button, and everything is recorded.
    void boxes() {
        QFETCH(int, flags);
        QFETCH(QString, icon);
        QFETCH(QString, buttons);
        QFETCH(QString, answer);
        RecordingUi rec;
        UiScope scope(rec);
        msgbox(QStringLiteral("Текст"), flags, QStringLiteral("Вальмора-2: Фискалон"));
        QCOMPARE(rec.boxes.size(), 1);
        QCOMPARE(rec.boxes[0].icon, icon);
        QCOMPARE(rec.boxes[0].buttons, buttons);
        QCOMPARE(rec.boxes[0].answer, answer);
        QCOMPARE(rec.boxes[0].title, QStringLiteral("Вальмора-2: Фискалон"));
    }

    void scripted_answers_in_order() {
        RecordingUi rec;
        UiScope scope(rec);
        rec.answers = {vbNo, vbYes};
        QCOMPARE(msgbox("a", vbYesNo), int(vbNo));
        QCOMPARE(msgbox("b", vbYesNo), int(vbYes));
        QCOMPARE(msgbox("c", vbYesNo | vbDefaultButton2), int(vbNo));
        QCOMPARE(rec.texts(), QStringList({"a", "b", "c"}));
    }

    // A nested modal window shown from a button of another is driven by the next action.
    void nested_modal_windows() {
        RecordingUi rec;
        UiScope scope(rec);
        QDialog outer, inner;
        outer.setObjectName("Form2");
        inner.setObjectName("Form6");
        auto* button = new QPushButton(&outer);
        QObject::connect(button, &QPushButton::clicked, [&] { show_modal(inner); });
        rec.on_show.push_back([&](QDialog&) { button->click(); });
        rec.on_show.push_back([](QDialog& d) { d.accept(); });
        show_modal(outer);
        QCOMPARE(rec.events,
                 QStringList({"show Form2", "show Form6", "close Form6", "close Form2"}));
        QVERIFY(!outer.isVisible());
    }

    void scope_restores_previous() {
        RecordingUi a, b;
        UiScope sa(a);
        {
            UiScope sb(b);
            msgbox("inner");
        }
        msgbox("outer");
        QCOMPARE(a.texts(), QStringList({"outer"}));
        QCOMPARE(b.texts(), QStringList({"inner"}));
    }

    void fixed_today() {
        set_today(QDate(2026, 5, 14));
        QCOMPARE(today(), QDate(2026, 5, 14));
        QCOMPARE(now(), QDateTime(QDate(2026, 5, 14), QTime(12, 0)));
        set_today(QDate());
        QCOMPARE(today(), QDate::currentDate());
    }

    void environment_folders() {
        qputenv("APPDATA", "/tmp/appdata-x");
        QCOMPARE(appdata(), QStringLiteral("/tmp/appdata-x"));
        qunsetenv("APPDATA");
        QVERIFY(!appdata().isEmpty());
        qputenv("TEMP", "/tmp/t1");
        qputenv("TMP", "/tmp/t2");
        QCOMPARE(temp_folder(), QStringLiteral("/tmp/t1"));
        qunsetenv("TEMP");
        QCOMPARE(temp_folder(), QStringLiteral("/tmp/t2"));
        qunsetenv("TMP");
        QCOMPARE(temp_folder(), QDir::tempPath());
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
