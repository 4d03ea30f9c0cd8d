// The formation window's dates: the working-day question once for each date the user commits,
// and the nearest due dates with accruals.

#include "common/date_picker.h"
#include "common/session.h"
#include "forming/form1.h"
#include "platform/env.h"
#include "platform/recording_ui.h"
#include "platform/ui.h"
#include "support/cases.h"
#include "support/forming_data.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace tavrelis;
using namespace testsupport::forming;
using testsupport::TestHost;

namespace {
const QString kDayOff =
    QStringLiteral("Выбранная дата является нерабочим днем. Выбрать ближайший рабочий день?");
}

class TestForm1 : public QObject {
    Q_OBJECT

    testsupport::FormingFixture fx_;

    Form1& open() {
        Form1& f1 = fx_.open();
        f1.show();
        return f1;
    }
    void accrual(qint64 oper_id, const QDate& day, int card = kCard,
                 const QString& period = kQuarter) {
        QVERIFY(add_accrual(
            fx_.host(),
            {.oper_id = oper_id, .card_id = card, .term_day = day, .period_name = period}));
    }

private slots:
    void init() { fx_.init(); }
    void cleanup() { fx_.cleanup(); }

    // 16.05.2026 is a Saturday.
    void day_off_asked_once_per_committed_date_data() {
        columns<QString, bool, int>(); // keys, enter, questions
        QTest::newRow("typed, Enter, then left") << "16.05.2026" << true << 1;
        QTest::newRow("short form") << "160526" << true << 1;
        QTest::newRow("half typed, left") << "16.05" << false << 1;
        QTest::newRow("unfinished, no commit") << "16.0" << false << 0;
        QTest::newRow("a working day") << "15.05.26" << true << 0;
    }
    void day_off_asked_once_per_committed_date() {
        auto [keys, enter, questions] = fetch<QString, bool, int>();
        Form1& f1 = open();
        fx_.ui().answers = {platform::vbNo, platform::vbNo};
        QTest::keyClicks(f1.DTPicker3, keys);
        QCOMPARE(fx_.ui().boxes.size(), 0);
        if (enter)
            QTest::keyClick(f1.DTPicker3, Qt::Key_Return);
        if (questions > 0 || enter)
            f1.DTPicker3->commit(); // leaving the field commits the same date again
        QCOMPARE(fx_.ui().boxes.size(), questions);
        for (const auto& box : fx_.ui().boxes)
            QCOMPARE(box.text, kDayOff);
    }

    void tab_follows_the_layout() {
        Form1& f1 = open();
        QStringList order;
        QWidget* w = f1.List1;
        do {
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&f1) &&
                !w->objectName().startsWith(QLatin1String("qt_")) && w->window() == &f1)
                order.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != f1.List1);
        QCOMPARE(order, QStringList({"List1", "Command3", "Command1", "Check1", "Combo2", "Combo1",
                                     "Combo3", "Text2", "Combo6", "Combo7", "Combo8", "Combo9",
                                     "DTPicker3", "DTPicker1", "DTPicker2", "Text1", "Command2",
                                     "Command4"}));
        // Tab leaves a date picker at once, whatever section it is in.
        f1.DTPicker3->setFocus();
        QTest::keyClick(f1.DTPicker3, Qt::Key_Tab);
        QCOMPARE(f1.focusWidget(), f1.DTPicker1);
    }

    // The organisations as listed; unloaded, the window takes its design state: the start
    // number "1", the purpose and the due dates empty.
    void unload_puts_controls_back() {
        Form1& f1 = open();
        // Names without a short one show in full, a branch's below its taxpayer.
        QCOMPARE(f1.List1->item(0)->text() + u'|' + f1.List1->item(1)->text(),
                 "ООО \"Ромашка\"|--->Ромашка-Юг");
        f1.Text1->setText(QStringLiteral("7"));
        f1.Text2->setText(QStringLiteral("Налог"));
        f1.unload();
        QCOMPARE(f1.Text1->text() + u'|' + f1.Text2->text() + u'|' + f1.Label15->text(),
                 QStringLiteral("1||"));
    }

    // «Сформировать» needs a tax listed, one being enough; a single tax payment needs none.
    void forming_needs_a_tax_data() {
        columns<QString, int>(); // taxes (deleted from the host's list), listed
        row("two", "0", 2);
        row("one", "tax_code='301'", 1);
        row("none", "1=1", 0);
    }
    void forming_needs_a_tax() {
        auto [taxes, listed] = fetch<QString, int>();
        QVERIFY(fx_.host().taxpayer("delete from nsi_taxlist where " + taxes));
        Form1& f1 = open();
        QCOMPARE(f1.Combo1->count(), listed);
        QCOMPARE(f1.Command2->isEnabled(), listed > 0);
        f1.Check1->setChecked(true);
        QVERIFY(f1.Command2->isEnabled());
    }

    void nearest_due_dates() {
        accrual(1, kToday);
        accrual(2, kToday);
        accrual(3, QDate(2026, 7, 28));
        accrual(4, QDate(2026, 5, 28), kBranchCard);
        accrual(5, QDate(2020, 1, 28));                                         // far behind
        accrual(6, kToday.addDays(1), kCard, QStringLiteral("I квартал 2026")); // another period
        Form1& f1 = open();
        QCOMPARE(
            f1.Label15->text(),
            QStringLiteral("Ближайшие сроки уплаты: <a href=\"14.05.2026\">14.05.2026</a> — "
                           "2 начисления, <a href=\"28.05.2026\">28.05.2026</a> — 1 "
                           "начисление, <a href=\"28.07.2026\">28.07.2026</a> — 1 начисление"));
        // A single tax payment takes every period: the next day's accrual counts too. The choices
        // it has no use for are greyed, their captions with them.
        const QLabel* period = f1.findChild<QLabel*>(QStringLiteral("Label3"));
        f1.Check1->setChecked(true);
        QCOMPARE(f1.Combo3->isEnabled() || period->isEnabled(), false);
        QCoreApplication::processEvents();
        QCOMPARE(
            f1.Label15->text(),
            QStringLiteral("Ближайшие сроки уплаты: <a href=\"14.05.2026\">14.05.2026</a> — "
                           "2 начисления, <a href=\"15.05.2026\">15.05.2026</a> — 1 "
                           "начисление, <a href=\"28.05.2026\">28.05.2026</a> — 1 начисление"));
        f1.Check1->setChecked(false);
        QCOMPARE(f1.Combo3->isEnabled() && period->isEnabled(), true);
        QCoreApplication::processEvents();
        f1.List1->item(0)->setSelected(false);
        QCoreApplication::processEvents(); // the look-up waits for the burst of changes to end
        QCOMPARE(f1.Label15->text(),
                 QStringLiteral("Ближайшие сроки уплаты: <a href=\"28.05.2026\">28.05.2026</a> — "
                                "1 начисление"));
        f1.Command1_Click();
        QCoreApplication::processEvents();
        QCOMPARE(f1.Label15->text(), QStringLiteral("Ближайшие сроки уплаты: начислений нет"));
        emit f1.Label15->linkActivated(QStringLiteral("28.07.2026"));
        QCOMPARE(f1.DTPicker3->date(), QDate(2026, 7, 28));
        QCOMPARE(fx_.ui().boxes.size(), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
