#include "common/form4.h"
#include "common/form6.h"
#include "common/session.h"
#include "platform/recording_ui.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace tavrelis;
using namespace tavrelis::platform;

namespace {
constexpr std::array<bool, 5> kAll{true, true, true, true, true};
}

class TestForm6 : public QObject {
    Q_OBJECT
private slots:
    void design() {
        Session session;
        Form6& f = form6();
        QCOMPARE(f.objectName(), QStringLiteral("Form6"));
        QCOMPARE(f.windowTitle(), QStringLiteral("Вопрос"));
        QCOMPARE(f.findChild<QLabel*>("Label1"), f.Label1);
        QVERIFY(f.Label1->wordWrap());
        const QStringList captions{"Да", "Да для всех", "Нет", "Нет для всех", "Отмена"};
        for (int i = 0; i < 5; ++i) {
            auto* b = f.findChild<QPushButton*>(QStringLiteral("Command%1").arg(i + 1));
            QVERIFY(b);
            QCOMPARE(b->text(), captions[i]);
        }
        QCOMPARE(&form6(), &f); // one window per session
    }

    void answers_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("answer");
        QTest::newRow("Да") << "Command1" << 1;
        QTest::newRow("Да для всех") << "Command2" << 2;
        QTest::newRow("Нет") << "Command3" << 3;
        QTest::newRow("Нет для всех") << "Command4" << 4;
        QTest::newRow("Отмена") << "Command5" << 5;
    }
    // Each button stores its answer and closes the window itself.
    void answers() {
        QFETCH(QString, button);
        QFETCH(int, answer);
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        bool closed_by_button = false;
        rec.on_show.push_back([&](QDialog& d) {
            QVERIFY(d.isVisible());
            d.findChild<QPushButton*>(button)->click();
            closed_by_button = !d.isVisible();
        });
        const quint8 got = ask(QStringLiteral("Вопрос"), QStringLiteral("Файл существует"), kAll);
        QCOMPARE(int(got), answer);
        QCOMPARE(int(form4().otvet), answer);
        QVERIFY(closed_by_button);
        QCOMPARE(rec.events, QStringList({"show Form6", "close Form6"}));
    }

    // What the caller sets is what the window shows.
    void caller_sets_caption_text_and_buttons() {
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        QString title, text;
        QList<bool> enabled;
        rec.on_show.push_back([&](QDialog& d) {
            auto& f = static_cast<Form6&>(d);
            title = f.windowTitle();
            text = f.Label1->text();
            for (QPushButton* b : f.buttons())
                enabled.append(b->isEnabled());
            f.Command1->click();
        });
        ask(QStringLiteral("Внимание"), QStringLiteral("<a&b> уже проведено"),
            {true, true, false, false, false});
        QCOMPARE(title, QStringLiteral("Внимание"));
        QCOMPARE(text, QStringLiteral("<a&b> уже проведено"));
        QCOMPARE(enabled, QList<bool>({true, true, false, false, false}));
    }

    // A disabled button cannot answer; the window then goes by its close box.
    void disabled_buttons_do_nothing_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("Нет") << "Command3";
        QTest::newRow("Нет для всех") << "Command4";
        QTest::newRow("Отмена") << "Command5";
    }
    void disabled_buttons_do_nothing() {
        QFETCH(QString, button);
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        form4().otvet = 2;
        bool still_open = false;
        rec.on_show.push_back([&](QDialog& d) {
            d.findChild<QPushButton*>(button)->click();
            still_open = d.isVisible();
        });
        QCOMPARE(int(ask(QStringLiteral("Внимание"), QStringLiteral("t"),
                         {true, true, false, false, false})),
                 2);
        QVERIFY(still_open);
    }

    void close_box_leaves_answer() {
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        form4().otvet = 4;
        rec.on_show.push_back([](QDialog& d) { d.close(); });
        QCOMPARE(int(ask(QStringLiteral("Вопрос"), QStringLiteral("t"), kAll)), 4);
        QCOMPARE(int(form4().otvet), 4);
    }

    // A later showing starts from what its caller sets, not from the earlier one.
    void second_showing() {
        Session session;
        RecordingUi rec;
        UiScope scope(rec);
        rec.on_show.push_back([](QDialog& d) { static_cast<Form6&>(d).Command2->click(); });
        rec.on_show.push_back([](QDialog& d) { static_cast<Form6&>(d).Command4->click(); });
        QCOMPARE(int(ask("Внимание", "a", {true, true, false, false, false})), 2);
        QCOMPARE(int(ask("Вопрос", "b", kAll)), 4);
        QVERIFY(form6().Command5->isEnabled());
    }
};

QTEST_MAIN(TestForm6)
#include "tst_form6.moc"
