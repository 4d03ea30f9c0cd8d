#include "common/form4.h"

#include "common/session.h"

namespace tavrelis {

Form4::Form4() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Выбор папки для выгрузки"));
}

Form4::~Form4() = default;

Form4& form4() { return Session::current().get<Form4>(); }

} // namespace tavrelis
