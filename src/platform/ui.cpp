#include "platform/ui.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace tavrelis::platform {

namespace {

class WidgetUi : public Ui {
public:
    int message(const QString& text, int flags, const QString& title) override {
        QMessageBox box;
        box.setText(text);
        box.setWindowTitle(title.isEmpty() ? QStringLiteral("Tavrelis") : title);
        switch (flags & kIconMask) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
        }
        if ((flags & kButtonsMask) == vbYesNo) {
            QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
            QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
            box.setDefaultButton((flags & vbDefaultButton2) ? no : yes);
            box.exec();
            return box.clickedButton() == yes ? vbYes : vbNo;
        }
        box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
        box.exec();
        return vbOK;
    }
    void show_modal(QDialog& window) override { window.exec(); }
};

WidgetUi& widget_ui() {
    static WidgetUi instance;
    return instance;
}

Ui* current = nullptr;

} // namespace

int default_answer(int flags) {
    if ((flags & kButtonsMask) == vbYesNo)
        return (flags & vbDefaultButton2) ? vbNo : vbYes;
    return vbOK;
}

QString icon_name(int flags) {
    switch (flags & kIconMask) {
    case vbCritical:
        return QStringLiteral("critical");
    case vbQuestion:
        return QStringLiteral("question");
    case vbExclamation:
        return QStringLiteral("exclamation");
    case vbInformation:
        return QStringLiteral("information");
    default:
        return QStringLiteral("none");
    }
}

QString buttons_name(int flags) {
    return (flags & kButtonsMask) == vbYesNo ? QStringLiteral("YesNo") : QStringLiteral("OK");
}

QString answer_name(int answer) {
    switch (answer) {
    case vbYes:
        return QStringLiteral("Yes");
    case vbNo:
        return QStringLiteral("No");
    default:
        return QStringLiteral("OK");
    }
}

void Ui::wait_cursor(bool on) {
    // Without a window system (a console host) there is no cursor to change.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

Ui& ui() {
    return current ? *current : widget_ui();
}

void set_ui(Ui* ui) {
    current = ui;
}

int msgbox(const QString& text, int flags, const QString& title) {
    return ui().message(text, flags, title);
}

void show_modal(QDialog& window) {
    ui().show_modal(window);
}

void wait_cursor(bool on) {
    ui().wait_cursor(on);
}

UiScope::UiScope(Ui& ui) : previous_(current) {
    current = &ui;
}

UiScope::~UiScope() {
    current = previous_;
}

bool use_russian_qt_texts() {
    static const bool loaded = [] {
        if (!QCoreApplication::instance())
            return false;
        // Lives as long as the process: the application keeps only a pointer to it.
        auto* qt = new QTranslator(QCoreApplication::instance());
        if (!qt->load(QStringLiteral("qtbase_ru"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete qt;
            return false;
        }
        return QCoreApplication::installTranslator(qt);
    }();
    return loaded;
}

} // namespace tavrelis::platform
