#include "common/window.h"

#include "platform/errors.h"
#include "platform/ui.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QSet>

namespace tavrelis {

const QString kTitle = QStringLiteral("Вальмора-2: Фискалон");

QPushButton* make_button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

void report_failure(const QString& prefix, int step, const std::exception& e) {
    platform::msgbox(prefix + u'(' + QString::number(step) + QStringLiteral("): ") + describe(e));
}

void ModuleWindow::unload() {
    if (unloading_)
        return;
    unloading_ = true;
    hide();
    on_unload();
    reset_controls();
    unloading_ = false;
}

void ModuleWindow::reject() {
    unload();
}

void ModuleWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    unload();
}

bool press_focused_button(QWidget& window, QKeyEvent* e) {
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    auto* button = qobject_cast<QPushButton*>(window.focusWidget());
    if (!enter || !button || !button->isEnabled() || !button->isVisible())
        return false;
    e->accept();
    button->click();
    return true;
}

void ModuleWindow::keyPressEvent(QKeyEvent* e) {
    if (!press_focused_button(*this, e))
        QDialog::keyPressEvent(e);
}

namespace {

QSet<QString>& windows() {
    static QSet<QString> all;
    return all;
}

} // namespace

bool register_window(const char* name) {
    windows().insert(QLatin1String(name));
    return true;
}

bool is_window_name(const QString& name) {
    return windows().contains(name);
}

} // namespace tavrelis
