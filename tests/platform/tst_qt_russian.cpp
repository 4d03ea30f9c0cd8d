#include "platform/ui.h"
#include "support/cases.h"

#include <QLocale>
#include <QtTest>

// Qt's own texts come in Russian on a machine of any locale.
class TestQtRussian : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QVERIFY(tavrelis::platform::use_russian_qt_texts());
        QVERIFY(tavrelis::platform::use_russian_qt_texts()); // once is enough; again is harmless
    }
    void texts_data() {
        columns<QString, QString, QString>(); // context, source, russian
        row("button", "QPlatformTheme", "Cancel", "Отмена");
        row("yes", "QPlatformTheme", "&Yes", "&Да");
        row("undo", "QWidgetTextControl", "&Undo", "&Отменить действие");
        row("cut", "QLineEdit", "Cu&t", "&Вырезать");
        row("paste", "QLineEdit", "&Paste", "В&ставить");
    }
    void texts() {
        auto [context, source, russian] = fetch<QString, QString, QString>();
        QCOMPARE(QCoreApplication::translate(context.toLatin1(), source.toLatin1()), russian);
    }
};

QTEST_MAIN(TestQtRussian)
#include "tst_qt_russian.moc"
