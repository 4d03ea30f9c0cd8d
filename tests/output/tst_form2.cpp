// The formed-orders window as the user works it: the editor's amount ready for typing, the
// keyboard, and what the window says about the list and the runs.

#include "common/form4.h"
#include "output/form2.h"
#include "output/form5.h"
#include "platform/recording_ui.h"
#include "support/forming_data.h"
#include "support/window_fixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

using namespace tavrelis;
using testsupport::forming::StoredOrder;

class TestForm2 : public QObject {
    Q_OBJECT
    testsupport::WindowFixture fx_;

    Form2& list(const QList<int>& ids) {
        for (int id : ids) {
            StoredOrder o;
            o.oper_id = id;
            o.sum = QStringLiteral("1 234,50");
            if (!add_stored_order(fx_.host(), o))
                qFatal("no stored order");
        }
        return fx_.list(ids);
    }

private slots:
    void init() { fx_.init(); }
    void cleanup() { fx_.cleanup(); }

    void editor_amount_ready_for_typing_data() {
        QTest::addColumn<bool>("double_click");
        QTest::newRow("Правка") << false;
        QTest::newRow("double click") << true;
    }
    void editor_amount_ready_for_typing() {
        QFETCH(bool, double_click);
        Form2& f2 = list({1});
        QString typed;
        for (int opening = 0; opening < 2; ++opening) {
            fx_.ui().on_show.push_back([&](QDialog& w) {
                Form5& f5 = static_cast<Form5&>(w);
                QCOMPARE(w.focusWidget(), f5.Text1);
                QCOMPARE(f5.Text1->selectedText(), QStringLiteral("1234,50"));
                QTest::keyClicks(f5.Text1, QStringLiteral("7"));
                typed = f5.Text1->text();
                f5.Command2->click();
            });
            if (double_click)
                emit f2.L1->doubleClicked(f2.L1->currentIndex());
            else
                f2.Command9->click();
            QCOMPARE(typed, QStringLiteral("7"));
        }
    }

    void enter_presses_the_focused_button() {
        Form2& f2 = list({1, 2});
        f2.show();
        f2.Command5->setFocus();
        QTest::keyClick(f2.Command5, Qt::Key_Return);
        QVERIFY(f2.orders().ticked(0) && f2.orders().ticked(1));
        f2.Command6->setFocus();
        QTest::keyClick(f2.Command6, Qt::Key_Enter);
        QVERIFY(!f2.orders().ticked(0) && !f2.orders().ticked(1));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
